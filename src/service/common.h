#pragma once
// Ccommon: probes of the machine that fill service requests, asked afresh on every call.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_info.h"

// OS codes as the service knows them; GetOsCode yields kNoOsCode for versions it has no
// code for, and such a code is sent as "win7".
enum OsCode : int32_t {
    kNoOsCode = -1,
    kWin98 = 0,
    kWin2000 = 1,
    kWinMe = 2,
    kWinXp = 3,
    kWinServer2003 = 4,
    kWinXp64 = 5,
    kWinServer2003R2 = 6,
    kWinVista = 7,
    kWinServer2008 = 8,
    kWinServer2008R2 = 9,
    kWin7 = 10,
    kWin8 = 11,
    kWin10 = 12,
};

class Ccommon {
  public:
    virtual ~Ccommon() = default;

    // The code of the running system. Linux reports itself as NT 10.0: code 12 ("win10").
    static int32_t GetOsCode();
    // Pure mapping of the version numbers: NT 5.1+ xp, 6.0 vista, 6.1 win7, 6.2+ win8,
    // 10+ win10; 9x 4.0-4.89 win98, 4.90+ winme; anything else kNoOsCode.
    static int32_t OsCodeFromVersion(uint32_t platformId, uint32_t major, uint32_t minor);
    // The name sent in the os parameter; codes outside 0..12 are sent as "win7".
    static std::wstring OsCodeName(int32_t code);

    static bool IsNet20Installed();
    static bool IsNet40Installed();
    // Major version of Internet Explorer (the leading digits of its "Version" value);
    // false when it cannot be read (always on Linux).
    static bool GetIeVersion(int32_t& version);
    // Leading decimal digits of a text (0 when there are none; saturates).
    static int32_t LeadingNumber(std::string_view text);

    // 12 upper-case hexadecimal digits per adapter, all-zero addresses left out.
    static void GetMacAddresses(std::vector<std::string>& addresses);
    static std::vector<std::string> FormatCardNumbers(
        const std::vector<platform::HardwareAddress>& addresses);
    // The first of GetMacAddresses, or the empty text.
    static void GetCardNo(std::string& cardNo);

    // A shell folder by CSIDL number (5 Documents, 38 Program Files, 0 Desktop,
    // 2 start-menu programs), created when missing; false and empty when unavailable.
    static bool GetSpecialFolderPath(std::wstring& path, int32_t folderId);

    // See field_cipher.h.
    static std::string Md5Hex(std::string_view ansiText, size_t maxLength);
};
