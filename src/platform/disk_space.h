#pragma once
// Free space and volume roots for the directory checks of the path page.
#include <cstdint>
#include <string>

namespace platform {

// The root of the volume that would hold `path`: its first three characters ("C:\") on
// Windows; on Linux the mount point of the file system holding the nearest existing
// ancestor of an absolute path. False when there is none (a relative path on Linux).
bool GetVolumeRoot(const std::wstring& path, std::wstring& root);

// Free bytes of the volume whose root is given (all free bytes, not the caller's quota).
// False when the system cannot tell.
bool GetFreeDiskBytes(const std::wstring& root, uint64_t& bytes);

}  // namespace platform
