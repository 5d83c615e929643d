#pragma once
// The one narrow interface between the rich-text renderer and whatever it draws on:
// GDI on Windows, a deterministic recording surface in the tests. Fonts are chosen from
// the style passed with each call; the surface may cache them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "controls/markup_style.h"

namespace controls {

struct TextExtent {
    int width = 0;
    int height = 0;
    int ascent = 0;
    int descent = 0;
};

enum class PenStyle { kSolid, kDashed, kDotted };

enum class ImageKind { kBitmap, kIcon, kImageList };

// Where an image comes from and how it is drawn. Sources are tried in the order resource,
// file, library resource, handle.
struct ImageRequest {
    ImageKind kind = ImageKind::kBitmap;
    int resourceId = 0;  // in the application's own module; 0: none
    std::wstring file;
    int libraryResourceId = 0;
    std::wstring library;
    uintptr_t handle = 0;  // an existing image, not freed by the surface
    int index = 0;         // image of a strip or image list
    int cellWidth = 0;     // size of one image of a strip; 0: the strip's height
    int cellHeight = 0;
    Colour mask = MakeColour(255, 0, 255);
    std::wstring effects;  // letters g (gray), d (darker), l (lighter), s (shadow)
    bool disabled = false;
};

// What laying out needs of a surface: font and image metrics, resource strings. The
// layout sees only this half, so it cannot draw.
class MeasuringSurface {
  public:
    virtual ~MeasuringSurface() = default;

    // Width, height, ascent and descent of a run in the style's font; an empty run gives
    // the font's metrics. The width includes the current text justification.
    virtual TextExtent MeasureRun(const MarkupStyle& style, std::wstring_view text) = 0;
    virtual int XHeight(const MarkupStyle& style) = 0;
    virtual int PixelsPerInch() = 0;
    // Spreads `extra` pixels over the next runs' `breaks` blanks; (0, 0) clears it.
    virtual void SetTextJustification(int extra, int breaks) = 0;

    // The image's own size (icons: the system icon size); nullopt when it cannot be had.
    virtual std::optional<Size> ImageSize(const ImageRequest& image) = 0;

    // A string resource (library empty: the application's own module); empty when missing.
    virtual std::wstring LoadResourceString(int id, std::wstring_view library) = 0;
};

class DrawingSurface : public MeasuringSurface {
  public:
    // (x, y) is the run's top-left corner.
    virtual void DrawRun(const MarkupStyle& style, int x, int y, std::wstring_view text) = 0;
    virtual void DrawLine(int x1, int y1, int x2, int y2, Colour colour, int width,
                          PenStyle pen) = 0;
    virtual void FillRect(const Rect& rect, Colour colour) = 0;
    virtual void FillBackground(const Rect& rect, int effect, Colour first, Colour middle,
                                Colour end, int texture1, int texture2) = 0;
    virtual void DrawImage(const ImageRequest& image, const Rect& place) = 0;
};

}  // namespace controls
