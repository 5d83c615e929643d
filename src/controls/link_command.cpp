#include "controls/link_command.h"

namespace controls {

std::wstring HtmHandlerCommand(const std::wstring& registered, const std::wstring& target) {
    std::wstring command = registered;
    size_t cut = command.find(L"\"%1\"");
    if (cut == std::wstring::npos)
        cut = command.find(L"%1");
    if (cut != std::wstring::npos)
        command.erase(cut);
    while (!command.empty() && command.back() == L' ')
        command.pop_back();
    // Quoted, so that a target with blanks stays one argument; a quote inside the target
    // could end the argument early and is left out.
    std::wstring quoted;
    for (const wchar_t c : target) {
        if (c != L'"')
            quoted += c;
    }
    return command + L" \"" + quoted + L"\"";
}

}  // namespace controls
