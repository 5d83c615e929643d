#include "controls/win32/link_opener.h"

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <vector>

#include "controls/link_command.h"

namespace controls {

namespace {

// The default value of a key below HKEY_CLASSES_ROOT, at most 260 characters.
bool ReadClassesDefault(const std::wstring& key, std::wstring& value) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    wchar_t buffer[261] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result =
        RegQueryValueExW(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    value.assign(buffer);
    return true;
}

}  // namespace

bool OpenAddress(const std::wstring& target) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW));
    if (result > 32)
        return true;
    std::wstring type;
    std::wstring registered;
    if (!ReadClassesDefault(L".htm", type) ||
        !ReadClassesDefault(type + L"\\shell\\open\\command", registered)) {
        return false;
    }
    std::wstring command = HtmHandlerCommand(registered, target);
    std::vector<wchar_t> buffer(command.begin(), command.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace controls
