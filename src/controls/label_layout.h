#pragma once
// Where the label puts its text inside the client area, from the static control's style
// bits. Portable so that the placement rules are tested without a window.
#include <cstdint>

#include "controls/markup_style.h"

namespace controls {

inline constexpr uint32_t kStaticCenter = 0x1;
inline constexpr uint32_t kStaticRight = 0x2;
inline constexpr uint32_t kStaticNoWrapMask = 0xC;  // the two styles that never wrap
inline constexpr uint32_t kStaticCenterImage = 0x200;

// 0 (no wrapping) for the no-wrap styles, otherwise the client width less the margins
// and one pixel.
int LabelMaxWidth(const Rect& client, uint32_t style, int horizontalMargin);

// The text rectangle for a measured size.
Rect PlaceLabelText(const Rect& client, uint32_t style, int horizontalMargin, int verticalMargin,
                    Size measured);

}  // namespace controls
