#pragma once
// File-system queries and changes that the logic needs, by wide path.
#include <cstdint>
#include <string>

namespace platform {

bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
// Creates one directory level; true when it exists as a directory afterwards.
bool CreateDirectoryLevel(const std::wstring& path);
bool RemoveFile(const std::wstring& path);
// Moves `from` over `to` in one step, replacing an existing `to`.
bool MoveFileOver(const std::wstring& from, const std::wstring& to);
// The user's temporary directory as the system reports it; empty when unknown.
std::wstring GetTempDirectory();

}  // namespace platform
