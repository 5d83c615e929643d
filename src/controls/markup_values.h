#pragma once
// The value syntaxes of tag attributes and style declarations: colours, weights, lengths.
#include <optional>
#include <string_view>

#include "controls/colour_names.h"
#include "controls/markup_style.h"

namespace controls {

// What relative lengths are measured against.
struct LengthContext {
    int xHeight = 0;     // height of "x" in the current font
    int fontHeight = 0;  // the current font's height
    int pixelsPerInch = 96;
};

// nullopt: the value keeps the old colour (empty, malformed or unknown).
std::optional<Colour> ParseColour(std::wstring_view value, const ColourNames& names);

int ParseWeight(std::wstring_view value);

// `current` is the value a percentage or an empty value refers to. Font sizes also accept
// the unit-less sizes 1 to 7 of classic HTML.
int ParseLength(std::wstring_view value, int current, const LengthContext& context,
                bool fontSize = false);

}  // namespace controls
