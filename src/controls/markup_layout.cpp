#include "controls/markup_layout.h"

#include <algorithm>
#include <utility>

#include "controls/markup_attributes.h"
#include "controls/markup_layout_pass.h"
#include "controls/run_cut.h"

namespace controls {

namespace {

// Deeper nesting of style tags is ignored, so that markup cannot exhaust memory.
constexpr size_t kDeepestStyleStack = 1000;
// The label's images cast their shadow this far right and down.
constexpr int kShadowOffset = 4;
constexpr int kLargestPercent = 100000;

}  // namespace

MeasuredMarkup MeasureLayout(MeasuringSurface& surface, std::wstring_view markup, int maxWidth,
                             const LayoutOptions& options) {
    MeasuredMarkup measured;
    measured.maxWidth = std::max(0, maxWidth);
    surface.SetTextJustification(0, 0);
    if (!markup.empty()) {
        MarkupLayoutPass pass(surface, options, measured);
        measured.size = pass.Run(markup, {0, 0, measured.maxWidth, 0});
    }
    return measured;
}

PlacedMarkup PlaceLayout(MeasuringSurface& surface, std::wstring_view markup,
                         const MeasuredMarkup& measured, const Rect& rect,
                         const LayoutOptions& options) {
    PlacedMarkup placed;
    if (!markup.empty()) {
        MarkupLayoutPass pass(surface, options, measured, placed);
        pass.Run(markup, rect);
    }
    return placed;
}

MarkupLayoutPass::MarkupLayoutPass(MeasuringSurface& surface, const LayoutOptions& options,
                                   MeasuredMarkup& record)
    : surface_(surface), options_(options), measured_(record), record_(&record) {}

MarkupLayoutPass::MarkupLayoutPass(MeasuringSurface& surface, const LayoutOptions& options,
                                   const MeasuredMarkup& measured, PlacedMarkup& placed)
    : surface_(surface), options_(options), measured_(measured), placed_(&placed) {}

Size MarkupLayoutPass::Run(std::wstring_view text, const Rect& rect) {
    context_.names = options_.colourNames;
    context_.disabled = !options_.enabled;
    context_.disabledColour = options_.disabledColour;
    FontChanged();
    ApplyRule(style_, L"body");
    FontChanged();
    const Size size = LayoutBlocks(text, rect, measured_.maxWidth);
    surface_.SetTextJustification(0, 0);
    return size;
}

Size MarkupLayoutPass::LayoutBlocks(std::wstring_view text, const Rect& area, int wrapWidth) {
    Size total;
    Rect blockArea = area;
    for (const MarkupBlock& block : SplitBlocks(text)) {
        const Size size = block.table ? LayoutTable(block.text, blockArea, wrapWidth)
                                      : LayoutTextBlock(block.text, blockArea, wrapWidth);
        total.width = std::max(total.width, size.width);
        Advance(total.height, size.height);
        Advance(blockArea.top, size.height);
    }
    return total;
}

Size MarkupLayoutPass::LayoutTextBlock(std::wstring_view text, const Rect& area, int wrapWidth) {
    LineState state;
    state.left = area.left;
    // Placing aligns within the final rectangle, which may differ from the measured width.
    state.right = Placing() ? area.right : area.left + wrapWidth;
    state.top = area.top;
    state.wrapWidth = wrapWidth;
    LineState* outer = std::exchange(line_, &state);
    const std::wstring body = L"<body>" + std::wstring(text) + L"</body>";
    StartLine();
    for (const MarkupToken& token : Tokenize(body)) {
        if (token.tag)
            HandleTag(token);
        else
            TextRun(token.text);
    }
    EndLine(1);
    line_ = outer;
    return {Placing() ? area.right - area.left : state.blockWidth, state.top - area.top};
}

const LineInfo& MarkupLayoutPass::PlacedLine() const {
    static const LineInfo kNone;
    return currentLine_ < measured_.lines.size() ? measured_.lines[currentLine_] : kNone;
}

void MarkupLayoutPass::StartLine() {
    LineState& line = *line_;
    line.x = line.left;
    line.measureX = 0;
    line.trailingBlanks = line.trailingWidth = 0;
    if (!Placing()) {
        LineInfo info;
        info.align = static_cast<int32_t>(style_.horizontalAlign);
        record_->lines.push_back(info);
        return;
    }
    const LineInfo& info = PlacedLine();
    const int available = line.right - line.left;
    const int width = Bounded(info.width + int64_t{info.percent} * available / 100);
    line.recordedWidth = info.width;
    const auto align = static_cast<HorizontalAlign>(info.align);
    line.justified = align == HorizontalAlign::kJustify && info.wrapped != 0;
    line.extra = line.justified ? std::max(0, available - width) : 0;
    line.blanks = info.blanks;
    // A line wider than the rectangle (rules of a percentage width count in full only
    // now) starts at the left edge rather than before it.
    if (align == HorizontalAlign::kCenter)
        line.x += std::max(0, (available - width) / 2);
    else if (align == HorizontalAlign::kRight)
        line.x += std::max(0, available - width);
}

void MarkupLayoutPass::EndLine(int count) {
    LineState& line = *line_;
    int height = 0;
    if (!Placing()) {
        LineInfo& info = RecordedLine();
        if (info.height == 0)
            info.height = font_.height;
        info.width = line.measureX - line.trailingWidth;
        info.blanks -= line.trailingBlanks;
        line.blockWidth = std::max(line.blockWidth, info.width);
        info.height += info.descent;
        height = info.height;
    } else {
        height = PlacedLine().height;
    }
    ++currentLine_;
    Advance(line.top, int64_t{std::max(count, 1)} * height);
}

void MarkupLayoutPass::FontChanged() {
    font_ = surface_.MeasureRun(style_, L"");
    context_.lengths = {surface_.XHeight(style_), font_.height, options_.pixelsPerInch};
}

void MarkupLayoutPass::ApplyRule(MarkupStyle& style, std::wstring_view selector) const {
    if (options_.sheet == nullptr)
        return;
    if (const std::wstring* rule = options_.sheet->Find(selector))
        ApplyDeclarations(style, *rule, context_);
}

int MarkupLayoutPass::TextTop(int lineHeight, int lineDescent) const {
    const int top = line_->top;
    switch (style_.verticalAlign) {
        case VerticalAlign::kTop:
            return top;
        case VerticalAlign::kMiddle:
            return top + (lineHeight - font_.height) / 2;
        case VerticalAlign::kBottom:
            return top + lineHeight - font_.ascent;
        case VerticalAlign::kBaseline:
            break;
    }
    return top + lineHeight - font_.ascent - lineDescent;
}

int MarkupLayoutPass::BoxTop(int height) const {
    const LineInfo& info = PlacedLine();
    const int top = line_->top;
    switch (style_.verticalAlign) {
        case VerticalAlign::kTop:
            return top;
        case VerticalAlign::kMiddle:
            return top + (info.height - height) / 2;
        case VerticalAlign::kBottom:
            return top + info.height - height;
        case VerticalAlign::kBaseline:
            break;
    }
    return top + info.height - info.descent - height;
}

void MarkupLayoutPass::AddLinkArea(int x, int y, int width, int height) {
    if (style_.linkKind == LinkKind::kNone)
        return;
    placed_->linkAreas.push_back(
        {x, y, x + width - 1, y + height - 1, style_.linkKind, linkCounter_, style_.linkTarget});
}

void MarkupLayoutPass::Paint(PaintKind kind, size_t index) {
    placed_->order.push_back({kind, index});
}

void MarkupLayoutPass::TextRun(std::wstring text) {
    text = TransformText(std::move(text), style_.textTransform);
    LineState& line = *line_;
    auto width = [&](std::wstring_view run) {
        return run.empty() ? 0 : surface_.MeasureRun(style_, run).width;
    };
    std::wstring_view rest = text;
    while (!rest.empty()) {
        surface_.SetTextJustification(0, 0);
        RunCut cut{rest, {}};
        if (line.wrapWidth > 0)
            cut = CutRun(rest, line.wrapWidth - line.measureX, line.measureX == 0, width);
        const std::wstring_view piece = cut.piece;
        const std::wstring_view remainder = cut.remainder;
        const int pieceWidth = width(piece);
        if (!piece.empty()) {
            if (Placing())
                PlacePiece(piece, pieceWidth);
            else
                RecordPiece(piece, pieceWidth);
        }
        Advance(line.measureX, pieceWidth);
        if (remainder.empty())
            break;
        rest = remainder;
        if (piece.empty() && line.measureX == 0)
            continue;  // only blanks were cut off an empty line
        WrapLine();
    }
}

void MarkupLayoutPass::WrapLine() {
    if (!Placing())
        RecordedLine().wrapped = 1;
    EndLine(1);
    StartLine();
}

void MarkupLayoutPass::RecordPiece(std::wstring_view piece, int pieceWidth) {
    LineState& line = *line_;
    LineInfo& info = RecordedLine();
    info.align = static_cast<int32_t>(style_.horizontalAlign);
    info.blanks += CountBlanks(piece);
    const TextExtent extent = surface_.MeasureRun(style_, piece);
    info.descent = std::max(info.descent, extent.height - font_.ascent);
    info.height = std::max(info.height, font_.ascent);
    Advance(line.x, pieceWidth);
    const std::wstring_view trimmed = TrimRight(piece);
    line.trailingBlanks = static_cast<int>(piece.size() - trimmed.size());
    line.trailingWidth = 0;
    if (line.trailingBlanks > 0)
        line.trailingWidth =
            pieceWidth - (trimmed.empty() ? 0 : surface_.MeasureRun(style_, trimmed).width);
}

void MarkupLayoutPass::PlacePiece(std::wstring_view piece, int measuredWidth) {
    LineState& line = *line_;
    std::wstring_view shown = piece;
    if (measuredWidth >= line.recordedWidth - line.measureX && IsBlank(piece.back())) {
        // The line's last piece: its trailing blanks are not part of the recorded line
        // and would only push a justified or right-aligned line off its edge.
        shown = TrimRight(piece);
        if (shown.empty())
            return;
    }
    PlacedRun run{std::wstring(shown), style_, line.x, 0, 0, 0, 0};
    if (line.justified) {
        const int blanks = CountBlanks(shown);
        run.justifyExtra =
            line.blanks > 0 ? line.extra * std::min(blanks, line.blanks) / line.blanks : 0;
        run.justifyBlanks = blanks;
        line.extra -= run.justifyExtra;
        line.blanks -= blanks;
    }
    // The surface spreads the justification, so it also tells the justified width.
    surface_.SetTextJustification(run.justifyExtra, run.justifyBlanks);
    const TextExtent extent = surface_.MeasureRun(style_, shown);
    surface_.SetTextJustification(0, 0);
    const LineInfo& info = PlacedLine();
    run.y = TextTop(info.height, info.descent);
    run.width = extent.width;
    AddLinkArea(run.x, run.y, extent.width, extent.height);
    if (style_.overline) {
        placed_->rules.push_back(
            {run.x, run.x + extent.width, run.y, style_.colour, style_.weight >= 700 ? 2 : 1});
    }
    placed_->runs.push_back(std::move(run));
    Paint(PaintKind::kRun, placed_->runs.size() - 1);
    if (style_.overline)
        Paint(PaintKind::kRule, placed_->rules.size() - 1);
    Advance(line.x, extent.width);
}

void MarkupLayoutPass::HandleTag(const MarkupToken& token) {
    const std::wstring& name = token.text;
    LineState& line = *line_;
    // The count of br=N and t=N is the attribute text after its "=".
    auto count = [&] {
        if (token.attributes.empty())
            return 1;
        return std::max(1, ParseLength(token.attributes.substr(1), 1, context_.lengths));
    };
    if (name == L"br") {
        const int lines = count();
        EndLine(lines);
        StartLine();
    } else if (name == L"t") {
        const int next = Bounded((int64_t{line.measureX} / kTabSize + count()) * kTabSize);
        Advance(line.x, next - line.measureX);
        line.measureX = next;
        line.trailingBlanks = line.trailingWidth = 0;
    } else if (name == L"hr") {
        HandleRule(token);
    } else if (name == L"bmp" || name == L"icon" || name == L"ilst") {
        HandleImage(token);
    } else if (name == L"string") {
        const auto attributes = ParseAttributes(token.attributes);
        std::wstring text;
        if (const int id = ReadInteger(AttributeValue(attributes, L"idres")); id != 0) {
            text = surface_.LoadResourceString(id, L"");
        } else if (const int libraryId = ReadInteger(AttributeValue(attributes, L"iddll"));
                   libraryId != 0) {
            text = surface_.LoadResourceString(libraryId, AttributeValue(attributes, L"srcdll"));
        }
        if (!text.empty())
            TextRun(std::move(text));
    } else if (const std::wstring_view group = StyleGroupOf(name); !group.empty()) {
        HandleStyleTag(token, group);
    }
}

void MarkupLayoutPass::HandleStyleTag(const MarkupToken& token, std::wstring_view group) {
    MarkupStyle& style = style_;
    if (token.closing) {
        if (!stack_.empty() && stack_.back().group == group) {
            style = std::move(stack_.back());
            stack_.pop_back();
        }
        style.group.clear();
        FontChanged();
        return;
    }
    if (stack_.size() >= kDeepestStyleStack)
        return;
    style.group = std::wstring(group);
    stack_.push_back(style);
    const std::wstring& name = token.text;
    if (name == L"b") {
        style.weight = std::min(style.weight * 2, 900);
    } else if (name == L"i" || name == L"em") {
        style.italic = !style.italic;
    } else if (name == L"u") {
        style.underline = !style.underline;
    } else if (name == L"s" || name == L"strike") {
        style.strikeOut = !style.strikeOut;
    } else if (name == L"font") {
        ApplyFontAttributes(style, ParseAttributes(token.attributes), context_);
    } else if (name == L"left" || name == L"center" || name == L"right" || name == L"justify") {
        static constexpr std::wstring_view kAligns[] = {L"left", L"center", L"right", L"justify"};
        style.horizontalAlign = static_cast<HorizontalAlign>(
            std::find(std::begin(kAligns), std::end(kAligns), name) - std::begin(kAligns));
    } else if (name == L"baseline") {
        style.verticalAlign = VerticalAlign::kBaseline;
    } else if (name == L"top") {
        style.verticalAlign = VerticalAlign::kTop;
    } else if (name == L"vcenter" || name == L"middle") {
        style.verticalAlign = VerticalAlign::kMiddle;
    } else if (name == L"bottom") {
        style.verticalAlign = VerticalAlign::kBottom;
    } else if (name == L"span") {
        const auto attributes = ParseAttributes(token.attributes);
        ApplyRule(style, L"." + std::wstring(AttributeValue(attributes, L"class")));
    } else if (name == L"a") {
        ++linkCounter_;
        const auto attributes = ParseAttributes(token.attributes);
        if (const MarkupAttribute* href = FindAttribute(attributes, L"href")) {
            style.linkKind = LinkKind::kAddress;
            style.linkTarget = href->value;
        } else {
            style.linkKind = LinkKind::kMessage;
            style.linkTarget = std::wstring(AttributeValue(attributes, L"msg"));
        }
        ApplyRule(style, linkCounter_ == options_.hotLink ? L"a:hover" : L"a:link");
    } else if (IsNamedRuleTag(name)) {
        ApplyRule(style, name);
    }
    FontChanged();
}

void MarkupLayoutPass::HandleRule(const MarkupToken& token) {
    LineState& line = *line_;
    MarkupStyle rule = style_;
    ApplyRule(rule, L"hr");
    const auto attributes = ParseAttributes(token.attributes);
    const int thickness =
        std::max(1, ParseLength(AttributeValue(attributes, L"size"),
                                rule.borderWidth > 0 ? rule.borderWidth : 1, context_.lengths));
    const Colour colour =
        context_.ReadColour(AttributeValue(attributes, L"color")).value_or(rule.colour);
    const std::wstring_view widthValue = AttributeValue(attributes, L"width");
    const bool percentage = widthValue.empty() || widthValue.back() == L'%';
    const int width = ParseLength(widthValue, percentage ? 100 : 0, context_.lengths);
    // While measuring a percentage counts one pixel: its width is known only when placed.
    const int advance = percentage ? 1 : width;
    if (!Placing()) {
        LineInfo& info = RecordedLine();
        info.height = std::max(info.height, thickness + 8);
        if (percentage)
            info.percent = std::min(info.percent + width, kLargestPercent);
        Advance(line.x, advance);
    } else {
        const int placedWidth =
            percentage ? Bounded(int64_t{width} * (line.right - line.left) / 100) : width;
        const int y = line.top + PlacedLine().height / 2;
        placed_->rules.push_back({line.x, line.x + placedWidth, y, colour, thickness});
        Paint(PaintKind::kRule, placed_->rules.size() - 1);
        Advance(line.x, placedWidth);
    }
    Advance(line.measureX, advance);
    line.trailingBlanks = line.trailingWidth = 0;
}

void MarkupLayoutPass::HandleImage(const MarkupToken& token) {
    LineState& line = *line_;
    const auto attributes = ParseAttributes(token.attributes);
    ImageRequest image = ReadImageTag(token.text, attributes, context_, options_.enabled);
    if (!HasSource(image) && image.kind != ImageKind::kImageList)
        return;
    const std::optional<Size> own = surface_.ImageSize(image);
    if (!own)
        return;
    const std::wstring_view effects = AttributeValue(attributes, L"style");
    int width = ParseLength(AttributeValue(attributes, L"width"), own->width, context_.lengths);
    int height = ParseLength(AttributeValue(attributes, L"height"), own->height, context_.lengths);
    if (effects.find(L's') != std::wstring_view::npos) {
        width += kShadowOffset;
        height += kShadowOffset;
    }
    if (line.wrapWidth > 0 && width > line.wrapWidth - line.measureX)
        WrapLine();
    if (!Placing()) {
        LineInfo& info = RecordedLine();
        info.height = std::max(info.height, height);
    } else {
        const int y = BoxTop(height);
        const bool hot = style_.linkKind != LinkKind::kNone && linkCounter_ == options_.hotLink;
        image.effects = std::wstring(hot ? AttributeValue(attributes, L"hotstyle") : effects);
        image.disabled = !options_.enabled;
        AddLinkArea(line.x, y, width, height);
        placed_->images.push_back({std::move(image), {line.x, y, line.x + width, y + height}});
        Paint(PaintKind::kImage, placed_->images.size() - 1);
    }
    Advance(line.x, width);
    Advance(line.measureX, width);
    line.trailingBlanks = line.trailingWidth = 0;
}

}  // namespace controls
