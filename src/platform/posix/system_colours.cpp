#include "platform/system_colours.h"

#include <array>
#include <cstddef>

namespace platform {

namespace {
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// The classic Windows scheme, index by index.
constexpr std::array<uint32_t, 31> kClassic = {
    Rgb(212, 208, 200),  //  0 scroll bar
    Rgb(58, 110, 165),   //  1 background
    Rgb(10, 36, 106),    //  2 active caption
    Rgb(128, 128, 128),  //  3 inactive caption
    Rgb(212, 208, 200),  //  4 menu
    Rgb(255, 255, 255),  //  5 window
    Rgb(0, 0, 0),        //  6 window frame
    Rgb(0, 0, 0),        //  7 menu text
    Rgb(0, 0, 0),        //  8 window text
    Rgb(255, 255, 255),  //  9 caption text
    Rgb(212, 208, 200),  // 10 active border
    Rgb(212, 208, 200),  // 11 inactive border
    Rgb(128, 128, 128),  // 12 application workspace
    Rgb(10, 36, 106),    // 13 highlight
    Rgb(255, 255, 255),  // 14 highlight text
    Rgb(212, 208, 200),  // 15 button face
    Rgb(128, 128, 128),  // 16 button shadow
    Rgb(128, 128, 128),  // 17 gray text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(212, 208, 200),  // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 button highlight
    Rgb(64, 64, 64),     // 21 3D dark shadow
    Rgb(212, 208, 200),  // 22 3D light
    Rgb(0, 0, 0),        // 23 tooltip text
    Rgb(255, 255, 225),  // 24 tooltip background
    Rgb(181, 181, 181),  // 25 (unused)
    Rgb(0, 0, 128),      // 26 hot-tracking
    Rgb(166, 202, 240),  // 27 gradient active caption
    Rgb(192, 192, 192),  // 28 gradient inactive caption
    Rgb(49, 106, 197),   // 29 menu highlight
    Rgb(236, 233, 216),  // 30 menu bar
};
}  // namespace

uint32_t SystemColour(int index) {
    if (index < 0 || index >= static_cast<int>(kClassic.size()))
        return 0;
    return kClassic[static_cast<std::size_t>(index)];
}

}  // namespace platform
