#include "controls/markup_values.h"

#include <gtest/gtest.h>

#include "platform/system_colours.h"

namespace controls {
namespace {

TEST(ParseColour, ReadsHexNumbersAndNames) {
    const ColourNames names;
    const struct {
        const wchar_t* value;
        std::optional<Colour> expected;
    } cases[] = {
        {L"#ff0000", MakeColour(255, 0, 0)},
        {L"#FF9900", MakeColour(255, 0x99, 0)},
        {L"0xff0000", MakeColour(0, 0, 255)},  // numbers are BGR values
        {L"255", MakeColour(255, 0, 0)},
        {L"010", Colour{8}},  // leading zero: octal
        {L"red", MakeColour(255, 0, 0)},
        {L"darkseagreen", MakeColour(0x8F, 0xBC, 0x8B)},
        {L"lightgrey", MakeColour(0xD3, 0xD3, 0xD3)},
        {L"yellowgreen", MakeColour(0x9A, 0xCD, 0x32)},
        {L"aliceblue", MakeColour(0xF0, 0xF8, 0xFF)},
        {L"buttonshadow", platform::SystemColour(16)},
        {L"infobackground", platform::SystemColour(24)},
        {L"Red", std::nullopt},  // names are matched exactly
        {L"grey", std::nullopt},
        {L"#ff00", std::nullopt},
        {L"#ff00000", std::nullopt},
        {L"#gg0000", std::nullopt},
        {L"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseColour(c.value, names), c.expected) << c.value;
}

TEST(ParseWeight, ReadsNamesAndNumbers) {
    const struct {
        const wchar_t* value;
        int expected;
    } cases[] = {{L"", 400},        {L"normal", 400}, {L"bold", 700}, {L"bolder", 900},
                 {L"lighter", 100}, {L"600", 600},    {L"300x", 300}, {L"heavy", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseWeight(c.value), c.expected) << c.value;
}

TEST(ParseLength, ReadsEveryUnitAndTheHtmlFontSizes) {
    const LengthContext context{7, 16, 96};
    const struct {
        const wchar_t* value;
        int current;
        bool fontSize;
        int expected;
    } cases[] = {
        {L"", 13, false, 13},
        {L"50%", 30, false, 15},
        {L"12px", 0, false, 12},
        {L"2ex", 0, false, 14},
        {L"2em", 0, false, 32},
        {L"1in", 0, false, 96},
        {L"2.54cm", 0, false, 96},
        {L"254mm", 0, false, 960},
        {L"10pt", 0, false, 13},  // 10 x 96 / 72
        {L"1pc", 0, false, 16},
        {L"-12pt", 0, false, 16},  // the sign is dropped
        {L"20", 0, false, 20},
        {L"3", 0, false, 3},
        {L"3", 0, true, 12},
        {L"1", 0, true, 8},
        {L"+1", 0, true, 8},  // "+1" is not relative: it is size 1
        {L"7", 0, true, 36},
        {L"8", 0, true, 8},
        {L"20", 0, true, 20},
        {L"99999999999999999999px", 0, false, 100000},  // cut, never overflowing
        {L"abc", 5, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseLength(c.value, c.current, context, c.fontSize), c.expected) << c.value;
}

}  // namespace
}  // namespace controls
