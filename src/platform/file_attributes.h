#pragma once
// Windows attribute bits on files, and whether a path is a symbolic link.
#include <cstdint>
#include <string>

namespace platform {

inline constexpr uint32_t kAttributeReadOnly = 0x1;
inline constexpr uint32_t kAttributeHidden = 0x2;
inline constexpr uint32_t kAttributeSystem = 0x4;
inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeArchive = 0x20;

// Windows sets read-only, hidden, system and archive; Linux has only read-only, which
// takes the write permissions away.
bool ApplyFileAttributes(const std::wstring& path, uint32_t attributes);
// True when the file is read-only (Windows attribute, or no write permission on Linux).
bool IsReadOnlyFile(const std::wstring& path);

// True when the path itself is a symbolic link (or, on Windows, any reparse point such
// as a junction), whether or not its target exists.
bool IsSymbolicLink(const std::wstring& path);

}  // namespace platform
