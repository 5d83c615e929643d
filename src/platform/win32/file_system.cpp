#include "platform/file_system.h"

#include <windows.h>

namespace platform {

bool PathExists(const std::wstring& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectoryLevel(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE || IsDirectory(path);
}

bool RemoveFile(const std::wstring& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

bool MoveFileOver(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::wstring GetTempDirectory() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH - 1, buffer);
    if (n == 0 || n >= MAX_PATH)
        return {};
    return std::wstring(buffer, n);
}

}  // namespace platform
