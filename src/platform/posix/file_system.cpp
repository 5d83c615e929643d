#include "platform/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/text_codec.h"

namespace platform {

bool PathExists(const std::wstring& path) {
    struct stat st;
    return !path.empty() && stat(text::WideToSystem(path).c_str(), &st) == 0;
}

bool IsDirectory(const std::wstring& path) {
    struct stat st;
    return !path.empty() && stat(text::WideToSystem(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectoryLevel(const std::wstring& path) {
    if (mkdir(text::WideToSystem(path).c_str(), 0755) == 0)
        return true;
    return errno == EEXIST && IsDirectory(path);
}

bool RemoveFile(const std::wstring& path) {
    return unlink(text::WideToSystem(path).c_str()) == 0;
}

bool MoveFileOver(const std::wstring& from, const std::wstring& to) {
    return rename(text::WideToSystem(from).c_str(), text::WideToSystem(to).c_str()) == 0;
}

std::wstring GetTempDirectory() {
    const char* dir = std::getenv("TMPDIR");
    if (dir == nullptr || *dir == '\0')
        dir = "/tmp";
    return text::SystemToWide(dir);
}

}  // namespace platform
