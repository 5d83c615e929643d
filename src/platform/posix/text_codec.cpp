// Linux has no ANSI code page: the system code page is UTF-8.
#include "platform/text_codec.h"

namespace text {

std::string WideToSystem(std::wstring_view wide) {
    return WideToUtf8(wide);
}
std::wstring SystemToWide(std::string_view narrow) {
    return Utf8ToWide(narrow);
}
bool IsSystemLeadByte(unsigned char) {
    return false;
}

}  // namespace text
