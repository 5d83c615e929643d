#pragma once
// Text conversions at the network boundary. "ANSI" is the system code page
// (text::WideToSystem): the Windows ANSI code page, UTF-8 on Linux. Characters the
// target cannot hold become its default or replacement character.
#include <string>
#include <string_view>

std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

class CHttpPostClass {
  public:
    virtual ~CHttpPostClass() = default;

    // Form-encodes an ANSI text by way of UTF-8: letters, digits, '-' and '_' stay, the
    // blanks (space, TAB, LF, VT, FF, CR) become '+', every other byte "%XX" (upper
    // case). When no memory is left for the result: "SrcUrl:<text>\r\nEncode Error".
    std::string UrlEncode(std::string_view ansi) const;
};
