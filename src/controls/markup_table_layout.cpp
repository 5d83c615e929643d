// Tables of the layout: measuring lays out every cell's content on its own to find the
// grid; placing puts the table, its cells and their contents inside the final rectangle.
#include <algorithm>
#include <utility>

#include "controls/markup_attributes.h"
#include "controls/markup_layout_pass.h"

namespace controls {

namespace {

struct TableCell {
    const MarkupTableCell* markup;
    BoxAttributes box;
    std::optional<HorizontalAlign> align;
    std::optional<VerticalAlign> valign;
};

// The frame of a table or a cell: only solid borders may be wider than one pixel, and a
// disabled renderer draws both edges in its disabled colour.
void SetFrame(PlacedBox& box, BorderStyle style, int width, Colour light, Colour dark,
              const LayoutOptions& options) {
    if (width < 1 || style == BorderStyle::kNone)
        return;
    box.borderStyle = style;
    box.borderWidth = style == BorderStyle::kSolid ? width : 1;
    box.light = options.enabled ? light : options.disabledColour;
    box.dark = options.enabled ? dark : options.disabledColour;
}

void SetFill(PlacedBox& box, const BoxAttributes& attributes) {
    box.fillEffect = attributes.effect;
    box.fill = attributes.background;
    box.fillMiddle = attributes.middle;
    box.fillEnd = attributes.end;
}

}  // namespace

Size MarkupLayoutPass::LayoutTable(std::wstring_view text, const Rect& area, int wrapWidth) {
    const MarkupTable table = ParseTable(text);
    const int available = Placing() ? area.right - area.left : wrapWidth;
    const BoxAttributes box = ReadBox(table.attributes, context_, available);
    const int border = box.borderStyle == BorderStyle::kNone ? 0 : box.border;
    const int cellFrame = border > 0 ? 1 : 0;

    std::vector<TableCell> cells;
    std::vector<std::vector<TableCellSpan>> spans;
    for (const MarkupTableRow& row : table.rows) {
        const BoxAttributes rowBox = ReadBox(row.attributes, context_, available);
        spans.emplace_back();
        for (const MarkupTableCell& cell : row.cells) {
            TableCell entry{&cell, ReadBox(cell.attributes, context_, available), {}, {}};
            entry.align = entry.box.align ? entry.box.align
                          : rowBox.align  ? rowBox.align
                                          : box.align;
            entry.valign = entry.box.valign ? entry.box.valign : rowBox.valign;
            spans.back().push_back({entry.box.rowSpan, entry.box.columnSpan});
            cells.push_back(std::move(entry));
        }
    }
    const std::vector<TableCellPlace> places = PlaceTableCells(spans);
    const int inset = box.padding + cellFrame;

    // A cell's content is laid out with its own style stack and the cell's alignment.
    auto layoutCell = [&](const TableCell& cell, const Rect& contentArea, int cellWrap) {
        MarkupStyle savedStyle = style_;
        std::vector<MarkupStyle> savedStack = std::move(stack_);
        stack_.clear();
        if (cell.align)
            style_.horizontalAlign = *cell.align;
        FontChanged();
        const Size size = LayoutBlocks(cell.markup->text, contentArea, cellWrap);
        style_ = std::move(savedStyle);
        stack_ = std::move(savedStack);
        FontChanged();
        return size;
    };
    auto cellWrap = [&](const TableCell& cell) {
        return cell.box.width > 0 ? std::max(1, cell.box.width - 2 * inset) : 0;
    };

    if (!Placing()) {
        // Nested tables are recorded while the cells are measured: this one's place is
        // taken first so that the records stay in the order placing meets them.
        const size_t index = record_->tables.size();
        record_->tables.emplace_back();
        std::vector<TableCellNeed> needs;
        std::vector<Size> contents;
        for (size_t i = 0; i < cells.size(); ++i) {
            const Size content = layoutCell(cells[i], {0, 0, 0, 0}, cellWrap(cells[i]));
            contents.push_back(content);
            needs.push_back({places[i],
                             {cells[i].box.rowSpan, cells[i].box.columnSpan},
                             {std::max(content.width + 2 * inset, cells[i].box.width),
                              std::max(content.height + 2 * inset, cells[i].box.height)}});
        }
        TableRecord& record = record_->tables[index];
        record.geometry = ComputeTableGeometry(needs, border, box.spacing, {box.width, box.height});
        record.contents = std::move(contents);
        return record.geometry.size;
    }

    if (nextTable_ >= measured_.tables.size())
        return {};
    const TableRecord& record = measured_.tables[nextTable_++];
    const Size size = record.geometry.size;
    int left = area.left;
    if (size.width < available && box.align == HorizontalAlign::kCenter)
        left += (available - size.width) / 2;
    else if (size.width < available && box.align == HorizontalAlign::kRight)
        left += available - size.width;
    const Rect rect{left, area.top, left + size.width, area.top + size.height};

    PlacedBox frame;
    frame.rect = rect;
    if (box.effect >= 0) {
        SetFill(frame, box);
    } else if (!box.image.empty()) {
        ImageRequest image = BackgroundImage(box.image);
        image.disabled = !options_.enabled;
        if (HasSource(image))
            frame.backgroundImage = std::move(image);
    }
    SetFrame(frame, box.borderStyle, border, box.light, box.dark, options_);
    placed_->boxes.push_back(std::move(frame));
    Paint(PaintKind::kBox, placed_->boxes.size() - 1);

    for (size_t i = 0; i < cells.size() && i < record.geometry.cells.size(); ++i) {
        const TableCell& cell = cells[i];
        const Rect& place = record.geometry.cells[i];
        const Rect cellRect{rect.left + place.left, rect.top + place.top, rect.left + place.right,
                            rect.top + place.bottom};
        PlacedBox cellBox;
        cellBox.rect = cellRect;
        if (cell.box.effect >= 0)
            SetFill(cellBox, cell.box);
        // Cells look sunken: their light and dark edges are the table's swapped.
        if (cellFrame > 0)
            SetFrame(cellBox, BorderStyle::kSolid, 1, box.dark, box.light, options_);
        placed_->boxes.push_back(cellBox);
        Paint(PaintKind::kBox, placed_->boxes.size() - 1);

        const Size content = i < record.contents.size() ? record.contents[i] : Size{};
        Rect contentArea{cellRect.left + inset, cellRect.top + inset, cellRect.right - inset,
                         cellRect.bottom - inset};
        const int spare = contentArea.Height() - content.height;
        const VerticalAlign valign = cell.valign.value_or(VerticalAlign::kMiddle);
        if (valign == VerticalAlign::kMiddle)
            contentArea.top += spare / 2;
        else if (valign == VerticalAlign::kBottom || valign == VerticalAlign::kBaseline)
            contentArea.top += spare;
        placed_->cells.push_back({cellRect, contentArea});
        layoutCell(cell, contentArea, cellWrap(cell));
    }
    return {available, size.height};
}

}  // namespace controls
