#include "platform/clock.h"

#include <windows.h>

#include <cstdio>

namespace platform {

std::string LocalTimestamp() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return buffer;
}

void SleepMilliseconds(unsigned milliseconds) {
    Sleep(milliseconds);
}

}  // namespace platform
