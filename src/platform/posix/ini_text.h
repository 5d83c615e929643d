#pragma once
// The INI text rules shared by the Linux profile functions and the uninstall entries:
// the file is kept as lines with their own line ends so that a change touches only the
// line it is about.
#include <string>
#include <string_view>
#include <vector>

namespace platform::ini {

struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n"; for the last line also "\r" or "" (none)
};

struct Document {
    std::string bom;  // a UTF-8 byte-order mark found at the start, written back as it was
    std::vector<Line> lines;
    std::string newLine = "\r\n";  // the file's own style, used for added lines
};

Document Parse(std::string_view content);
std::string Serialize(const Document& document);

// Value of `key` in `section` (both matched without letter case); false when missing.
// With `unquote`, one pair of matching quotes around the value is removed, as the
// Windows profile functions do.
bool Find(const Document& document, std::string_view section, std::string_view key,
          std::string& value, bool unquote);
// Sets `key` in `section`, adding the key or the section where missing.
void Set(Document& document, std::string_view section, std::string_view key,
         std::string_view value);

// Line breaks inside a value would start new lines (and could forge keys or sections):
// they become blanks.
std::string SingleLine(std::string_view value);

}  // namespace platform::ini
