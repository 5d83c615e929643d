#include "controls/win32/zv_draw_manager.h"

#include <vector>

#include "controls/background_fill.h"

namespace controls {

void CZvDrawManager::FillSolid(HDC dc, const RECT& rect, Colour colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    ::FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void CZvDrawManager::FillBackground(HDC dc, const RECT& rect, int effect, Colour first,
                                    Colour middle, Colour end, int texture1, int texture2) {
    const Rect area{rect.left, rect.top, rect.right, rect.bottom};
    if (effect >= kEffectHorizontalGradient && effect <= kEffectVerticalThreeColourGradient) {
        for (const ColourBand& band : GradientBands(area, effect, first, middle, end)) {
            const RECT bandRect{band.rect.left, band.rect.top, band.rect.right, band.rect.bottom};
            FillSolid(dc, bandRect, band.colour);
        }
        return;
    }
    const auto pattern =
        TextureFill(effect, {area.Width(), area.Height()}, first, middle, end, texture1, texture2);
    if (!pattern) {
        FillSolid(dc, rect, first);
        return;
    }
    // An 8-bit bottom-up DIB: rows padded to four bytes, the palette as RGBQUADs.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = pattern->width;
    info.header.biHeight = -pattern->height;  // top-down
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) {
        const Colour c = pattern->palette[static_cast<size_t>(i)];
        info.colours[i] = {static_cast<BYTE>(BlueOf(c)), static_cast<BYTE>(GreenOf(c)),
                           static_cast<BYTE>(RedOf(c)), 0};
    }
    const size_t stride = (static_cast<size_t>(pattern->width) + 3) & ~size_t{3};
    std::vector<BYTE> rows(stride * static_cast<size_t>(pattern->height));
    for (int y = 0; y < pattern->height; ++y) {
        for (int x = 0; x < pattern->width; ++x) {
            rows[static_cast<size_t>(y) * stride + static_cast<size_t>(x)] =
                pattern->pixels[static_cast<size_t>(y) * static_cast<size_t>(pattern->width) +
                                static_cast<size_t>(x)];
        }
    }
    SetDIBitsToDevice(dc, rect.left, rect.top, static_cast<DWORD>(pattern->width),
                      static_cast<DWORD>(pattern->height), 0, 0, 0,
                      static_cast<UINT>(pattern->height), rows.data(),
                      reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
}

}  // namespace controls
