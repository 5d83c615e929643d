#include "controls/background_fill.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace controls {

namespace {

// One gradient of 64 bands over [start, start + size) along x (horizontal) or y.
void AddBands(std::vector<ColourBand>& bands, const Rect& rect, bool horizontal, int start,
              int size, Colour from, Colour to) {
    for (int i = 0; i < kGradientBands; ++i) {
        const int begin = start + i * size / kGradientBands;
        const int stop = start + (i + 1) * size / kGradientBands;
        if (stop <= begin)
            continue;
        ColourBand band;
        band.rect = horizontal ? Rect{begin, rect.top, stop, rect.bottom}
                               : Rect{rect.left, begin, rect.right, stop};
        band.colour = BandColour(from, to, i);
        bands.push_back(band);
    }
}

uint32_t Mix(uint32_t from, uint32_t to, int step, int steps) {
    return (from * static_cast<uint32_t>(steps - step) + to * static_cast<uint32_t>(step)) /
           static_cast<uint32_t>(steps);
}

Colour MixColour(Colour from, Colour to, int step, int steps) {
    return MakeColour(Mix(RedOf(from), RedOf(to), step, steps),
                      Mix(GreenOf(from), GreenOf(to), step, steps),
                      Mix(BlueOf(from), BlueOf(to), step, steps));
}

// A small deterministic generator: the same rectangle always gets the same texture.
class Noise {
  public:
    explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    int Next(int range) {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int>((state_ >> 8) % static_cast<uint32_t>(std::max(range, 1)));
    }

  private:
    uint32_t state_;
};

uint8_t ToIndex(double value) {
    return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
}

}  // namespace

Colour BandColour(Colour from, Colour to, int band) {
    return MixColour(from, to, band, kGradientBands);
}

std::vector<ColourBand> GradientBands(const Rect& rect, int effect, Colour first, Colour middle,
                                      Colour end) {
    std::vector<ColourBand> bands;
    const bool horizontal = effect == kEffectHorizontalGradient ||
                            effect == kEffectHorizontalCentreGradient ||
                            effect == kEffectHorizontalThreeColourGradient;
    const int start = horizontal ? rect.left : rect.top;
    const int size = horizontal ? rect.Width() : rect.Height();
    const int half = size / 2;
    switch (effect) {
        case kEffectHorizontalGradient:
        case kEffectVerticalGradient:
            AddBands(bands, rect, horizontal, start, size, first, end);
            break;
        case kEffectHorizontalCentreGradient:
        case kEffectVerticalCentreGradient:
            AddBands(bands, rect, horizontal, start, half, first, end);
            AddBands(bands, rect, horizontal, start + half, size - half, end, first);
            break;
        case kEffectHorizontalThreeColourGradient:
        case kEffectVerticalThreeColourGradient:
            AddBands(bands, rect, horizontal, start, half, first, middle);
            AddBands(bands, rect, horizontal, start + half, size - half, middle, end);
            break;
        default:
            break;
    }
    return bands;
}

std::optional<TexturePattern> TextureFill(int effect, Size size, Colour first, Colour middle,
                                          Colour end, int grain, int depth) {
    if (effect < kEffectNoise || effect > kEffectMetal || size.width <= 0 || size.height <= 0)
        return std::nullopt;
    grain = std::clamp(grain, 1, 64);
    depth = std::clamp(depth, 0, 64);
    TexturePattern pattern;
    pattern.width = size.width;
    pattern.height = size.height;
    pattern.pixels.resize(static_cast<size_t>(size.width) * static_cast<size_t>(size.height));
    pattern.palette.resize(256);
    for (int i = 0; i < 256; ++i) {
        pattern.palette[static_cast<size_t>(i)] =
            i < 128 ? MixColour(first, middle, i, 128) : MixColour(middle, end, i - 128, 127);
    }
    const double pi = std::numbers::pi;
    const double w = size.width;
    const double h = size.height;
    Noise noise(static_cast<uint32_t>(size.width * 31 + size.height));
    // Rows of the metal texture: one grey level per streak of `grain` rows.
    std::vector<int> streaks(static_cast<size_t>(size.height / grain + 1));
    for (int& streak : streaks)
        streak = 96 + noise.Next(64);
    const int jitter = 2 * depth + 1;
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            double value = 128;
            switch (effect) {
                case kEffectNoise:
                    value = 128 + (noise.Next(2 * grain * 8 + 1) - grain * 8);
                    break;
                case kEffectDiagonalShade:
                    value = 255.0 * (x + y) / (w + h);
                    break;
                case kEffectHorizontalShade:
                    value = 255.0 * x / w + noise.Next(jitter) - depth;
                    break;
                case kEffectVerticalShade:
                    value = 255.0 * y / h + noise.Next(jitter) - depth;
                    break;
                case kEffectHorizontalBump:
                    value = 255.0 * std::sin(pi * (x + 0.5) / w);
                    break;
                case kEffectVerticalBump:
                    value = 255.0 * std::sin(pi * (y + 0.5) / h);
                    break;
                case kEffectSoftBump:
                    value = 255.0 * std::sin(pi * (x + 0.5) / w) * std::sin(pi * (y + 0.5) / h);
                    break;
                case kEffectHardBump: {
                    // A raised plate: light top and left edges, dark bottom and right ones.
                    const int edge = grain;
                    if (x < edge || y < edge)
                        value = 255;
                    else if (x >= size.width - edge || y >= size.height - edge)
                        value = 0;
                    break;
                }
                case kEffectMetal:
                    value = streaks[static_cast<size_t>(y / grain)] + 32.0 * x / w +
                            noise.Next(jitter) - depth;
                    break;
                default:
                    break;
            }
            pattern.pixels[static_cast<size_t>(y) * static_cast<size_t>(size.width) +
                           static_cast<size_t>(x)] = ToIndex(value);
        }
    }
    return pattern;
}

}  // namespace controls
