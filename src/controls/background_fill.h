#pragma once
// The arithmetic of the background fills: the 64 colour bands of the gradients and the
// 8-bit patterns of the textured fills. Drawing them is the platform's part.
#include <cstdint>
#include <optional>
#include <vector>

#include "controls/markup_style.h"

namespace controls {

// Effect numbers of the fills (the bgeffect values).
enum BackgroundEffect {
    kEffectSolid = 0,
    kEffectHorizontalGradient = 1,
    kEffectVerticalGradient = 2,
    kEffectHorizontalCentreGradient = 3,
    kEffectVerticalCentreGradient = 4,
    kEffectHorizontalThreeColourGradient = 5,
    kEffectVerticalThreeColourGradient = 6,
    kEffectNoise = 7,
    kEffectDiagonalShade = 8,
    kEffectHorizontalShade = 9,
    kEffectVerticalShade = 10,
    kEffectHorizontalBump = 11,
    kEffectVerticalBump = 12,
    kEffectSoftBump = 13,
    kEffectHardBump = 14,
    kEffectMetal = 15,
};

inline constexpr int kGradientBands = 64;

struct ColourBand {
    Rect rect;
    Colour colour = 0;
};

// The bands of the gradient effects 1 to 6 (empty bands skipped); empty for any other
// effect.
std::vector<ColourBand> GradientBands(const Rect& rect, int effect, Colour first, Colour middle,
                                      Colour end);

// Colour i of 64 bands from `from` to `to`.
Colour BandColour(Colour from, Colour to, int band);

// An 8-bit picture: one palette index per pixel, rows top to bottom.
struct TexturePattern {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    std::vector<Colour> palette;  // 256 entries
};

// The textured fills 7 to 15; nullopt for any other effect or an empty size. The palette
// runs from the first colour (index 0) over the middle one (128) to the end colour (255);
// `grain` (at least 1) sets the size of the pattern's features, `depth` its contrast.
std::optional<TexturePattern> TextureFill(int effect, Size size, Colour first, Colour middle,
                                          Colour end, int grain, int depth);

}  // namespace controls
