#include "controls/background_fill.h"

#include <gtest/gtest.h>

namespace controls {
namespace {

TEST(GradientBands, SixtyFourBandsWithTheFormulasColours) {
    const Colour from = MakeColour(0, 0, 0);
    const Colour to = MakeColour(255, 128, 64);
    const auto bands = GradientBands({10, 0, 138, 5}, kEffectHorizontalGradient, from, 0, to);
    ASSERT_EQ(bands.size(), 64u);
    EXPECT_EQ(bands[0].rect, (Rect{10, 0, 12, 5}));
    EXPECT_EQ(bands[0].colour, from);
    EXPECT_EQ(bands[63].rect, (Rect{136, 0, 138, 5}));
    EXPECT_EQ(bands[32].colour, MakeColour(255 * 32 / 64, 128 * 32 / 64, 64 * 32 / 64));
    EXPECT_EQ(bands[63].colour, MakeColour(255 * 63 / 64, 128 * 63 / 64, 64 * 63 / 64));
}

TEST(GradientBands, EmptyBandsAreSkippedAndHalvesSplitInTheMiddle) {
    const Colour a = MakeColour(255, 0, 0);
    const Colour m = MakeColour(0, 255, 0);
    const Colour b = MakeColour(0, 0, 255);
    EXPECT_EQ(GradientBands({0, 0, 10, 10}, kEffectVerticalGradient, a, m, b).size(), 10u);
    const auto centre = GradientBands({0, 0, 10, 256}, kEffectVerticalCentreGradient, a, m, b);
    ASSERT_EQ(centre.size(), 128u);
    EXPECT_EQ(centre[63].rect.bottom, 128);
    EXPECT_EQ(centre[64].rect, (Rect{0, 128, 10, 130}));
    EXPECT_EQ(centre[64].colour, b);  // the second half runs back from the end colour
    const auto three =
        GradientBands({0, 0, 256, 10}, kEffectHorizontalThreeColourGradient, a, m, b);
    EXPECT_EQ(three[64].colour, m);
    EXPECT_EQ(three[127].colour, BandColour(m, b, 63));
    EXPECT_TRUE(GradientBands({0, 0, 10, 10}, kEffectSolid, a, m, b).empty());
    EXPECT_TRUE(GradientBands({0, 0, 10, 10}, kEffectNoise, a, m, b).empty());
}

TEST(TextureFill, EveryTextureGivesAPatternOfTheRectanglesSizeFromThePalette) {
    const Colour first = MakeColour(0, 0, 0);
    const Colour middle = MakeColour(128, 128, 128);
    const Colour end = MakeColour(255, 255, 255);
    for (int effect = kEffectNoise; effect <= kEffectMetal; ++effect) {
        const auto pattern = TextureFill(effect, {40, 30}, first, middle, end, 5, 5);
        ASSERT_TRUE(pattern.has_value()) << effect;
        EXPECT_EQ(pattern->pixels.size(), 40u * 30u) << effect;
        EXPECT_EQ(pattern->palette.front(), first);
        EXPECT_EQ(pattern->palette[128], middle);
        EXPECT_EQ(pattern->palette.back(), end);
        // Not flat: a texture has more than one level.
        const auto [low, high] =
            std::minmax_element(pattern->pixels.begin(), pattern->pixels.end());
        EXPECT_LT(*low, *high) << effect;
    }
    // The hard bump is light at its top-left edge and dark at its bottom-right edge.
    const auto bump = TextureFill(kEffectHardBump, {40, 30}, first, middle, end, 5, 5);
    EXPECT_EQ(bump->pixels[0], 255);
    EXPECT_EQ(bump->pixels.back(), 0);
    EXPECT_FALSE(TextureFill(kEffectSolid, {4, 4}, first, middle, end, 5, 5).has_value());
    EXPECT_FALSE(TextureFill(kEffectNoise, {0, 4}, first, middle, end, 5, 5).has_value());
}

}  // namespace
}  // namespace controls
