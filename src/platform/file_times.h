#pragma once
// File times in the Windows FILETIME unit: 100-nanosecond intervals since 1601-01-01 UTC.
#include <cstdint>
#include <string>

namespace platform {

// Seconds between 1601-01-01 and 1970-01-01, and FILETIME units per second.
inline constexpr int64_t kFileTimeEpochOffsetSeconds = 11644473600LL;
inline constexpr int64_t kFileTimeUnitsPerSecond = 10000000LL;

struct FileTimes {
    uint64_t creation = 0;  // 0 where the system keeps no creation time (Linux)
    uint64_t access = 0;
    uint64_t modification = 0;
};

// An MS-DOS date and time read as local time, as UTC FILETIME; false for an impossible
// date.
bool LocalDosTimeToFileTime(uint16_t dosDate, uint16_t dosTime, uint64_t& fileTime);

// Sets the times of a file; Linux has no settable creation time and ignores it.
bool SetFileTimes(const std::wstring& path, const FileTimes& times);
bool GetFileTimes(const std::wstring& path, FileTimes& times);

}  // namespace platform
