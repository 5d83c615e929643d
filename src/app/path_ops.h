#pragma once
// Path operations shared by the subsystems. Paths from the install service use
// backslashes (rarpath, exename, icon, ...); the one rule for them lives here: on
// Windows "\" is the separator, on Linux both "\" and "/" are separators and "/" is
// written.
#include <string>

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// True for the characters this build treats as separators inside service values.
bool IsPathSeparator(wchar_t c);

// dir without leading and trailing separators, one separator, file without leading and
// trailing separators. On Linux an absolute dir stays absolute and every separator
// inside either part is written as "/".
std::wstring JoinPath(const std::wstring& dir, const std::wstring& file);

// The text after the last separator; empty when it has no "." or starts with one.
std::wstring GetFileNameOfPath(const std::wstring& path);

// True when the path exists; otherwise creates every missing directory up to the last
// separator (a final component without a trailing separator is not created).
bool EnsureDirectory(const std::wstring& path);

bool PathExists(const std::wstring& path);

std::wstring GetModulePath();
// The directory of the installer's own file, without a final separator.
std::wstring GetModuleDir();
