#pragma once
// One walk over the markup, shared by measuring and placing so that both break the lines
// at the same places. Measuring records line metrics and table geometry; placing reads
// them back and records positioned items. Internal to the layout.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/markup_layout.h"

namespace controls {

class MarkupLayoutPass {
  public:
    // Measuring: fills `record`.
    MarkupLayoutPass(MeasuringSurface& surface, const LayoutOptions& options,
                     MeasuredMarkup& record);
    // Placing: reads `measured`, fills `placed`.
    MarkupLayoutPass(MeasuringSurface& surface, const LayoutOptions& options,
                     const MeasuredMarkup& measured, PlacedMarkup& placed);

    Size Run(std::wstring_view text, const Rect& rect);

  private:
    struct LineState {
        int left = 0;
        int right = 0;
        int top = 0;  // the current line's top
        int x = 0;
        int measureX = 0;  // unjustified advance since the line's start: the cut decisions
        int wrapWidth = 0;
        int blockWidth = 0;
        int recordedWidth = 0;  // placing: the line's width as measured
        bool justified = false;
        int extra = 0;   // placing: justification pixels still to spread
        int blanks = 0;  // placing: blanks still to receive them
        // Measuring: blanks ending the last text piece, which do not count if the line
        // ends there.
        int trailingBlanks = 0;
        int trailingWidth = 0;
    };

    bool Placing() const { return placed_ != nullptr; }
    LineInfo& RecordedLine() { return record_->lines[currentLine_]; }
    const LineInfo& PlacedLine() const;

    Size LayoutBlocks(std::wstring_view text, const Rect& area, int wrapWidth);
    Size LayoutTextBlock(std::wstring_view text, const Rect& area, int wrapWidth);
    Size LayoutTable(std::wstring_view text, const Rect& area, int wrapWidth);
    void HandleTag(const MarkupToken& token);
    void HandleStyleTag(const MarkupToken& token, std::wstring_view group);
    void HandleRule(const MarkupToken& token);
    void HandleImage(const MarkupToken& token);
    void TextRun(std::wstring text);
    void RecordPiece(std::wstring_view piece, int pieceWidth);
    void PlacePiece(std::wstring_view piece, int measuredWidth);
    // Ends the line because the next item does not fit, and starts the next.
    void WrapLine();
    void StartLine();
    void EndLine(int count);
    void ApplyRule(MarkupStyle& style, std::wstring_view selector) const;
    void FontChanged();
    int TextTop(int lineHeight, int lineDescent) const;
    int BoxTop(int height) const;
    void AddLinkArea(int x, int y, int width, int height);
    void Paint(PaintKind kind, size_t index);

    MeasuringSurface& surface_;
    const LayoutOptions& options_;
    const MeasuredMarkup& measured_;
    MeasuredMarkup* record_ = nullptr;  // measuring only
    PlacedMarkup* placed_ = nullptr;    // placing only
    MarkupStyle style_;
    std::vector<MarkupStyle> stack_;
    TextExtent font_;
    StyleContext context_;
    size_t currentLine_ = 0;
    size_t nextTable_ = 0;
    int linkCounter_ = -1;
    LineState* line_ = nullptr;
};

// Positions are kept within this many pixels, so that hostile markup (huge tab counts,
// line counts or widths) cannot overflow the layout's arithmetic.
inline constexpr int64_t kLargestPosition = int64_t{1} << 24;

inline int Bounded(int64_t value) {
    return static_cast<int>(std::clamp(value, -kLargestPosition, kLargestPosition));
}

// Moves a position by a distance, within the bounds.
inline void Advance(int& position, int64_t distance) {
    position = Bounded(position + distance);
}

}  // namespace controls
