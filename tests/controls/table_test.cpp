// The table rule: columns as wide as their widest cell, spans spread evenly, cell padding
// inside the cells, cell spacing between them and around them.
#include <gtest/gtest.h>

#include "controls/table_layout.h"
#include "drawer_fixture.h"

namespace controls::testing {
namespace {

TEST(PlaceTableCells, CellsTakeTheFirstFreePlaceOfTheirRow) {
    // a spans two rows, b two columns: the second row's c moves past a.
    const auto places = PlaceTableCells({{{2, 1}, {1, 2}}, {{1, 1}, {1, 1}}});
    ASSERT_EQ(places.size(), 4u);
    EXPECT_EQ(places[1].column, 1);
    EXPECT_EQ(places[2].row, 1);
    EXPECT_EQ(places[2].column, 1);
    EXPECT_EQ(places[3].column, 2);
}

TEST(ComputeTableGeometry, ColumnsRowsSpansSpacingAndMinimumSize) {
    // Row 0: 10 and 30 wide; row 1: one cell of 61 across both columns.
    const std::vector<TableCellNeed> cells = {
        {{0, 0}, {1, 1}, {10, 5}},
        {{0, 1}, {1, 1}, {30, 8}},
        {{1, 0}, {1, 2}, {61, 4}},
    };
    const TableGeometry geometry = ComputeTableGeometry(cells, 1, 2, {});
    // 61 - (10 + 30 + spacing 2) = 19 missing: 9 each, the remainder to the last column.
    EXPECT_EQ(geometry.columnWidths, (std::vector<int>{19, 40}));
    EXPECT_EQ(geometry.rowHeights, (std::vector<int>{8, 4}));
    EXPECT_EQ(geometry.size, (Size{2 + 3 * 2 + 59, 2 + 3 * 2 + 12}));
    EXPECT_EQ(geometry.cells[0], (Rect{3, 3, 22, 11}));
    EXPECT_EQ(geometry.cells[1], (Rect{24, 3, 64, 11}));
    EXPECT_EQ(geometry.cells[2], (Rect{3, 13, 64, 17}));
    // A larger table width spreads evenly over the columns.
    const TableGeometry wide = ComputeTableGeometry(cells, 1, 2, {77, 0});
    EXPECT_EQ(wide.columnWidths, (std::vector<int>{24, 45}));
    EXPECT_EQ(wide.size.width, 77);
}

TEST(ComputeTableGeometry, HugeNeedsStayBounded) {
    std::vector<TableCellNeed> cells;
    for (int column = 0; column < 500; ++column)
        cells.push_back({{0, column}, {1, 1}, {100000, 100000}});
    cells.push_back({{1, 0}, {100, 100}, {2000000000, 2000000000}});
    const TableGeometry geometry = ComputeTableGeometry(cells, 100000, 100000, {});
    EXPECT_GT(geometry.size.width, 0);
    EXPECT_LE(geometry.size.width, 1 << 24);
}

using TableTest = DrawerTest;

TEST_F(TableTest, CellsAreLaidOutInTheirGrid) {
    const Size size = Render(
        L"top<table border=1 cellpadding=2 cellspacing=3 bgcolor=#eeeeee>"
        L"<tr><td>ab</td><td align=right>abcd</td></tr>"
        L"<tr><td colspan=2>abcdefgh</td></tr></table>bottom");
    // Columns: ab 16 + 2 x (padding 2 + frame 1) = 22, abcd 32 + 6 = 38; the spanning cell
    // needs 64 + 6 = 70 against 22 + 38 + 3: 7 missing, 3 and 4.
    const int tableWidth = 2 * 1 + 3 * 3 + 25 + 42;
    const int tableHeight = 2 * 1 + 3 * 3 + 22 + 22;
    EXPECT_EQ(size, (Size{tableWidth + 1, 16 + tableHeight + 16 + 1}));
    EXPECT_EQ(Run(L"top").y, 0);
    EXPECT_EQ(Run(L"ab").x, 1 + 3 + 3);
    EXPECT_EQ(Run(L"ab").y, 16 + 1 + 3 + 3);
    // right-aligned inside its cell: cell right less padding and frame
    EXPECT_EQ(Run(L"abcd").x + 32, 1 + 3 + 25 + 3 + 42 - 3);
    EXPECT_EQ(Run(L"abcdefgh").y, 16 + 1 + 3 + 22 + 3 + 3);
    EXPECT_EQ(Run(L"bottom").y, 16 + tableHeight);
    ASSERT_FALSE(surface.fills.empty());
    EXPECT_EQ(surface.fills[0].rect, (Rect{0, 16, tableWidth, 16 + tableHeight}));
    EXPECT_EQ(surface.fills[0].effect, 0);
    EXPECT_EQ(surface.fills[0].first, MakeColour(0xEE, 0xEE, 0xEE));
    // The table's frame and one frame per cell, four edges each.
    EXPECT_EQ(surface.lines.size(), 4u * 4u);
}

TEST_F(TableTest, BorderStylesAndColours) {
    const Colour light = MakeColour(255, 0, 0);
    const Colour dark = MakeColour(0, 0, 255);
    Render(
        L"<table border=3 bordercolorlight=#ff0000 bordercolordark=#0000ff cellspacing=0>"
        L"<tr><td>a</td></tr></table>");
    ASSERT_EQ(surface.lines.size(), 8u);  // the table's frame, then the cell's
    EXPECT_EQ(surface.lines[0].width, 3);
    EXPECT_EQ(surface.lines[0].colour, light);  // top
    EXPECT_EQ(surface.lines[0].y1, 1);          // inset by half the pen
    EXPECT_EQ(surface.lines[3].colour, dark);   // bottom
    EXPECT_EQ(surface.lines[4].width, 1);       // cell borders are always one pixel
    EXPECT_EQ(surface.lines[4].colour, dark);   // and look sunken
    Render(L"<table border=3 borderstyle=double cellspacing=0><tr><td>a</td></tr></table>");
    ASSERT_EQ(surface.lines.size(), 12u);  // two frames and the cell's
    EXPECT_EQ(surface.lines[0].width, 1);  // only solid borders are wider
    EXPECT_EQ(surface.lines[4].y1, surface.lines[0].y1 + 2);
    drawer.SetEnabled(false);
    Render(L"<table border=1 bordercolor=red><tr><td>a</td></tr></table>");
    for (const DrawnLine& line : surface.lines)
        EXPECT_EQ(line.colour, drawer.DisabledColour());
}

TEST_F(TableTest, NarrowTableIsPlacedByItsAlign) {
    Render(L"<table align=center cellspacing=0 cellpadding=0><tr><td>ab</td></tr></table>", 0, 116);
    EXPECT_EQ(Run(L"ab").x, 50);
}

TEST_F(TableTest, CellWithAWidthWrapsItsText) {
    Render(
        L"<table cellspacing=0 cellpadding=0><tr><td width=40>abc def ghi</td><td>x</td>"
        L"</tr></table>");
    EXPECT_EQ(surface.RunTexts(), L"abc|def|ghi|x");
    EXPECT_EQ(Run(L"ghi").y, 32);
    EXPECT_EQ(Run(L"x").x, 40);
    EXPECT_EQ(Run(L"x").y, 16);  // vertically centred in the 48-pixel row
}

}  // namespace
}  // namespace controls::testing
