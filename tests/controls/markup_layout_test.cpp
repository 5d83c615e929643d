// The layout as data: runs, cells and link areas positioned by measuring and placing on
// the recording surface (characters advance half the font size, lines are as high as the
// font), at two widths and two resolutions.
#include <gtest/gtest.h>

#include <string>

#include "controls/markup_layout.h"
#include "recording_surface.h"

namespace controls::testing {
namespace {

class MarkupLayoutTest : public ::testing::Test {
  protected:
    PlacedMarkup Lay(std::wstring_view markup, int width, int pixelsPerInch) {
        options.sheet = &sheet;
        options.colourNames = &names;
        options.pixelsPerInch = pixelsPerInch;
        const std::wstring text = PreprocessMarkup(markup);
        measured = MeasureLayout(surface, text, width, options);
        return PlaceLayout(surface, text, measured, {0, 0, width, measured.size.height}, options);
    }

    // "text@x,y,width" of every run, joined by "|".
    static std::wstring Runs(const PlacedMarkup& placed) {
        std::wstring joined;
        for (const PlacedRun& run : placed.runs) {
            joined += (joined.empty() ? L"" : L"|") + run.text + L"@" + std::to_wstring(run.x) +
                      L"," + std::to_wstring(run.y) + L"," + std::to_wstring(run.width);
        }
        return joined;
    }

