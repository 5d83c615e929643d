#pragma once
// SHA-256 digests of package files, in the form the install service states them.
#include <string>
#include <string_view>

// The digest of the file's content as 64 lower-case hexadecimal digits; false when the
// file cannot be read.
bool FileSha256(const std::wstring& path, std::string& hex);

// A digest as the service may write it (64 hexadecimal digits, either case) in lower case;
// false for any other text.
bool NormalizeSha256(std::wstring_view text, std::string& hex);
