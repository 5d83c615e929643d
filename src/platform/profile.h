#pragma once
// Profile (INI) files: "[section]" headers and "key=value" lines. Windows uses the
// system's profile functions; Linux keeps their observable rules with a reader/writer
// of its own: sections and keys match without regard to letter case, a key missing from
// an existing section is added at the end of that section, a missing section is added
// at the end of the file, a missing file is created, and every other line keeps its
// bytes and its place.
#include <string>

namespace platform {

// The value of `key` in `section`, read as narrow text in the system code page (at most
// 259 bytes, as the narrow profile function reads it) and returned as wide text. Empty
// when the file, the section or the key is missing.
std::wstring ReadProfileValue(const std::wstring& file, const std::wstring& section,
                              const std::wstring& key);

// Writes `key`=`value` into `section` through the wide profile function. False when the
// file cannot be written.
bool WriteProfileValue(const std::wstring& file, const std::wstring& section,
                       const std::wstring& key, const std::wstring& value);

}  // namespace platform
