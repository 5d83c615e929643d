#pragma once
// The renderer's drawing surface on a GDI device context: fonts made from the styles,
// TextOutW with text justification, pens, fills and images (bitmaps, icons, strips).
#include <windows.h>

#include <utility>
#include <vector>

#include "controls/drawing_surface.h"

namespace controls {

class GdiSurface : public DrawingSurface {
  public:
    explicit GdiSurface(HDC dc);
    // Gives the device context back its font, colours and modes, and deletes the fonts.
    ~GdiSurface() override;
    GdiSurface(const GdiSurface&) = delete;
    GdiSurface& operator=(const GdiSurface&) = delete;

    TextExtent MeasureRun(const MarkupStyle& style, std::wstring_view text) override;
    int XHeight(const MarkupStyle& style) override;
    int PixelsPerInch() override;
    void SetTextJustification(int extra, int breaks) override;
    void DrawRun(const MarkupStyle& style, int x, int y, std::wstring_view text) override;
    void DrawLine(int x1, int y1, int x2, int y2, Colour colour, int width, PenStyle pen) override;
    void FillRect(const Rect& rect, Colour colour) override;
    void FillBackground(const Rect& rect, int effect, Colour first, Colour middle, Colour end,
                        int texture1, int texture2) override;
    std::optional<Size> ImageSize(const ImageRequest& image) override;
    void DrawImage(const ImageRequest& image, const Rect& place) override;
    std::wstring LoadResourceString(int id, std::wstring_view library) override;

    // The face name as GDI takes it: at most 31 characters, no surrogate pair cut.
    static std::wstring FaceName(std::wstring_view family);

  private:
    void SelectFontOf(const MarkupStyle& style);

    HDC dc_;
    HGDIOBJ originalFont_;
    int originalBackgroundMode_;
    COLORREF originalTextColour_;
    COLORREF originalBackgroundColour_;
    UINT originalTextAlign_;
    std::vector<std::pair<MarkupStyle, HFONT>> fonts_;
};

}  // namespace controls
