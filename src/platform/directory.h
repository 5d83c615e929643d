#pragma once
// Directory listing and removal.
#include <string>
#include <vector>

namespace platform {

struct DirectoryEntry {
    std::wstring name;
    bool isDirectory = false;
    bool isSymlink = false;
};

// Entries of `dir` whose names match `pattern` ("*" any run, "?" one character), in the
// order the system returns them, without "." and "..". False when `dir` cannot be read.
bool ListDirectory(const std::wstring& dir, const std::wstring& pattern,
                   std::vector<DirectoryEntry>& entries);

// Removes a directory and everything below it; symbolic links are removed, not followed.
bool RemoveDirectoryTree(const std::wstring& path);

}  // namespace platform
