#include "platform/command_line.h"

#include <windows.h>

namespace platform {

// The tail starts after the program name (quoted or up to the first blank) and the
// blanks that follow it, as the framework hands it to applications.
std::wstring GetCommandTail() {
    const wchar_t* p = GetCommandLineW();
    if (p == nullptr)
        return {};
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t')
            ++p;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

}  // namespace platform
