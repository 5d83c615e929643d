#pragma once
// What the layout reads from tags besides style rules: the style group a tag opens, the
// text transform, and the attributes of tables, cells and images.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/drawing_surface.h"
#include "controls/style_sheet.h"

namespace controls {

// The style group a style tag opens; empty for any other tag.
std::wstring_view StyleGroupOf(std::wstring_view tag);
// Tags whose own rule of the sheet applies when they open (body, headings, code...).
bool IsNamedRuleTag(std::wstring_view tag);

std::wstring TransformText(std::wstring text, TextTransform transform);

std::wstring_view AttributeValue(const std::vector<MarkupAttribute>& attributes,
                                 std::wstring_view name);
// A decimal, octal or hex number; malformed: 0; capped at the largest int.
int ReadInteger(std::wstring_view value);

// A table's or a cell's own attributes.
struct BoxAttributes {
    int rowSpan = 1;
    int columnSpan = 1;
    int border = 0;
    BorderStyle borderStyle = BorderStyle::kSolid;
    Colour light = 0;
    Colour dark = 0;
    bool hasBackground = false;
    Colour background = MakeColour(255, 255, 255);
    Colour middle = MakeColour(255, 255, 255);
    Colour end = MakeColour(255, 255, 255);
    int effect = -1;
    std::optional<HorizontalAlign> align;
    std::optional<VerticalAlign> valign;
    int width = 0;
    int height = 0;
    int padding = 1;
    int spacing = 2;
    std::wstring image;
};

// Percentage widths refer to `availableWidth`.
BoxAttributes ReadBox(std::wstring_view text, const StyleContext& context, int availableWidth);

// "idres:12", "iddll:12" or "file:C:\path" as an image source.
ImageRequest BackgroundImage(std::wstring_view source);
bool HasSource(const ImageRequest& image);

// The image of a bmp, icon or ilst tag, before its size and effects are known. The mask
// attribute counts only while enabled: a disabled image is drawn without it.
ImageRequest ReadImageTag(std::wstring_view tag, const std::vector<MarkupAttribute>& attributes,
                          const StyleContext& context, bool enabled);

}  // namespace controls