    RecordingSurface surface;
    StyleSheet sheet;
    ColourNames names;
    LayoutOptions options;
    MeasuredMarkup measured;
};

TEST_F(MarkupLayoutTest, RunsFollowTheWidthAndPointSizesTheResolution) {
    const struct {
        const wchar_t* body;
        int width;
        int pixelsPerInch;
        const wchar_t* runs;
        Size size;
    } cases[] = {
        // 12pt is 16 pixels at 96 per inch: characters 8 wide, lines 16 high
        {L"font-size:12pt", 120, 96, L"abcd efgh ijkl@0,0,112", {112, 16}},
        {L"font-size:12pt", 80, 96, L"abcd efgh@0,0,72|ijkl@0,16,32", {72, 32}},
        // and 24 pixels at 144 per inch, so fewer characters fit a line
        {L"font-size:12pt", 120, 144, L"abcd efgh@0,0,108|ijkl@0,24,48", {108, 48}},
        {L"font-size:12pt", 80, 144, L"abcd@0,0,48|efgh@0,24,48|ijkl@0,48,48", {48, 72}},
        // pixel sizes are taken as they are at either resolution
        {L"font-size:16px", 80, 96, L"abcd efgh@0,0,72|ijkl@0,16,32", {72, 32}},
        {L"font-size:16px", 80, 144, L"abcd efgh@0,0,72|ijkl@0,16,32", {72, 32}},
    };
    for (const auto& c : cases) {
        sheet.Add(L"body", c.body);
        const PlacedMarkup placed = Lay(L"abcd efgh ijkl", c.width, c.pixelsPerInch);
        EXPECT_EQ(Runs(placed), c.runs) << c.body << " " << c.width << " " << c.pixelsPerInch;
        EXPECT_EQ(measured.size, c.size) << c.body << " " << c.width << " " << c.pixelsPerInch;
        EXPECT_EQ(placed.order.size(), placed.runs.size());
    }
}

TEST_F(MarkupLayoutTest, PlacingAlignsAndJustifiesWithinTheFinalRectangle) {
    sheet.Add(L"body", L"font-size:16px");
    options.sheet = &sheet;
    options.colourNames = &names;
    const std::wstring text = PreprocessMarkup(L"<justify>aa bb cc dd ee</justify>");
    measured = MeasureLayout(surface, text, 72, options);
    ASSERT_EQ(measured.lines.size(), 2u);
    EXPECT_EQ(measured.lines[0].width, 64);
    EXPECT_EQ(measured.lines[0].wrapped, 1);

    // The wrapped line fills the width: its 8 spare pixels go to its two blanks; the last
    // line stays as it is.
    PlacedMarkup placed = PlaceLayout(surface, text, measured, {0, 0, 72, 32}, options);
    EXPECT_EQ(Runs(placed), L"aa bb cc@0,0,72|dd ee@0,16,40");
    EXPECT_EQ(placed.runs[0].justifyExtra, 8);
    EXPECT_EQ(placed.runs[0].justifyBlanks, 2);
    EXPECT_EQ(placed.runs[1].justifyExtra, 0);

    // A wider rectangle than measured: the same lines, justified to its width.
    placed = PlaceLayout(surface, text, measured, {10, 5, 110, 37}, options);
    EXPECT_EQ(Runs(placed), L"aa bb cc@10,5,100|dd ee@10,21,40");

    const std::wstring centred = PreprocessMarkup(L"<center>ab</center>");
    measured = MeasureLayout(surface, centred, 0, options);
    placed = PlaceLayout(surface, centred, measured, {0, 0, 100, 16}, options);
    EXPECT_EQ(Runs(placed), L"ab@42,0,16");
}

TEST_F(MarkupLayoutTest, TableCellsSpreadOverAPercentageWidth) {
    sheet.Add(L"body", L"font-size:16px");
    const wchar_t* markup =
        L"<table width=100% border=1 cellpadding=2 cellspacing=2>"
        L"<tr><td>ab</td><td bgcolor=red>cd</td></tr></table>";
    const struct {
        int width;
        Rect first;
        Rect second;
        const wchar_t* runs;
    } cases[] = {
        // each cell needs 16 + 2 x (padding 2 + frame 1) = 22; the table's spare pixels
        // go evenly to the two columns
        {100, {3, 3, 49, 25}, {51, 3, 97, 25}, L"ab@6,6,16|cd@54,6,16"},
        {200, {3, 3, 99, 25}, {101, 3, 197, 25}, L"ab@6,6,16|cd@104,6,16"},
    };
    for (const auto& c : cases) {
        const PlacedMarkup placed = Lay(markup, c.width, 96);
        EXPECT_EQ(measured.size, (Size{c.width, 28})) << c.width;
        ASSERT_EQ(measured.tables.size(), 1u);
        ASSERT_EQ(placed.cells.size(), 2u) << c.width;
        EXPECT_EQ(placed.cells[0].cell, c.first) << c.width;
        EXPECT_EQ(placed.cells[1].cell, c.second) << c.width;
        const Rect& inner = placed.cells[1].content;
        EXPECT_EQ(inner, (Rect{c.second.left + 3, 6, c.second.right - 3, 22})) << c.width;
        EXPECT_EQ(Runs(placed), c.runs) << c.width;

        // the table's frame, then each cell's box before its content
        ASSERT_EQ(placed.boxes.size(), 3u);
        EXPECT_EQ(placed.boxes[0].rect, (Rect{0, 0, c.width, 28}));
        EXPECT_EQ(placed.boxes[0].fillEffect, -1);
        EXPECT_EQ(placed.boxes[0].borderWidth, 1);
        EXPECT_EQ(placed.boxes[1].fillEffect, -1);
        EXPECT_EQ(placed.boxes[2].fillEffect, 0);
        EXPECT_EQ(placed.boxes[2].fill, MakeColour(255, 0, 0));
        const std::vector<PaintKind> order = {PaintKind::kBox, PaintKind::kBox, PaintKind::kRun,
                                              PaintKind::kBox, PaintKind::kRun};
        ASSERT_EQ(placed.order.size(), order.size());
        for (size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(placed.order[i].kind, order[i]) << c.width << " step " << i;
    }
}

TEST_F(MarkupLayoutTest, LinkAreasCoverTheirRunsAndTheHotLinkTakesTheHoverRule) {
    sheet.Add(L"body", L"font-size:16px");
    sheet.Add(L"a:hover", L"font-size:24px");
    const wchar_t* markup = L"x <a href=\"one\">ab</a> <a msg=\"two\">cd</a>";
    for (const int hot : {kNoHotLink, 1}) {
        options.hotLink = hot;
        const PlacedMarkup placed = Lay(markup, 0, 96);
        ASSERT_EQ(placed.linkAreas.size(), 2u) << hot;
        ASSERT_EQ(placed.runs.size(), 4u) << hot;
        for (size_t i = 0; i < 2; ++i) {
            const LinkArea& area = placed.linkAreas[i];
            const PlacedRun& run = placed.runs[1 + 2 * i];
            EXPECT_EQ(area.number, static_cast<int>(i));
            EXPECT_EQ(area.left, run.x);
            EXPECT_EQ(area.top, run.y);
            EXPECT_EQ(area.right, run.x + run.width - 1);
            EXPECT_EQ(area.bottom, run.y + run.style.size - 1);
        }
        EXPECT_EQ(placed.linkAreas[0].kind, LinkKind::kAddress);
        EXPECT_EQ(placed.linkAreas[0].target, L"one");
        EXPECT_EQ(placed.linkAreas[1].kind, LinkKind::kMessage);
        EXPECT_EQ(placed.runs[3].style.size, hot == 1 ? 24 : 16) << hot;
        EXPECT_EQ(placed.runs[1].style.size, 16) << hot;
    }
}

}  // namespace
}  // namespace controls::testing
