// The painter replays a placed layout on the recording surface: every item where the
// layout put it, in the layout's order, justified runs with their justification.
#include <gtest/gtest.h>

#include "controls/markup_layout.h"
#include "controls/markup_painter.h"
#include "recording_surface.h"

namespace controls::testing {
namespace {

TEST(MarkupPainterTest, ReplaysAPlacedLayoutInItsOrder) {
    RecordingSurface surface;
    StyleSheet sheet;
    sheet.Add(L"body", L"font-size:16px");
    sheet.Add(L".over", L"text-decoration:overline");
    ColourNames names;
    LayoutOptions options;
    options.sheet = &sheet;
    options.colourNames = &names;
    const std::wstring text = PreprocessMarkup(
        L"<justify>aa bb cc dd</justify><br><span class=over>o</span>"
        L"<hr width=40><bmp file=\"10x10.bmp\">"
        L"<table border=1 bgcolor=blue><tr><td>x</td></tr></table>");
    const MeasuredMarkup measured = MeasureLayout(surface, text, 72, options);
    const PlacedMarkup placed = PlaceLayout(surface, text, measured, {0, 0, 72, 200}, options);
    ASSERT_EQ(surface.calls, L"");  // placing draws nothing

    MarkupPainter(surface).Paint(placed);
    ASSERT_EQ(surface.runs.size(), placed.runs.size());
    for (size_t i = 0; i < placed.runs.size(); ++i) {
        EXPECT_EQ(surface.runs[i].text, placed.runs[i].text);
        EXPECT_EQ(surface.runs[i].x, placed.runs[i].x);
        EXPECT_EQ(surface.runs[i].y, placed.runs[i].y);
        // drawn with the justification the layout measured it with
        EXPECT_EQ(surface.runs[i].width, placed.runs[i].width) << placed.runs[i].text;
    }
    EXPECT_EQ(surface.runs[0].width, 72);
    ASSERT_EQ(surface.images.size(), 1u);
    EXPECT_EQ(surface.images[0].place, placed.images[0].place);
    ASSERT_EQ(surface.fills.size(), 1u);
    EXPECT_EQ(surface.fills[0].rect, placed.boxes[0].rect);
    EXPECT_EQ(surface.fills[0].first, MakeColour(0, 0, 255));
    // text, overline, rule and image; then the table's fill and frame, the cell's frame
    // and the cell's text
    EXPECT_EQ(surface.calls, L"rrrllifllllllllr");
    const DrawnLine& overline = surface.lines[0];
    EXPECT_EQ(overline.y1, placed.runs[2].y);
    EXPECT_EQ(overline.x2 - overline.x1, placed.runs[2].width);
    EXPECT_EQ(surface.lines[1].x2 - surface.lines[1].x1, 40);
}

TEST(MarkupPainterTest, FramesAreInsetByHalfThePenAndDoubleFramesDrawTwice) {
    const struct {
        BorderStyle style;
        int width;
        size_t lines;
        PenStyle pen;
        int firstInset;
    } cases[] = {
        {BorderStyle::kSolid, 3, 4, PenStyle::kSolid, 1},
        {BorderStyle::kDashed, 1, 4, PenStyle::kDashed, 0},
        {BorderStyle::kDotted, 1, 4, PenStyle::kDotted, 0},
        {BorderStyle::kDouble, 1, 8, PenStyle::kSolid, 0},
        {BorderStyle::kNone, 1, 0, PenStyle::kSolid, 0},
    };
    for (const auto& c : cases) {
        RecordingSurface surface;
        PlacedMarkup placed;
        PlacedBox box;
        box.rect = {10, 20, 40, 60};
        box.borderStyle = c.style;
        box.borderWidth = c.width;
        box.light = MakeColour(255, 255, 255);
        box.dark = MakeColour(0, 0, 0);
        placed.boxes.push_back(box);
        placed.order.push_back({PaintKind::kBox, 0});
        MarkupPainter(surface).Paint(placed);
        ASSERT_EQ(surface.lines.size(), c.lines) << static_cast<int>(c.style);
        if (c.lines == 0)
            continue;
        const DrawnLine& top = surface.lines[0];
        EXPECT_EQ(top.x1, 10 + c.firstInset);
        EXPECT_EQ(top.y1, 20 + c.firstInset);
        EXPECT_EQ(top.x2, 39 - c.firstInset);
        EXPECT_EQ(top.width, c.width);
        EXPECT_EQ(top.pen, c.pen);
        EXPECT_EQ(top.colour, box.light);
        EXPECT_EQ(surface.lines[3].colour, box.dark);  // the bottom edge
        EXPECT_EQ(surface.lines[3].y1, 59 - c.firstInset);
        if (c.lines == 8) {
            EXPECT_EQ(surface.lines[4].x1, 12);  // two pen widths further inside
        }
    }
}

}  // namespace
}  // namespace controls::testing
