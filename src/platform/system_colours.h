#pragma once
// The desktop's system colours by their classic index (0 scroll bar ... 24 tooltip
// background), as 0x00BBGGRR values. Windows asks the system; Linux answers the classic
// Windows defaults, so that the portable rendering code is tested with fixed values.
#include <cstdint>

namespace platform {

uint32_t SystemColour(int index);

}  // namespace platform
