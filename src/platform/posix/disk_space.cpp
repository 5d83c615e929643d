#include "platform/disk_space.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include "platform/text_codec.h"

namespace platform {
namespace {

// The path itself when it exists, else its nearest existing ancestor.
std::string NearestExisting(std::string path) {
    struct stat st;
    while (!path.empty() && stat(path.c_str(), &st) != 0) {
        const size_t slash = path.find_last_of('/');
        path = slash == 0 ? "/" : path.substr(0, slash == std::string::npos ? 0 : slash);
    }
    return path;
}

}  // namespace

bool GetVolumeRoot(const std::wstring& path, std::wstring& root) {
    root.clear();
    if (path.empty() || (path[0] != L'/' && path[0] != L'\\'))
        return false;
    std::string current = NearestExisting(text::WideToSystem(path));
    struct stat st;
    if (current.empty() || stat(current.c_str(), &st) != 0)
        return false;
    // Climb while the parent lives on the same device: the last one is the mount point.
    while (current != "/") {
        const size_t slash = current.find_last_of('/');
        const std::string parent = slash == 0 ? "/" : current.substr(0, slash);
        struct stat parentStat;
        if (stat(parent.c_str(), &parentStat) != 0 || parentStat.st_dev != st.st_dev)
            break;
        current = parent;
    }
    root = text::SystemToWide(current);
    return true;
}

bool GetFreeDiskBytes(const std::wstring& root, uint64_t& bytes) {
    struct statvfs info;
    const std::string path = NearestExisting(text::WideToSystem(root));
    if (path.empty() || statvfs(path.c_str(), &info) != 0)
        return false;
    bytes = static_cast<uint64_t>(info.f_bfree) * info.f_frsize;
    return true;
}

}  // namespace platform
