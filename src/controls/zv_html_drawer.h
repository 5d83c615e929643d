#pragma once
// The rich-text renderer: a measuring pass breaks the markup into lines within a maximum
// width and records each line; a drawing pass replays the recorded lines at their final
// place, aligned and justified. Link hit tests and activation are decisions that the
// hosting control carries out. No operating-system call happens here.
#include <cstdint>
#include <functional>
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

// What a click on a link asks the host to do.
struct LinkActivation {
    LinkKind kind = LinkKind::kNone;  // none: nothing to do
    std::wstring target;
};

inline constexpr int kNoHotLink = -2;
inline constexpr int kTabSize = 32;

class CZvHtmlDrawer {
  public:
    CZvHtmlDrawer();

    // An empty text loads the default sheet.
    void SetStyleSheet(std::wstring_view text) { sheet_.Load(text); }
    StyleSheet& Sheet() { return sheet_; }

    // Disabled: every colour given by markup or style sheet shows in the disabled colour.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }
    Colour DisabledColour() const { return disabledColour_; }
    // The label draws a disabled text twice, in two colours (an embossed look).
    void SetDisabledColour(Colour colour) { disabledColour_ = colour; }

    // Called with the new hot link (kNoHotLink over no link) whenever it changes; the
    // host redraws then, without measuring again.
    void SetRepaintHandler(std::function<void(int)> handler) { repaint_ = std::move(handler); }

    // Measures the text (maximum width 0: lines end only at br tags) and keeps it for
    // DrawMarkup. Returns the size plus one pixel each way; an empty text gives 0 x 0.
    Size MeasureMarkup(DrawingSurface& surface, std::wstring_view text, int maxWidth);
    // Draws the text of the last measuring pass into the rectangle.
    void DrawMarkup(DrawingSurface& surface, const Rect& rect);

    // Updates the hot link for a point; true when the point is over a link with a target,
    // where the host shows the hand cursor.
    bool HitTestLink(Point point);
    LinkActivation ActivateLink(Point point) const;

    int HotLink() const { return hotLink_; }
    const std::vector<LineInfo>& Lines() const { return lines_; }
    const std::vector<LinkArea>& LinkAreas() const { return linkAreas_; }

  private:
    struct Pass;
    struct LineState;
    struct TableRecord {
        TableGeometry geometry;
        std::vector<Size> contents;  // each cell's measured content
    };

    Size RunPass(DrawingSurface& surface, bool drawing, const Rect& rect);
    Size LayoutBlocks(Pass& pass, std::wstring_view text, const Rect& area, int wrapWidth);
    Size LayoutTextBlock(Pass& pass, std::wstring_view text, const Rect& area, int wrapWidth);
    Size LayoutTable(Pass& pass, std::wstring_view text, const Rect& area, int wrapWidth);
    void HandleTag(Pass& pass, const MarkupToken& token);
    void HandleStyleTag(Pass& pass, const MarkupToken& token, std::wstring_view group);
    void HandleRule(Pass& pass, const MarkupToken& token);
    void HandleImage(Pass& pass, const MarkupToken& token);
    void TextRun(Pass& pass, std::wstring text);
    void DrawPiece(Pass& pass, std::wstring_view piece, int measuredWidth);
    void StartLine(Pass& pass);
    void EndLine(Pass& pass, int count);
    void ApplyRule(Pass& pass, MarkupStyle& style, std::wstring_view selector) const;
    void FontChanged(Pass& pass);
    const LineInfo& DrawnLine(const Pass& pass) const;
    int TextTop(const Pass& pass, int lineHeight, int lineDescent) const;
    int BoxTop(const Pass& pass, int height) const;
    void DrawTableFrame(Pass& pass, const MarkupStyle& table, const Rect& rect);

    StyleSheet sheet_;
    ColourNames colourNames_;
    Colour disabledColour_ = 0;
    bool enabled_ = true;
    std::function<void(int)> repaint_;

    std::wstring text_;  // preprocessed
    int maxWidth_ = 0;
    std::vector<LineInfo> lines_;
    std::vector<TableRecord> tables_;
    std::vector<LinkArea> linkAreas_;
    int hotLink_ = kNoHotLink;
};

}  // namespace controls
