#pragma once
// A deterministic drawing surface for the renderer's tests: every character advances half
// the font size, a font of size S is S high with ascent 3S/4, and everything drawn is
// recorded, with the order of the calls.
#include <algorithm>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "controls/drawing_surface.h"

namespace controls::testing {

struct DrawnRun {
    std::wstring text;
    int x = 0;
    int y = 0;
    int width = 0;
    MarkupStyle style;
};

struct DrawnLine {
    int x1, y1, x2, y2;
    Colour colour;
    int width;
    PenStyle pen;
};

struct DrawnImage {
    ImageRequest image;
    Rect place;
};

struct FilledBackground {
    Rect rect;
    int effect;
    Colour first;
};

class RecordingSurface : public DrawingSurface {
  public:
    static int Advance(const MarkupStyle& style) { return style.size / 2; }
    static int Ascent(int size) { return size * 3 / 4; }

    TextExtent MeasureRun(const MarkupStyle& style, std::wstring_view text) override {
        ++measures;
        TextExtent extent;
        extent.width = static_cast<int>(text.size()) * Advance(style);
        const int blanks = static_cast<int>(std::count(text.begin(), text.end(), L' '));
        if (breaks_ > 0 && blanks > 0)
            extent.width += extra_ * std::min(blanks, breaks_) / breaks_;
        extent.height = style.size;
        extent.ascent = Ascent(style.size);
        extent.descent = style.size - extent.ascent;
        return extent;
    }
    int XHeight(const MarkupStyle& style) override { return style.size / 2; }
    int PixelsPerInch() override { return 96; }
    void SetTextJustification(int extra, int breaks) override {
        extra_ = extra;
        breaks_ = breaks;
    }
    void DrawRun(const MarkupStyle& style, int x, int y, std::wstring_view text) override {
        calls += L'r';
        runs.push_back({std::wstring(text), x, y, MeasureRun(style, text).width, style});
    }
    void DrawLine(int x1, int y1, int x2, int y2, Colour colour, int width, PenStyle pen) override {
        calls += L'l';
        lines.push_back({x1, y1, x2, y2, colour, width, pen});
    }
    void FillRect(const Rect& rect, Colour colour) override {
        calls += L'f';
        fills.push_back({rect, 0, colour});
    }
    void FillBackground(const Rect& rect, int effect, Colour first, Colour, Colour, int,
                        int) override {
        calls += L'f';
        fills.push_back({rect, effect, first});
    }
    // Image files are named by their size: "40x20.bmp"; icons are 32 x 32.
    std::optional<Size> ImageSize(const ImageRequest& image) override {
        if (image.kind == ImageKind::kIcon)
            return Size{32, 32};
        int width = 0;
        int height = 0;
        if (std::swscanf(image.file.c_str(), L"%dx%d", &width, &height) != 2)
            return std::nullopt;
        return Size{width, height};
    }
    void DrawImage(const ImageRequest& image, const Rect& place) override {
        calls += L'i';
        images.push_back({image, place});
    }
    std::wstring LoadResourceString(int id, std::wstring_view library) override {
        const auto found = strings.find({id, std::wstring(library)});
        return found == strings.end() ? std::wstring() : found->second;
    }

    // The runs drawn, joined by "|".
    std::wstring RunTexts() const {
        std::wstring joined;
        for (const DrawnRun& run : runs)
            joined += (joined.empty() ? L"" : L"|") + run.text;
        return joined;
    }

    std::vector<DrawnRun> runs;
    std::vector<DrawnLine> lines;
    std::vector<FilledBackground> fills;
    std::vector<DrawnImage> images;
    std::map<std::pair<int, std::wstring>, std::wstring> strings;
    int measures = 0;
    // One letter per drawing call in order: r run, l line, f fill, i image.
    std::wstring calls;

  private:
    int extra_ = 0;
    int breaks_ = 0;
};

}  // namespace controls::testing
