#pragma once
// The rich-text layout as plain data. Measuring breaks the markup into lines within a
// maximum width and records each line's metrics and each table's geometry; placing
// replays the recorded lines inside the final rectangle, aligned and justified, and gives
// every run, rule, image, box and link area its position. Nothing here draws: the
// painter replays the placed data on a drawing surface.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/colour_names.h"
#include "controls/drawing_surface.h"
#include "controls/style_sheet.h"
#include "controls/table_layout.h"

namespace controls {

struct LineInfo {
    int32_t width = 0;    // pixels used by the line's runs
    int32_t height = 0;   // the line's full height once the line is ended
    int32_t descent = 0;  // largest descent of its text runs
    int32_t percent = 0;  // sum of the percentage widths of its horizontal rules
    int32_t align = 0;    // HorizontalAlign of its last run
    int32_t blanks = 0;   // blank characters on the line
    int32_t wrapped = 0;  // 1: ended because the next piece did not fit
};

// Edges inclusive, in the drawing surface's coordinates.
struct LinkArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    LinkKind kind = LinkKind::kNone;
    int number = 0;
    std::wstring target;

    bool Contains(Point point) const {
        return point.x >= left && point.x <= right && point.y >= top && point.y <= bottom;
    }
};

inline constexpr int kNoHotLink = -2;
inline constexpr int kTabSize = 32;

// What a layout depends on besides the markup and the width.
struct LayoutOptions {
    const StyleSheet* sheet = nullptr;
    const ColourNames* colourNames = nullptr;
    // Point, inch and centimetre lengths of the markup are converted at this resolution.
    // Pixel lengths are taken as they are at every resolution so far.
    int pixelsPerInch = 96;
    int hotLink = kNoHotLink;  // its runs take the "a:hover" rule, other links "a:link"
    bool enabled = true;
    Colour disabledColour = 0;  // replaces every given colour while not enabled
};

struct TableRecord {
    TableGeometry geometry;
    std::vector<Size> contents;  // each cell's measured content
};

struct MeasuredMarkup {
    int maxWidth = 0;  // 0: lines end only at br tags
    Size size;         // as laid out, before the caller's rounding
    std::vector<LineInfo> lines;
    std::vector<TableRecord> tables;  // in the order the tables are met
};

// A piece of text at its top-left corner. The width includes the justification, which
// spreads `justifyExtra` pixels over the piece's `justifyBlanks` blanks.
struct PlacedRun {
    std::wstring text;
    MarkupStyle style;
    int x = 0;
    int y = 0;
    int width = 0;
    int justifyExtra = 0;
    int justifyBlanks = 0;
};

// A horizontal line: rules and overlines.
struct PlacedRule {
    int left = 0;
    int right = 0;
    int y = 0;
    Colour colour = 0;
    int thickness = 1;
};

struct PlacedImage {
    ImageRequest image;
    Rect place;
};

// A table's or a cell's background and frame. The frame's edges are inset by half the
// pen from the rectangle; double frames draw a second one further inside.
struct PlacedBox {
    Rect rect;
    int fillEffect = -1;  // -1: no fill
    Colour fill = 0;
    Colour fillMiddle = 0;
    Colour fillEnd = 0;
    std::optional<ImageRequest> backgroundImage;
    BorderStyle borderStyle = BorderStyle::kNone;
    int borderWidth = 0;  // 0: no frame
    Colour light = 0;     // left and top edges
    Colour dark = 0;      // right and bottom edges
};

struct PlacedCell {
    Rect cell;
    Rect content;  // inside the padding, moved down by the vertical alignment
};

enum class PaintKind { kRun, kRule, kImage, kBox };

// One item to paint: an index into the vector of its kind.
struct PaintStep {
    PaintKind kind = PaintKind::kRun;
    size_t index = 0;
};

struct PlacedMarkup {
    std::vector<PlacedRun> runs;
    std::vector<PlacedRule> rules;
    std::vector<PlacedImage> images;
    std::vector<PlacedBox> boxes;
    std::vector<PlacedCell> cells;
    std::vector<LinkArea> linkAreas;  // one per run or image inside a link
    std::vector<PaintStep> order;     // what lies later covers what lies earlier
};

// `markup` is preprocessed markup. The surface is only asked for metrics.
MeasuredMarkup MeasureLayout(MeasuringSurface& surface, std::wstring_view markup, int maxWidth,
                             const LayoutOptions& options);
PlacedMarkup PlaceLayout(MeasuringSurface& surface, std::wstring_view markup,
                         const MeasuredMarkup& measured, const Rect& rect,
                         const LayoutOptions& options);

}  // namespace controls
