#include "service/common.h"

#include <limits>

#include "platform/shell_folders.h"
#include "service/field_cipher.h"

int32_t Ccommon::OsCodeFromVersion(uint32_t platformId, uint32_t major, uint32_t minor) {
    constexpr uint32_t kWindows9x = 1;
    constexpr uint32_t kWindowsNt = 2;
    if (platformId == kWindowsNt) {
        if (major >= 10)
            return kWin10;
        if (major == 6)
            return minor == 0 ? kWinVista : minor == 1 ? kWin7 : kWin8;
        if (major == 5 && minor >= 1)
            return kWinXp;
        return kNoOsCode;
    }
    if (platformId == kWindows9x && major == 4)
        return minor < 90 ? kWin98 : kWinMe;
    return kNoOsCode;
}

std::wstring Ccommon::OsCodeName(int32_t code) {
    static const wchar_t* const kNames[] = {L"win98",
                                            L"win2000",
                                            L"winme",
                                            L"winxp",
                                            L"winserver2003",
                                            L"winxp64",
                                            L"winserver2003_r2",
                                            L"winvista",
                                            L"winserver2008",
                                            L"winserver2008_r2",
                                            L"win7",
                                            L"win8",
                                            L"win10"};
    if (code < 0 || code > 12)
        return L"win7";
    return kNames[code];
}

int32_t Ccommon::GetOsCode() {
    platform::OsVersionNumbers version;
    if (!platform::QueryOsVersion(version))
        return kNoOsCode;
    return OsCodeFromVersion(version.platformId, version.major, version.minor);
}

bool Ccommon::IsNet20Installed() {
    uint32_t install = 0;
    return platform::ReadMachineRegistryDword(
               "Software\\Microsoft\\NET Framework Setup\\NDP\\v2.0.50727", "Install", install) &&
           install == 1;
}

bool Ccommon::IsNet40Installed() {
    uint32_t install = 0;
    return platform::ReadMachineRegistryDword(
               "Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full", "Install", install) &&
           install == 1;
}

bool Ccommon::GetIeVersion(int32_t& version) {
    std::string text;
    if (!platform::ReadMachineRegistryText("SOFTWARE\\Microsoft\\Internet Explorer", "Version",
                                           text))
        return false;
    version = LeadingNumber(text);
    return true;
}

int32_t Ccommon::LeadingNumber(std::string_view text) {
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value);
}

std::vector<std::string> Ccommon::FormatCardNumbers(
    const std::vector<platform::HardwareAddress>& addresses) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::vector<std::string> numbers;
    for (const platform::HardwareAddress& address : addresses) {
        std::string number;
        for (const uint8_t byte : address) {
            number.push_back(kHex[byte >> 4]);
            number.push_back(kHex[byte & 0xF]);
        }
        if (number != "000000000000")
            numbers.push_back(number);
    }
    return numbers;
}

void Ccommon::GetMacAddresses(std::vector<std::string>& addresses) {
    const std::vector<std::string> found =
        FormatCardNumbers(platform::ListAdapterHardwareAddresses());
    addresses.insert(addresses.end(), found.begin(), found.end());
}

void Ccommon::GetCardNo(std::string& cardNo) {
    std::vector<std::string> addresses;
    GetMacAddresses(addresses);
    if (!addresses.empty())
        cardNo = addresses.front();
}

bool Ccommon::GetSpecialFolderPath(std::wstring& path, int32_t folderId) {
    if (!platform::GetSpecialFolderPath(static_cast<platform::SpecialFolder>(folderId), path,
                                        true)) {
        path.clear();
        return false;
    }
    return true;
}

std::string Ccommon::Md5Hex(std::string_view ansiText, size_t maxLength) {
    return ::Md5Hex(ansiText, maxLength);
}
