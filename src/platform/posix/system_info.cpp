#include "platform/system_info.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <utility>

namespace platform {

bool QueryOsVersion(OsVersionNumbers& version) {
    // Linux is reported as the newest system the service knows (NT 10.0, code 12):
    // packages for the current Windows generation are the closest match.
    version.platformId = 2;
    version.major = 10;
    version.minor = 0;
    return true;
}

bool ReadMachineRegistryDword(const std::string&, const std::string&, uint32_t&) {
    return false;
}

bool ReadMachineRegistryText(const std::string&, const std::string&, std::string&) {
    return false;
}

namespace {

bool ReadFirstLine(const std::string& path, std::string& line) {
    std::ifstream in(path);
    return static_cast<bool>(std::getline(in, line));
}

// "aa:bb:cc:dd:ee:ff" (any number of bytes) -> the first six bytes.
bool ParseAddress(const std::string& text, HardwareAddress& address) {
    address.fill(0);
    size_t index = 0;
    size_t pos = 0;
    while (pos < text.size() && index < address.size()) {
        char* end = nullptr;
        const unsigned long byte = std::strtoul(text.c_str() + pos, &end, 16);
        if (end == text.c_str() + pos || byte > 0xFF)
            return false;
        address[index++] = static_cast<uint8_t>(byte);
        pos = static_cast<size_t>(end - text.c_str());
        if (pos < text.size() && text[pos] == ':')
            ++pos;
    }
    return index > 0;
}

}  // namespace

std::vector<HardwareAddress> ListAdapterHardwareAddresses() {
    const std::string root = "/sys/class/net/";
    std::vector<std::pair<long, HardwareAddress>> adapters;
    DIR* dir = opendir(root.c_str());
    if (dir == nullptr)
        return {};
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string indexText, addressText;
        HardwareAddress address{};
        if (!ReadFirstLine(root + name + "/address", addressText) ||
            !ParseAddress(addressText, address))
            continue;
        long index = 0;
        if (ReadFirstLine(root + name + "/ifindex", indexText))
            index = std::strtol(indexText.c_str(), nullptr, 10);
        adapters.emplace_back(index, address);
    }
    closedir(dir);
    std::stable_sort(adapters.begin(), adapters.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<HardwareAddress> addresses;
    for (const auto& adapter : adapters)
        addresses.push_back(adapter.second);
    return addresses;
}

}  // namespace platform
