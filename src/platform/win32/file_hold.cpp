#include "platform/file_hold.h"

#include <windows.h>

#include <cwctype>

namespace platform {

// Windows enforces the hold itself: the handle is opened with no sharing, so no other
// opener can write, rename or delete the file while it lives.
struct FileHold::State {
    HANDLE handle = INVALID_HANDLE_VALUE;
    int64_t size = -1;
    std::wstring path;
    std::wstring fullPath;  // for Covers: Windows paths compare without regard to case
};

namespace {

std::wstring FullLowerPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
    std::wstring full = (n == 0 || n >= MAX_PATH * 2) ? path : std::wstring(buffer, n);
    for (auto& c : full) {
        if (c == L'/')
            c = L'\\';
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return full;
}

}  // namespace

FileHold::FileHold() : state_(std::make_unique<State>()) {}

FileHold::~FileHold() {
    Release();
}

bool FileHold::Hold(const std::wstring& path) {
    Release();
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        return false;
    }
    state_->handle = handle;
    state_->size = size.QuadPart;
    state_->path = path;
    state_->fullPath = FullLowerPath(path);
    return true;
}

bool FileHold::IsHeld() const {
    return state_->handle != INVALID_HANDLE_VALUE;
}

bool FileHold::HasCopy() const {
    return IsHeld();  // the exclusive handle itself keeps the file as it is
}

const std::wstring& FileHold::Path() const {
    return state_->path;
}

int64_t FileHold::Size() const {
    return IsHeld() ? state_->size : -1;
}

bool FileHold::Covers(const std::wstring& path) const {
    return IsHeld() && FullLowerPath(path) == state_->fullPath;
}

bool FileHold::Release() {
    if (IsHeld())
        CloseHandle(state_->handle);
    *state_ = State{};
    return true;
}

}  // namespace platform
