#include "platform/text_codec.h"

#include <windows.h>

namespace text {

std::string WideToSystem(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int needed =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), size, out.data(), needed, nullptr, nullptr);
    return out;
}

std::wstring SystemToWide(std::string_view narrow) {
    if (narrow.empty())
        return {};
    const int size = static_cast<int>(narrow.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0)
        MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, out.data(), needed);
    return out;
}

bool IsSystemLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

}  // namespace text
