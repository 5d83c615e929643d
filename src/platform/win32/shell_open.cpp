#include "platform/win32/shell_open.h"

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include "platform/process.h"

namespace platform {

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

bool ShellOpen(const std::wstring& target) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW));
    return result > 32;
}

bool ReadHtmOpenCommand(std::wstring& command) {
    std::wstring type;
    return ReadClassesDefault(L".htm", type) &&
           ReadClassesDefault(type + L"\\shell\\open\\command", command);
}

bool StartShownProcess(const std::wstring& commandLine) {
    ProcessCommand command;
    command.commandLine = commandLine;
    command.shown = true;
    Process process;
    return process.Start(command, std::wstring());
}

}  // namespace platform
