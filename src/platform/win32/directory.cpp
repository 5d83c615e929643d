#include "platform/directory.h"

#include <windows.h>

namespace platform {

bool ListDirectory(const std::wstring& dir, const std::wstring& pattern,
                   std::vector<DirectoryEntry>& entries) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        DirectoryEntry entry;
        entry.name = name;
        entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isSymlink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool RemoveDirectoryTree(const std::wstring& path) {
    std::vector<DirectoryEntry> entries;
    ListDirectory(path, L"*", entries);
    bool ok = true;
    for (const auto& entry : entries) {
        const std::wstring full = path + L"\\" + entry.name;
        if (entry.isDirectory && !entry.isSymlink) {
            ok = RemoveDirectoryTree(full) && ok;
        } else {
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            ok = DeleteFileW(full.c_str()) != FALSE && ok;
        }
    }
    return RemoveDirectoryW(path.c_str()) != FALSE && ok;
}

}  // namespace platform
