#include "platform/console.h"

#include <windows.h>

#include <cstdio>

#include "platform/text_codec.h"

namespace platform {
namespace {

// A real console takes wide text; a pipe or file gets UTF-8, like the Linux build.
void Write(DWORD which, std::wstring_view text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = text::WideToUtf8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void AttachParentConsole() {
    // Keep handles that were redirected by the parent; only fill the missing ones.
    if (GetStdHandle(STD_OUTPUT_HANDLE) != nullptr && GetStdHandle(STD_ERROR_HANDLE) != nullptr)
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (GetStdHandle(STD_OUTPUT_HANDLE) == nullptr)
        SetStdHandle(STD_OUTPUT_HANDLE,
                     CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    if (GetStdHandle(STD_ERROR_HANDLE) == nullptr)
        SetStdHandle(STD_ERROR_HANDLE,
                     CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
}

void WriteStdout(std::wstring_view text) {
    Write(STD_OUTPUT_HANDLE, text);
}
void WriteStderr(std::wstring_view text) {
    Write(STD_ERROR_HANDLE, text);
}

bool StdoutIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != FALSE;
}

}  // namespace platform
