#include "controls/table_layout.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <set>
#include <utility>

namespace controls {

namespace {

// The most cells one table may span, so that markup cannot ask for a huge grid.
constexpr int kLargestSpan = 100;

// Sizes and places stay within this many pixels, whatever the markup asks for.
constexpr int64_t kLargestSize = int64_t{1} << 24;

int Bounded(int64_t value) {
    return static_cast<int>(std::clamp(value, -kLargestSize, kLargestSize));
}

int ClampSpan(int span) {
    return std::clamp(span, 1, kLargestSpan);
}

// Grows sizes[first .. first + span) so that together with the spacing between them they
// hold `need`.
void Spread(std::vector<int>& sizes, int first, int span, int spacing, int need) {
    int64_t have = int64_t{spacing} * (span - 1);
    for (int i = first; i < first + span; ++i)
        have += sizes[static_cast<size_t>(i)];
    const int missing = Bounded(need - have);
    if (missing <= 0)
        return;
    for (int i = first; i < first + span; ++i) {
        int& size = sizes[static_cast<size_t>(i)];
        size = Bounded(int64_t{size} + missing / span);
    }
    int& last = sizes[static_cast<size_t>(first + span - 1)];
    last = Bounded(int64_t{last} + missing % span);
}

void SpreadExtra(std::vector<int>& sizes, int extra) {
    if (extra <= 0 || sizes.empty())
        return;
    const int count = static_cast<int>(sizes.size());
    for (int& size : sizes)
        size = Bounded(int64_t{size} + extra / count);
    sizes.back() = Bounded(int64_t{sizes.back()} + extra % count);
}

int Offset(const std::vector<int>& sizes, int index, int border, int spacing) {
    return Bounded(border + int64_t{spacing} * (index + 1) +
                   std::accumulate(sizes.begin(), sizes.begin() + index, int64_t{0}));
}

int Extent(const std::vector<int>& sizes, int first, int span, int spacing) {
    return Bounded(
        std::accumulate(sizes.begin() + first, sizes.begin() + first + span, int64_t{0}) +
        int64_t{spacing} * (span - 1));
}

}  // namespace

std::vector<TableCellPlace> PlaceTableCells(const std::vector<std::vector<TableCellSpan>>& rows) {
    std::vector<TableCellPlace> places;
    std::set<std::pair<int, int>> taken;
    for (size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r);
        int column = 0;
        for (const TableCellSpan& span : rows[r]) {
            while (taken.count({row, column}) != 0)
                ++column;
            places.push_back({row, column});
            const int rowSpan = ClampSpan(span.rowSpan);
            const int columnSpan = ClampSpan(span.columnSpan);
            for (int dr = 0; dr < rowSpan; ++dr) {
                for (int dc = 0; dc < columnSpan; ++dc)
                    taken.insert({row + dr, column + dc});
            }
            column += columnSpan;
        }
    }
    return places;
}

TableGeometry ComputeTableGeometry(const std::vector<TableCellNeed>& cells, int border, int spacing,
                                   Size minimum) {
    TableGeometry geometry;
    int columns = 0;
    int rows = 0;
    for (const TableCellNeed& cell : cells) {
        columns = std::max(columns, cell.place.column + ClampSpan(cell.span.columnSpan));
        rows = std::max(rows, cell.place.row + ClampSpan(cell.span.rowSpan));
    }
    geometry.columnWidths.assign(static_cast<size_t>(columns), 0);
    geometry.rowHeights.assign(static_cast<size_t>(rows), 0);
    // Single cells first, then the spanning ones take what is still missing.
    for (const bool spanning : {false, true}) {
        for (const TableCellNeed& cell : cells) {
            const int columnSpan = ClampSpan(cell.span.columnSpan);
            const int rowSpan = ClampSpan(cell.span.rowSpan);
            if ((columnSpan > 1) == spanning)
                Spread(geometry.columnWidths, cell.place.column, columnSpan, spacing,
                       cell.need.width);
            if ((rowSpan > 1) == spanning)
                Spread(geometry.rowHeights, cell.place.row, rowSpan, spacing, cell.need.height);
        }
    }
    auto total = [&](const std::vector<int>& sizes) {
        return Bounded(2 * int64_t{border} +
                       int64_t{spacing} * (static_cast<int64_t>(sizes.size()) + 1) +
                       std::accumulate(sizes.begin(), sizes.end(), int64_t{0}));
    };
    SpreadExtra(geometry.columnWidths, minimum.width - total(geometry.columnWidths));
    SpreadExtra(geometry.rowHeights, minimum.height - total(geometry.rowHeights));
    geometry.size = {total(geometry.columnWidths), total(geometry.rowHeights)};
    for (const TableCellNeed& cell : cells) {
        const int left = Offset(geometry.columnWidths, cell.place.column, border, spacing);
        const int top = Offset(geometry.rowHeights, cell.place.row, border, spacing);
        geometry.cells.push_back({left, top,
                                  left + Extent(geometry.columnWidths, cell.place.column,
                                                ClampSpan(cell.span.columnSpan), spacing),
                                  top + Extent(geometry.rowHeights, cell.place.row,
                                               ClampSpan(cell.span.rowSpan), spacing)});
    }
    return geometry;
}

}  // namespace controls
