#include "platform/file_times.h"

#include <windows.h>

namespace platform {

namespace {

FILETIME ToFiletime(uint64_t value) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFF);
    ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return ft;
}

uint64_t FromFiletime(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

}  // namespace

bool LocalDosTimeToFileTime(uint16_t dosDate, uint16_t dosTime, uint64_t& fileTime) {
    FILETIME local;
    FILETIME utc;
    if (!DosDateTimeToFileTime(dosDate, dosTime, &local) || !LocalFileTimeToFileTime(&local, &utc))
        return false;
    fileTime = FromFiletime(utc);
    return true;
}

bool SetFileTimes(const std::wstring& path, const FileTimes& times) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const FILETIME creation = ToFiletime(times.creation);
    const FILETIME access = ToFiletime(times.access);
    const FILETIME modification = ToFiletime(times.modification);
    const BOOL ok = SetFileTime(file, &creation, &access, &modification);
    CloseHandle(file);
    return ok != FALSE;
}

bool GetFileTimes(const std::wstring& path, FileTimes& times) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    times.creation = FromFiletime(data.ftCreationTime);
    times.access = FromFiletime(data.ftLastAccessTime);
    times.modification = FromFiletime(data.ftLastWriteTime);
    return true;
}

}  // namespace platform
