#pragma once
#include <string>

namespace platform {

// The current local time as "YYYY-MM-DD HH:MM:SS".
std::string LocalTimestamp();
// Sleeps the calling thread.
void SleepMilliseconds(unsigned milliseconds);

}  // namespace platform
