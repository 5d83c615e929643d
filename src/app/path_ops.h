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

// Whether a path or name the install service hands out (rarpath, filename, a shortcut's
// name, exename, icon, ...) stays below the directory it is joined to. Refused: a drive
// ("C:"), a UNC or device prefix (two leading separators), any parent component ("..",
// or dots with trailing dots or blanks, which Windows reads as ".."), and on Windows
// any ":" (a drive or an alternate data stream). One leading separator is the service's
// usual form ("\bin\") and stays below the directory, as JoinPath drops it. The empty
// text is confined (the directory itself).
bool IsConfinedServicePath(const std::wstring& value);

// The text after the last separator; empty when it has no "." or starts with one.
std::wstring GetFileNameOfPath(const std::wstring& path);

// True when the path exists; otherwise creates every missing directory up to the last
// separator (a final component without a trailing separator is not created).
bool EnsureDirectory(const std::wstring& path);

bool PathExists(const std::wstring& path);

std::wstring GetModulePath();
// The directory of the installer's own file, without a final separator.
std::wstring GetModuleDir();
