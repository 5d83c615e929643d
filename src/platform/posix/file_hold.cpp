#include "platform/file_hold.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace platform {

// Linux cannot forbid other processes to write a file. The hold therefore remembers the
// file's identity (device and inode), keeps a private copy of its bytes in the temporary
// directory, lets the extraction refuse the path, and puts the bytes back at release if
// a setup program wrote or replaced the file in the meantime. No descriptor stays open:
// a thousand holds must not use up the process's descriptors.
struct FileHold::State {
    bool held = false;
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    int64_t size = -1;
    std::wstring path;
    std::string backupPath;  // empty when no copy could be made
};

namespace {

constexpr size_t kChunk = 64 * 1024;

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

ssize_t ReadSome(int fd, char* data, size_t size) {
    for (;;) {
        const ssize_t n = read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

// Copies everything from `from` (read from its start) to `to`.
bool CopyContent(int from, int to) {
    if (lseek(from, 0, SEEK_SET) != 0)
        return false;
    std::vector<char> buffer(kChunk);
    for (;;) {
        const ssize_t n = ReadSome(from, buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!WriteAll(to, buffer.data(), static_cast<size_t>(n)))
            return false;
    }
}

// Fills `buffer` as far as the file allows; the count read, -1 on error.
ssize_t ReadFull(int fd, char* buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ReadSome(fd, buffer + got, size - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

bool SameContent(const std::string& a, const std::string& b) {
    const int fa = open(a.c_str(), O_RDONLY | O_CLOEXEC);
    const int fb = open(b.c_str(), O_RDONLY | O_CLOEXEC);
    bool same = fa >= 0 && fb >= 0;
    std::vector<char> ba(kChunk);
    std::vector<char> bb(kChunk);
    while (same) {
        const ssize_t na = ReadFull(fa, ba.data(), ba.size());
        const ssize_t nb = ReadFull(fb, bb.data(), bb.size());
        if (na < 0 || na != nb || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(na)) != 0)
            same = false;
        else if (na == 0)
            break;
    }
    if (fa >= 0)
        close(fa);
    if (fb >= 0)
        close(fb);
    return same;
}

// Writes the saved bytes to a file beside the target and renames it over the target, so
// that a failure never leaves a half-restored file.
bool Restore(const std::string& backup, const std::string& target, mode_t mode) {
    const int from = open(backup.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return false;
    // A new name of its own: a file already beside the target is never touched.
    std::string temp = target + ".restore-XXXXXX";
    const int to = mkostemp(temp.data(), O_CLOEXEC);
    if (to < 0) {
        close(from);
        return false;
    }
    bool ok = CopyContent(from, to);
    close(from);
    ok = fchmod(to, mode & 07777) == 0 && close(to) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

}  // namespace

FileHold::FileHold() : state_(std::make_unique<State>()) {}

FileHold::~FileHold() {
    Release();
}

bool FileHold::Hold(const std::wstring& path) {
    Release();
    const std::string narrow = text::WideToSystem(path);
    const int fd = open(narrow.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    state_->held = true;
    state_->device = st.st_dev;
    state_->inode = st.st_ino;
    state_->mode = st.st_mode;
    state_->size = st.st_size;
    state_->path = path;

    std::wstring tempDir = GetTempDirectory();
    std::string pattern = text::WideToSystem(tempDir) + "/installer-hold-XXXXXX";
    const int backup = mkostemp(pattern.data(), O_CLOEXEC);
    if (backup >= 0) {
        const bool copied = CopyContent(fd, backup);
        if (close(backup) == 0 && copied)
            state_->backupPath = pattern;
        else
            unlink(pattern.c_str());
    }
    close(fd);
    return true;
}

bool FileHold::IsHeld() const {
    return state_->held;
}

bool FileHold::HasCopy() const {
    return !state_->backupPath.empty();
}

const std::wstring& FileHold::Path() const {
    return state_->path;
}

int64_t FileHold::Size() const {
    return IsHeld() ? state_->size : -1;
}

bool FileHold::Covers(const std::wstring& path) const {
    if (!IsHeld())
        return false;
    struct stat st;
    return stat(text::WideToSystem(path).c_str(), &st) == 0 && st.st_dev == state_->device &&
           st.st_ino == state_->inode;
}

bool FileHold::Release() {
    if (!IsHeld())
        return true;
    bool ok = true;
    const std::string target = text::WideToSystem(state_->path);
    if (!state_->backupPath.empty()) {
        if (!SameContent(state_->backupPath, target))
            ok = Restore(state_->backupPath, target, state_->mode);
        unlink(state_->backupPath.c_str());
    }
    *state_ = State{};
    return ok;
}

}  // namespace platform
