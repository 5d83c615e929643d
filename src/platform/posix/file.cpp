#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text_codec.h"

namespace platform {

File::File(File&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool File::Open(const std::wstring& path, Mode mode) {
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY;
            break;
        case Mode::Write:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case Mode::Append:
            flags |= O_WRONLY | O_CREAT | O_APPEND;
            break;
        case Mode::ReadWrite:
            flags |= O_RDWR | O_CREAT;
            break;
        case Mode::CreateNew:
            flags |= O_WRONLY | O_CREAT | O_EXCL;
            break;
        case Mode::WriteRegular:
        case Mode::AppendRegular:
            // Truncated only once it is known to be a regular file; non-blocking so that
            // a FIFO in its place cannot stall the open.
            flags |= O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK |
                     (mode == Mode::AppendRegular ? O_APPEND : 0);
            break;
    }
    fd_ = open(text::WideToSystem(path).c_str(), flags, 0644);
    if (fd_ >= 0 && (mode == Mode::WriteRegular || mode == Mode::AppendRegular)) {
        struct stat st;
        if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) ||
            (mode == Mode::WriteRegular && ftruncate(fd_, 0) != 0))
            Close();
    }
    if (fd_ >= 0 && mode == Mode::Read) {
        struct stat st;
        if (fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode))
            Close();
    }
    return fd_ >= 0;
}

bool File::IsOpen() const {
    return fd_ >= 0;
}

void File::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

int64_t File::Size() const {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

bool File::Write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool File::WriteAt(int64_t offset, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = pwrite(fd_, p, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        offset += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int64_t File::Read(void* data, size_t size) {
    for (;;) {
        const ssize_t n = read(fd_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

int64_t File::ReadAt(int64_t offset, void* data, size_t size) {
    for (;;) {
        const ssize_t n = pread(fd_, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

bool File::Truncate(int64_t size) {
    return fd_ >= 0 && ftruncate(fd_, size) == 0;
}

bool File::Flush() {
    return fd_ >= 0 && fdatasync(fd_) == 0;
}

}  // namespace platform
