#include "platform/clock.h"

#include <time.h>

namespace platform {

std::string LocalTimestamp() {
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char buffer[32];
    strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

void SleepMilliseconds(unsigned milliseconds) {
    struct timespec ts {
        static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L
    };
    while (nanosleep(&ts, &ts) != 0) {
    }
}

}  // namespace platform
