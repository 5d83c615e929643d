#include "platform/file_attributes.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_codec.h"

namespace platform {

bool ApplyFileAttributes(const std::wstring& path, uint32_t attributes) {
    if ((attributes & kAttributeReadOnly) == 0)
        return true;
    const std::string narrow = text::WideToSystem(path);
    struct stat st;
    if (stat(narrow.c_str(), &st) != 0)
        return false;
    return chmod(narrow.c_str(), st.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) ==
           0;
}

bool IsReadOnlyFile(const std::wstring& path) {
    struct stat st;
    return stat(text::WideToSystem(path).c_str(), &st) == 0 &&
           (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool IsSymbolicLink(const std::wstring& path) {
    struct stat st;
    return lstat(text::WideToSystem(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace platform
