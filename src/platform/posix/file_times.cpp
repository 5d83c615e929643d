#include "platform/file_times.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "platform/text_codec.h"

namespace platform {

namespace {

uint64_t ToFileTime(const timespec& ts) {
    const int64_t seconds = static_cast<int64_t>(ts.tv_sec) + kFileTimeEpochOffsetSeconds;
    return static_cast<uint64_t>(seconds * kFileTimeUnitsPerSecond + ts.tv_nsec / 100);
}

timespec ToTimespec(uint64_t fileTime) {
    const int64_t units = static_cast<int64_t>(fileTime);
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(units / kFileTimeUnitsPerSecond - kFileTimeEpochOffsetSeconds);
    ts.tv_nsec = static_cast<long>(units % kFileTimeUnitsPerSecond) * 100;
    return ts;
}

}  // namespace

bool LocalDosTimeToFileTime(uint16_t dosDate, uint16_t dosTime, uint64_t& fileTime) {
    std::tm local{};
    local.tm_year = 80 + (dosDate >> 9);
    local.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
    local.tm_mday = dosDate & 0x1F;
    local.tm_hour = dosTime >> 11;
    local.tm_min = (dosTime >> 5) & 0x3F;
    local.tm_sec = 2 * (dosTime & 0x1F);
    local.tm_isdst = -1;
    // The same limits the Windows conversion applies: no normalising of impossible dates.
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
        local.tm_min > 59 || local.tm_sec > 59)
        return false;
    const time_t seconds = mktime(&local);
    if (seconds == static_cast<time_t>(-1))
        return false;
    fileTime = ToFileTime(timespec{seconds, 0});
    return true;
}

bool SetFileTimes(const std::wstring& path, const FileTimes& times) {
    const timespec both[2] = {ToTimespec(times.access), ToTimespec(times.modification)};
    return utimensat(AT_FDCWD, text::WideToSystem(path).c_str(), both, 0) == 0;
}

bool GetFileTimes(const std::wstring& path, FileTimes& times) {
    struct stat st;
    if (stat(text::WideToSystem(path).c_str(), &st) != 0)
        return false;
    times.creation = 0;
    times.access = ToFileTime(st.st_atim);
    times.modification = ToFileTime(st.st_mtim);
    return true;
}

}  // namespace platform
