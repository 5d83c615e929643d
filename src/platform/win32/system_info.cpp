#include "platform/system_info.h"

#include <windows.h>
// windows.h first: the adapter header needs its types.
#include <iphlpapi.h>

#include <cstring>
#include <vector>

namespace platform {

bool QueryOsVersion(OsVersionNumbers& version) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    // The numbers the system reports to this program: no supported-OS list in the manifest.
    const BOOL ok = GetVersionExW(&info);
#pragma GCC diagnostic pop
    if (!ok)
        return false;
    version.platformId = info.dwPlatformId;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    return true;
}

namespace {

bool ReadMachineValue(const std::string& key, const std::string& value, void* buffer, DWORD size) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    DWORD length = size;
    const LONG result = RegQueryValueExA(handle, value.c_str(), nullptr, nullptr,
                                         static_cast<BYTE*>(buffer), &length);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

}  // namespace

bool ReadMachineRegistryDword(const std::string& key, const std::string& value, uint32_t& data) {
    uint32_t buffer = 0;
    if (!ReadMachineValue(key, value, &buffer, sizeof(buffer)))
        return false;
    data = buffer;
    return true;
}

bool ReadMachineRegistryText(const std::string& key, const std::string& value, std::string& data) {
    char buffer[261] = {};  // one spare byte keeps an unterminated value terminated
    if (!ReadMachineValue(key, value, buffer, 260))
        return false;
    data = buffer;
    return true;
}

std::vector<HardwareAddress> ListAdapterHardwareAddresses() {
    // Room for 16 adapters first; a machine with more gets the size it asks for.
    ULONG size = 10368;
    std::vector<unsigned char> buffer;
    DWORD result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    std::vector<HardwareAddress> addresses;
    if (result != ERROR_SUCCESS)
        return addresses;
    for (const IP_ADAPTER_INFO* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        HardwareAddress address{};
        std::memcpy(address.data(), adapter->Address, address.size());
        addresses.push_back(address);
    }
    return addresses;
}

}  // namespace platform
