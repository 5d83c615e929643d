#include "platform/system_colours.h"

#include <windows.h>

namespace platform {

uint32_t SystemColour(int index) {
    return static_cast<uint32_t>(GetSysColor(index));
}

}  // namespace platform
