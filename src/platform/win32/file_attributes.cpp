#include "platform/file_attributes.h"

#include <windows.h>

namespace platform {

bool ApplyFileAttributes(const std::wstring& path, uint32_t attributes) {
    DWORD bits = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if (bits == 0)
        bits = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(path.c_str(), bits) != FALSE;
}

bool IsReadOnlyFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool IsSymbolicLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace platform
