#pragma once
// Background fills on a device context: solid, the 64-band gradients and the textured
// fills, from the portable fill arithmetic.
#include <windows.h>

#include "controls/markup_style.h"

namespace controls {

class CZvDrawManager {
  public:
    static void FillBackground(HDC dc, const RECT& rect, int effect, Colour first, Colour middle,
                               Colour end, int texture1, int texture2);
    static void FillSolid(HDC dc, const RECT& rect, Colour colour);
};

}  // namespace controls
