#include "platform/disk_space.h"

#include <windows.h>

namespace platform {

bool GetVolumeRoot(const std::wstring& path, std::wstring& root) {
    root = path.substr(0, 3);
    return GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool GetFreeDiskBytes(const std::wstring& root, uint64_t& bytes) {
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree))
        return false;
    bytes = totalFree.QuadPart;
    return true;
}

}  // namespace platform
