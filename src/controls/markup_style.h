#pragma once
// The style record of the rich-text label: what one run of text looks like. Colours are
// 0x00BBGGRR values, as the Windows drawing calls take them.
#include <cstdint>
#include <string>

namespace controls {

using Colour = uint32_t;

constexpr Colour MakeColour(uint32_t red, uint32_t green, uint32_t blue) {
    return red | (green << 8) | (blue << 16);
}
constexpr uint32_t RedOf(Colour c) {
    return c & 0xFF;
}
constexpr uint32_t GreenOf(Colour c) {
    return (c >> 8) & 0xFF;
}
constexpr uint32_t BlueOf(Colour c) {
    return (c >> 16) & 0xFF;
}

enum class HorizontalAlign { kLeft = 0, kCenter = 1, kRight = 2, kJustify = 3 };
enum class VerticalAlign { kTop = 0, kMiddle = 1, kBottom = 2, kBaseline = 3 };
enum class BorderStyle { kNone = 0, kSolid = 1, kDashed = 2, kDotted = 3, kDouble = 6 };
enum class TextTransform { kNone = 0, kUppercase = 1, kLowercase = 2, kCapitalize = 3 };
enum class LinkKind { kNone = 0, kAddress = 1, kMessage = 2 };

struct MarkupStyle {
    std::wstring group;
    int size = 16;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool overline = false;
    std::wstring family = L"Verdana";
    Colour colour = 0;
    Colour backgroundColour = MakeColour(255, 255, 255);
    Colour borderLight = 0;
    Colour borderDark = 0;
    Colour backgroundMiddle = MakeColour(255, 255, 255);
    Colour backgroundEnd = MakeColour(255, 255, 255);
    bool opaqueBackground = false;
    int backgroundEffect = -1;
    std::wstring backgroundImage;
    HorizontalAlign horizontalAlign = HorizontalAlign::kLeft;
    VerticalAlign verticalAlign = VerticalAlign::kBaseline;
    BorderStyle borderStyle = BorderStyle::kNone;
    int borderWidth = 0;
    int width = 0;
    int height = 0;
    TextTransform textTransform = TextTransform::kNone;
    int margin = 2;
    int padding = 0;
    LinkKind linkKind = LinkKind::kNone;
    std::wstring linkTarget;

    // The fields a font is made from: two styles with equal fonts share one font object.
    bool SameFont(const MarkupStyle& other) const {
        return size == other.size && weight == other.weight && italic == other.italic &&
               underline == other.underline && strikeOut == other.strikeOut &&
               family == other.family;
    }
};

struct Point {
    int x = 0;
    int y = 0;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// Right and bottom are exclusive, as in the Windows drawing calls.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

}  // namespace controls
