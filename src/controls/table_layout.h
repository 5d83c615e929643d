#pragma once
// Table geometry. The rule, kept simple on purpose:
// - cells take the first free grid places of their row, left to right, as in HTML;
// - a column is as wide as its widest single-column cell, a row as high as its highest
//   single-row cell (a cell's need is its content plus twice the cell padding, at least
//   its own width and height attributes);
// - a cell spanning several columns (rows) that needs more than they give spreads the
//   missing pixels evenly over them, the remainder to the last;
// - cell spacing lies between neighbouring cells and between the cells and the border;
// - a table given a larger width (height) spreads the difference evenly over its columns
//   (rows), the remainder to the last.
#include <vector>

#include "controls/markup_style.h"

namespace controls {

struct TableCellSpan {
    int rowSpan = 1;
    int columnSpan = 1;
};

struct TableCellPlace {
    int row = 0;
    int column = 0;
};

// Grid places of the cells given row by row.
std::vector<TableCellPlace> PlaceTableCells(const std::vector<std::vector<TableCellSpan>>& rows);

struct TableCellNeed {
    TableCellPlace place;
    TableCellSpan span;
    Size need;
};

struct TableGeometry {
    std::vector<int> columnWidths;
    std::vector<int> rowHeights;
    std::vector<Rect> cells;  // relative to the table's top-left corner, in the given order
    Size size;
};

TableGeometry ComputeTableGeometry(const std::vector<TableCellNeed>& cells, int border, int spacing,
                                   Size minimum);

}  // namespace controls
