#pragma once
// The one place where text changes encoding. "System" is the narrow code page that
// file-system calls, libcurl, profile files and install.ini use: the ANSI code page on
// Windows (characters it cannot hold become its default character), UTF-8 on Linux
// (invalid sequences become U+FFFD).
#include <string>
#include <string_view>

namespace text {

std::string WideToSystem(std::wstring_view wide);
std::wstring SystemToWide(std::string_view narrow);

std::string WideToUtf8(std::wstring_view wide);
std::wstring Utf8ToWide(std::string_view utf8);

// Conversions between the system code page and UTF-8 go by way of wide text.
std::string SystemToUtf8(std::string_view narrow);
std::string Utf8ToSystem(std::string_view utf8);

// Characters of the system code page cannot be split safely on every build
// (code page 936 has double-byte characters); true when the byte at `index`
// begins a character.
bool IsSystemLeadByte(unsigned char byte);

}  // namespace text
