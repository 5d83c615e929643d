#include "platform/file.h"

#include <windows.h>

namespace platform {

File::File(File&& other) noexcept : handle_(other.handle_) {
    other.handle_ = INVALID_HANDLE_VALUE;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}

bool File::Open(const std::wstring& path, Mode mode) {
    Close();
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case Mode::Read:
            break;
        case Mode::Write:
        case Mode::WriteRegular:
            access = GENERIC_WRITE, disposition = CREATE_ALWAYS;
            break;
        case Mode::Append:
        case Mode::AppendRegular:
            access = FILE_APPEND_DATA, disposition = OPEN_ALWAYS;
            break;
        case Mode::CreateNew:
            access = GENERIC_WRITE, disposition = CREATE_NEW;
            break;
        case Mode::ReadWrite:
            access = GENERIC_READ | GENERIC_WRITE, disposition = OPEN_ALWAYS;
            break;
    }
    handle_ = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool File::IsOpen() const {
    return handle_ != INVALID_HANDLE_VALUE;
}

void File::Close() {
    if (IsOpen())
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

int64_t File::Size() const {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(handle_, &size))
        return -1;
    return size.QuadPart;
}

bool File::Write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle_, p, chunk, &written, nullptr) || written == 0)
            return false;
        p += written;
        size -= written;
    }
    return true;
}

bool File::WriteAt(int64_t offset, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
        DWORD written = 0;
        if (!WriteFile(handle_, p, chunk, &written, &at) || written == 0)
            return false;
        p += written;
        offset += written;
        size -= written;
    }
    return true;
}

int64_t File::Read(void* data, size_t size) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(handle_, data, chunk, &got, nullptr))
        return -1;
    return got;
}

int64_t File::ReadAt(int64_t offset, void* data, size_t size) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD got = 0;
    if (!ReadFile(handle_, data, chunk, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return got;
}

bool File::Truncate(int64_t size) {
    LARGE_INTEGER to;
    to.QuadPart = size;
    return IsOpen() && SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) && SetEndOfFile(handle_);
}

bool File::Flush() {
    return IsOpen() && FlushFileBuffers(handle_) != FALSE;
}

}  // namespace platform
