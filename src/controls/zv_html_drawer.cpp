#include "controls/zv_html_drawer.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <utility>

#include "platform/system_colours.h"

namespace controls {

namespace {

constexpr std::wstring_view kBreakCharacters = L" -.,!:;)}]?";
// Deeper nesting of style tags is ignored, so that markup cannot exhaust memory.
constexpr size_t kDeepestStyleStack = 1000;
// The label's images cast their shadow this far right and down.
constexpr int kShadowOffset = 4;
constexpr int kLargestPercent = 100000;
// Positions are kept within this many pixels, so that hostile markup (huge tab counts,
// line counts or widths) cannot overflow the layout's arithmetic.
constexpr int64_t kLargestPosition = int64_t{1} << 24;

int Bounded(int64_t value) {
    return static_cast<int>(std::clamp(value, -kLargestPosition, kLargestPosition));
}

// Moves a position by a distance, within the bounds.
void Advance(int& position, int64_t distance) {
    position = Bounded(position + distance);
}

struct TagGroup {
    std::wstring_view tag;
    std::wstring_view group;
};

constexpr TagGroup kStyleTags[] = {
    {L"b", L"bold"},         {L"i", L"italic"},        {L"em", L"italic"},
    {L"u", L"underline"},    {L"s", L"strikeout"},     {L"strike", L"strikeout"},
    {L"font", L"font"},      {L"left", L"left"},       {L"center", L"center"},
    {L"right", L"right"},    {L"justify", L"justify"}, {L"baseline", L"baseline"},
    {L"top", L"top"},        {L"vcenter", L"vcenter"}, {L"middle", L"vcenter"},
    {L"bottom", L"vcenter"}, {L"body", L"body"},       {L"h1", L"h1"},
    {L"h2", L"h2"},          {L"h3", L"h3"},           {L"h4", L"h4"},
    {L"h5", L"h5"},          {L"h6", L"h6"},           {L"code", L"code"},
    {L"pre", L"pre"},        {L"big", L"big"},         {L"small", L"small"},
    {L"sub", L"sub"},        {L"sup", L"sup"},         {L"span", L"span"},
    {L"a", L"link"},
};

std::wstring_view GroupOf(std::wstring_view tag) {
    for (const TagGroup& entry : kStyleTags) {
        if (entry.tag == tag)
            return entry.group;
    }
    return {};
}

bool IsNamedRuleTag(std::wstring_view tag) {
    static constexpr std::wstring_view kNamed[] = {L"body",  L"h1",  L"h2",   L"h3",  L"h4",
                                                   L"h5",    L"h6",  L"code", L"pre", L"big",
                                                   L"small", L"sub", L"sup"};
    return std::find(std::begin(kNamed), std::end(kNamed), tag) != std::end(kNamed);
}

int CountBlanks(std::wstring_view text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), IsBlank));
}

std::wstring_view TrimRight(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::wstring_view TrimLeft(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::wstring Transform(std::wstring text, TextTransform transform) {
    bool wordStart = true;
    for (wchar_t& c : text) {
        switch (transform) {
            case TextTransform::kUppercase:
                c = static_cast<wchar_t>(std::towupper(c));
                break;
            case TextTransform::kLowercase:
                c = static_cast<wchar_t>(std::towlower(c));
                break;
            case TextTransform::kCapitalize:
                if (wordStart)
                    c = static_cast<wchar_t>(std::towupper(c));
                wordStart = IsBlank(c);
                break;
            case TextTransform::kNone:
                return text;
        }
    }
    return text;
}

std::wstring_view AttributeValue(const std::vector<MarkupAttribute>& attributes,
                                 std::wstring_view name) {
    const MarkupAttribute* attribute = FindAttribute(attributes, name);
    return attribute == nullptr ? std::wstring_view() : std::wstring_view(attribute->value);
}

int ReadInteger(std::wstring_view value) {
    const std::wstring copy(value);
    const unsigned long number = std::wcstoul(copy.c_str(), nullptr, 0);
    return static_cast<int>(std::min<unsigned long>(number, INT32_MAX));
}

int BackgroundEffect(std::wstring_view value, int fallback) {
    static constexpr std::wstring_view kEffects[] = {
        L"solid",      L"hgradient", L"vgradient", L"hcgradient", L"vcgradient", L"3hgradient",
        L"3vgradient", L"noise",     L"diagshade", L"hshade",     L"vshade",     L"hbump",
        L"vbump",      L"softbump",  L"hardbump",  L"metal"};
    if (value.empty())
        return fallback;
    if (value == L"transparent")
        return -1;
    for (size_t i = 0; i < std::size(kEffects); ++i) {
        if (kEffects[i] == value)
            return static_cast<int>(i);
    }
    if (value[0] == L'-')
        return -ReadInteger(value.substr(1));
    return std::iswdigit(value[0]) ? ReadInteger(value) : fallback;
}

// A table's or a cell's own attributes.
struct BoxAttributes {
    int rowSpan = 1;
    int columnSpan = 1;
    int border = 0;
    BorderStyle borderStyle = BorderStyle::kSolid;
    Colour light = 0;
    Colour dark = 0;
    bool hasBackground = false;
    Colour background = MakeColour(255, 255, 255);
    Colour middle = MakeColour(255, 255, 255);
    Colour end = MakeColour(255, 255, 255);
    int effect = -1;
    std::optional<HorizontalAlign> align;
    std::optional<VerticalAlign> valign;
    int width = 0;
    int height = 0;
    int padding = 1;
    int spacing = 2;
    std::wstring image;
};

BoxAttributes ReadBox(std::wstring_view text, const StyleContext& context, int availableWidth) {
    const auto attributes = ParseAttributes(text);
    BoxAttributes box;
    auto colour = [&](std::wstring_view name, Colour& field) {
        if (const auto value = context.ReadColour(AttributeValue(attributes, name))) {
            field = *value;
            return true;
        }
        return false;
    };
    box.rowSpan = std::max(1, ReadInteger(AttributeValue(attributes, L"rowspan")));
    box.columnSpan = std::max(1, ReadInteger(AttributeValue(attributes, L"colspan")));
    box.border = ParseLength(AttributeValue(attributes, L"border"), 0, context.lengths);
    if (const MarkupAttribute* style = FindAttribute(attributes, L"borderstyle"))
        box.borderStyle = ReadBorderStyle(style->value).value_or(box.borderStyle);
    Colour both = 0;
    if (colour(L"bordercolor", both))
        box.light = box.dark = both;
    colour(L"bordercolorlight", box.light);
    colour(L"bordercolordark", box.dark);
    box.hasBackground = colour(L"bgcolor", box.background);
    box.middle = box.end = box.background;
    colour(L"bgmidcolor", box.middle);
    colour(L"bgendcolor", box.end);
    box.effect =
        BackgroundEffect(AttributeValue(attributes, L"bgeffect"), box.hasBackground ? 0 : -1);
    if (const MarkupAttribute* align = FindAttribute(attributes, L"align"))
        box.align = ReadTextAlign(align->value);
    if (const MarkupAttribute* valign = FindAttribute(attributes, L"valign"))
        box.valign = ReadVerticalAlign(valign->value);
    box.width = ParseLength(AttributeValue(attributes, L"width"), availableWidth, context.lengths);
    if (FindAttribute(attributes, L"width") == nullptr)
        box.width = 0;
    box.height = ParseLength(AttributeValue(attributes, L"height"), 0, context.lengths);
    box.padding = ParseLength(AttributeValue(attributes, L"cellpadding"), 1, context.lengths);
    box.spacing = ParseLength(AttributeValue(attributes, L"cellspacing"), 2, context.lengths);
    box.image = std::wstring(AttributeValue(attributes, L"background"));
    return box;
}

// "idres:12", "iddll:12" or "file:C:\path" as an image source.
ImageRequest BackgroundImage(std::wstring_view source) {
    ImageRequest image;
    const size_t colon = source.find(L':');
    if (colon == std::wstring_view::npos)
        return image;
    const std::wstring_view kind = source.substr(0, colon);
    const std::wstring_view value = source.substr(colon + 1);
    if (kind == L"idres")
        image.resourceId = ReadInteger(value);
    else if (kind == L"iddll")
        image.libraryResourceId = ReadInteger(value);
    else if (kind == L"file")
        image.file = std::wstring(value);
    return image;
}

bool HasSource(const ImageRequest& image) {
    return image.resourceId != 0 || !image.file.empty() || image.libraryResourceId != 0 ||
           image.handle != 0;
}

// A run cut for the rest of a line: the piece that stays on it and the remainder.
struct RunCut {
    std::wstring_view piece;
    std::wstring_view remainder;
};

// Cuts a run that is wider than `available` after the last break character at which the
// piece still fits (blanks at the cut trimmed on both sides); with no such place, an empty
// line takes the characters that fit (at least one) and a started line none.
template <typename Width>
RunCut CutRun(std::wstring_view rest, int available, bool emptyLine, const Width& width) {
    // Only a prefix of a long run can be on this line: a window of it, doubled until it is
    // wider than the line, holds every place worth trying.
    size_t span = std::min<size_t>(rest.size(), 64);
    while (span < rest.size() && width(rest.substr(0, span)) <= available)
        span = std::min(rest.size(), span * 2);
    const std::wstring_view window = rest.substr(0, span);
    if (width(window) <= available)
        return {rest, {}};
    // The trimmed piece grows with the break's position: a binary search finds the last.
    std::vector<size_t> breaks;
    for (size_t i = 0; i < window.size(); ++i) {
        if (kBreakCharacters.find(window[i]) != std::wstring_view::npos)
            breaks.push_back(i);
    }
    size_t low = 0;
    size_t high = breaks.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (width(TrimRight(rest.substr(0, breaks[middle] + 1))) <= available)
            low = middle + 1;
        else
            high = middle;
    }
    if (low > 0) {
        const size_t at = breaks[low - 1] + 1;
        return {TrimRight(rest.substr(0, at)), TrimLeft(rest.substr(at))};
    }
    if (!emptyLine)
        return {{}, rest};
    size_t fit = 1;
    size_t most = window.size() - 1;
    while (fit < most) {
        const size_t middle = (fit + most + 1) / 2;
        if (width(rest.substr(0, middle)) <= available)
            fit = middle;
        else
            most = middle - 1;
    }
    if (fit < rest.size() && rest[fit - 1] >= 0xD800 && rest[fit - 1] < 0xDC00)
        ++fit;  // keep a surrogate pair whole
    return {rest.substr(0, fit), rest.substr(fit)};
}

}  // namespace

struct CZvHtmlDrawer::LineState {
    int left = 0;   // L
    int right = 0;  // R
    int top = 0;    // T, the current line's top
    int x = 0;
    int measureX = 0;  // unjustified advance since the line's start: the cut decisions
    int wrapWidth = 0;
    int blockWidth = 0;
    int recordedWidth = 0;  // drawing: the line's width as measured
    bool justified = false;
    int extra = 0;   // drawing: justification pixels still to spread
    int blanks = 0;  // drawing: blanks still to receive them
    // Measuring: blanks ending the last text piece, which do not count if the line ends
    // there.
    int trailingBlanks = 0;
    int trailingWidth = 0;
};

struct CZvHtmlDrawer::Pass {
    Pass(DrawingSurface& target, bool draw) : surface(target), drawing(draw) {}
    DrawingSurface& surface;
    bool drawing;
    MarkupStyle style;
    std::vector<MarkupStyle> stack;
    TextExtent font;
    StyleContext context;
    size_t currentLine = 0;
    size_t nextTable = 0;
    int linkCounter = -1;
    LineState* line = nullptr;
};

CZvHtmlDrawer::CZvHtmlDrawer() : disabledColour_(platform::SystemColour(kSystemButtonShadow)) {}

Size CZvHtmlDrawer::MeasureMarkup(DrawingSurface& surface, std::wstring_view text, int maxWidth) {
    surface.SetTextJustification(0, 0);
    text_ = PreprocessMarkup(text);
    maxWidth_ = std::max(0, maxWidth);
    if (text_.empty())
        return {};
    linkAreas_.clear();
    lines_.clear();
    tables_.clear();
    Size size = RunPass(surface, false, {0, 0, maxWidth_, 0});
    if (maxWidth_ > 0)
        size.width = std::min(size.width, maxWidth_);
    if (size.width == 0 && size.height == 0) {
        text_.clear();
        return {1, 1};
    }
    return {size.width + 1, size.height + 1};
}

void CZvHtmlDrawer::DrawMarkup(DrawingSurface& surface, const Rect& rect) {
    if (text_.empty())
        return;
    // One set of link areas per drawn picture: a redraw replaces them.
    linkAreas_.clear();
    RunPass(surface, true, rect);
}

Size CZvHtmlDrawer::RunPass(DrawingSurface& surface, bool drawing, const Rect& rect) {
    Pass pass(surface, drawing);
    pass.context.names = &colourNames_;
    pass.context.disabled = !enabled_;
    pass.context.disabledColour = disabledColour_;
    FontChanged(pass);
    ApplyRule(pass, pass.style, L"body");
    FontChanged(pass);
    const Size size = LayoutBlocks(pass, text_, rect, maxWidth_);
    surface.SetTextJustification(0, 0);
    return size;
}

Size CZvHtmlDrawer::LayoutBlocks(Pass& pass, std::wstring_view text, const Rect& area,
                                 int wrapWidth) {
    Size total;
    Rect blockArea = area;
    for (const MarkupBlock& block : SplitBlocks(text)) {
        const Size size = block.table ? LayoutTable(pass, block.text, blockArea, wrapWidth)
                                      : LayoutTextBlock(pass, block.text, blockArea, wrapWidth);
        total.width = std::max(total.width, size.width);
        Advance(total.height, size.height);
        Advance(blockArea.top, size.height);
    }
    return total;
}

Size CZvHtmlDrawer::LayoutTextBlock(Pass& pass, std::wstring_view text, const Rect& area,
                                    int wrapWidth) {
    LineState state;
    state.left = area.left;
    state.right = pass.drawing ? area.right : area.left + wrapWidth;
    state.top = area.top;
    state.wrapWidth = wrapWidth;
    LineState* outer = std::exchange(pass.line, &state);
    const std::wstring body = L"<body>" + std::wstring(text) + L"</body>";
    StartLine(pass);
    for (const MarkupToken& token : Tokenize(body)) {
        if (token.tag)
            HandleTag(pass, token);
        else
            TextRun(pass, token.text);
    }
    EndLine(pass, 1);
    pass.line = outer;
    return {pass.drawing ? area.right - area.left : state.blockWidth, state.top - area.top};
}

const LineInfo& CZvHtmlDrawer::DrawnLine(const Pass& pass) const {
    static const LineInfo kNone;
    return pass.currentLine < lines_.size() ? lines_[pass.currentLine] : kNone;
}

void CZvHtmlDrawer::StartLine(Pass& pass) {
    LineState& line = *pass.line;
    line.x = line.left;
    line.measureX = 0;
    line.trailingBlanks = line.trailingWidth = 0;
    if (!pass.drawing) {
        LineInfo info;
        info.align = static_cast<int32_t>(pass.style.horizontalAlign);
        lines_.push_back(info);
        return;
    }
    const LineInfo& info = DrawnLine(pass);
    const int available = line.right - line.left;
    const int width = Bounded(info.width + int64_t{info.percent} * available / 100);
    line.recordedWidth = info.width;
    const auto align = static_cast<HorizontalAlign>(info.align);
    line.justified = align == HorizontalAlign::kJustify && info.wrapped != 0;
    line.extra = line.justified ? std::max(0, available - width) : 0;
    line.blanks = info.blanks;
    pass.surface.SetTextJustification(0, 0);
    // A line wider than the rectangle (rules of a percentage width count in full only
    // now) starts at the left edge rather than before it.
    if (align == HorizontalAlign::kCenter)
        line.x += std::max(0, (available - width) / 2);
    else if (align == HorizontalAlign::kRight)
        line.x += std::max(0, available - width);
}

void CZvHtmlDrawer::EndLine(Pass& pass, int count) {
    LineState& line = *pass.line;
    int height = 0;
    if (!pass.drawing) {
        LineInfo& info = lines_[pass.currentLine];
        if (info.height == 0)
            info.height = pass.font.height;
        info.width = line.measureX - line.trailingWidth;
        info.blanks -= line.trailingBlanks;
        line.blockWidth = std::max(line.blockWidth, info.width);
        info.height += info.descent;
        height = info.height;
    } else {
        height = DrawnLine(pass).height;
    }
    ++pass.currentLine;
    Advance(line.top, int64_t{std::max(count, 1)} * height);
}

void CZvHtmlDrawer::FontChanged(Pass& pass) {
    pass.font = pass.surface.MeasureRun(pass.style, L"");
    pass.context.lengths = {pass.surface.XHeight(pass.style), pass.font.height,
                            pass.surface.PixelsPerInch()};
}

void CZvHtmlDrawer::ApplyRule(Pass& pass, MarkupStyle& style, std::wstring_view selector) const {
    if (const std::wstring* rule = sheet_.Find(selector))
        ApplyDeclarations(style, *rule, pass.context);
}

int CZvHtmlDrawer::TextTop(const Pass& pass, int lineHeight, int lineDescent) const {
    const int top = pass.line->top;
    switch (pass.style.verticalAlign) {
        case VerticalAlign::kTop:
            return top;
        case VerticalAlign::kMiddle:
            return top + (lineHeight - pass.font.height) / 2;
        case VerticalAlign::kBottom:
            return top + lineHeight - pass.font.ascent;
        case VerticalAlign::kBaseline:
            break;
    }
    return top + lineHeight - pass.font.ascent - lineDescent;
}

int CZvHtmlDrawer::BoxTop(const Pass& pass, int height) const {
    const LineInfo& info = DrawnLine(pass);
    const int top = pass.line->top;
    switch (pass.style.verticalAlign) {
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

void CZvHtmlDrawer::TextRun(Pass& pass, std::wstring text) {
    text = Transform(std::move(text), pass.style.textTransform);
    DrawingSurface& surface = pass.surface;
    LineState& line = *pass.line;
    auto width = [&](std::wstring_view run) {
        return run.empty() ? 0 : surface.MeasureRun(pass.style, run).width;
    };
    std::wstring_view rest = text;
    while (!rest.empty()) {
        surface.SetTextJustification(0, 0);
        RunCut cut{rest, {}};
        if (line.wrapWidth > 0)
            cut = CutRun(rest, line.wrapWidth - line.measureX, line.measureX == 0, width);
        const std::wstring_view piece = cut.piece;
        const std::wstring_view remainder = cut.remainder;
        const int pieceWidth = width(piece);
        if (!piece.empty()) {
            if (!pass.drawing) {
                LineInfo& info = lines_[pass.currentLine];
                info.align = static_cast<int32_t>(pass.style.horizontalAlign);
                info.blanks += CountBlanks(piece);
                const TextExtent extent = surface.MeasureRun(pass.style, piece);
                info.descent = std::max(info.descent, extent.height - pass.font.ascent);
                info.height = std::max(info.height, pass.font.ascent);
                Advance(line.x, pieceWidth);
                const std::wstring_view trimmed = TrimRight(piece);
                line.trailingBlanks = static_cast<int>(piece.size() - trimmed.size());
                line.trailingWidth = line.trailingBlanks > 0 ? pieceWidth - width(trimmed) : 0;
            } else {
                DrawPiece(pass, piece, pieceWidth);
            }
        }
        Advance(line.measureX, pieceWidth);
        if (remainder.empty())
            break;
        rest = remainder;
        if (piece.empty() && line.measureX == 0)
            continue;  // only blanks were cut off an empty line
        if (!pass.drawing)
            lines_[pass.currentLine].wrapped = 1;
        EndLine(pass, 1);
        StartLine(pass);
    }
}

void CZvHtmlDrawer::DrawPiece(Pass& pass, std::wstring_view piece, int measuredWidth) {
    DrawingSurface& surface = pass.surface;
    LineState& line = *pass.line;
    std::wstring_view shown = piece;
    if (measuredWidth >= line.recordedWidth - line.measureX && IsBlank(piece.back())) {
        // The line's last piece: its trailing blanks are not part of the recorded line
        // and would only push a justified or right-aligned line off its edge.
        shown = TrimRight(piece);
        if (shown.empty())
            return;
    }
    if (line.justified) {
        const int blanks = CountBlanks(shown);
        const int share =
            line.blanks > 0 ? line.extra * std::min(blanks, line.blanks) / line.blanks : 0;
        surface.SetTextJustification(share, blanks);
        line.extra -= share;
        line.blanks -= blanks;
    }
    const TextExtent extent = surface.MeasureRun(pass.style, shown);
    const LineInfo& info = DrawnLine(pass);
    const int y = TextTop(pass, info.height, info.descent);
    if (pass.style.linkKind != LinkKind::kNone) {
        linkAreas_.push_back({line.x, y, line.x + extent.width - 1, y + extent.height - 1,
                              pass.style.linkKind, pass.linkCounter, pass.style.linkTarget});
    }
    surface.DrawRun(pass.style, line.x, y, shown);
    if (pass.style.overline) {
        surface.DrawLine(line.x, y, line.x + extent.width, y, pass.style.colour,
                         pass.style.weight >= 700 ? 2 : 1, PenStyle::kSolid);
    }
    surface.SetTextJustification(0, 0);
    Advance(line.x, extent.width);
}

void CZvHtmlDrawer::HandleTag(Pass& pass, const MarkupToken& token) {
    const std::wstring& name = token.text;
    LineState& line = *pass.line;
    // The count of br=N and t=N is the attribute text after its "=".
    auto count = [&] {
        if (token.attributes.empty())
            return 1;
        return std::max(1, ParseLength(token.attributes.substr(1), 1, pass.context.lengths));
    };
    if (name == L"br") {
        const int lines = count();
        EndLine(pass, lines);
        StartLine(pass);
    } else if (name == L"t") {
        const int next = Bounded((int64_t{line.measureX} / kTabSize + count()) * kTabSize);
        Advance(line.x, next - line.measureX);
        line.measureX = next;
        line.trailingBlanks = line.trailingWidth = 0;
    } else if (name == L"hr") {
        HandleRule(pass, token);
    } else if (name == L"bmp" || name == L"icon" || name == L"ilst") {
        HandleImage(pass, token);
    } else if (name == L"string") {
        const auto attributes = ParseAttributes(token.attributes);
        std::wstring text;
        if (const int id = ReadInteger(AttributeValue(attributes, L"idres")); id != 0) {
            text = pass.surface.LoadResourceString(id, L"");
        } else if (const int libraryId = ReadInteger(AttributeValue(attributes, L"iddll"));
                   libraryId != 0) {
            text =
                pass.surface.LoadResourceString(libraryId, AttributeValue(attributes, L"srcdll"));
        }
        if (!text.empty())
            TextRun(pass, std::move(text));
    } else if (const std::wstring_view group = GroupOf(name); !group.empty()) {
        HandleStyleTag(pass, token, group);
    }
}

void CZvHtmlDrawer::HandleStyleTag(Pass& pass, const MarkupToken& token, std::wstring_view group) {
    MarkupStyle& style = pass.style;
    if (token.closing) {
        if (!pass.stack.empty() && pass.stack.back().group == group) {
            style = std::move(pass.stack.back());
            pass.stack.pop_back();
        }
        style.group.clear();
        FontChanged(pass);
        return;
    }
    if (pass.stack.size() >= kDeepestStyleStack)
        return;
    style.group = std::wstring(group);
    pass.stack.push_back(style);
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
        ApplyFontAttributes(style, ParseAttributes(token.attributes), pass.context);
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
        ApplyRule(pass, style, L"." + std::wstring(AttributeValue(attributes, L"class")));
    } else if (name == L"a") {
        ++pass.linkCounter;
        const auto attributes = ParseAttributes(token.attributes);
        if (const MarkupAttribute* href = FindAttribute(attributes, L"href")) {
            style.linkKind = LinkKind::kAddress;
            style.linkTarget = href->value;
        } else {
            style.linkKind = LinkKind::kMessage;
            style.linkTarget = std::wstring(AttributeValue(attributes, L"msg"));
        }
        ApplyRule(pass, style, pass.linkCounter == hotLink_ ? L"a:hover" : L"a:link");
    } else if (IsNamedRuleTag(name)) {
        ApplyRule(pass, style, name);
    }
    FontChanged(pass);
}

void CZvHtmlDrawer::HandleRule(Pass& pass, const MarkupToken& token) {
    LineState& line = *pass.line;
    MarkupStyle rule = pass.style;
    ApplyRule(pass, rule, L"hr");
    const auto attributes = ParseAttributes(token.attributes);
    const int thickness =
        std::max(1, ParseLength(AttributeValue(attributes, L"size"),
                                rule.borderWidth > 0 ? rule.borderWidth : 1, pass.context.lengths));
    const Colour colour =
        pass.context.ReadColour(AttributeValue(attributes, L"color")).value_or(rule.colour);
    const std::wstring_view widthValue = AttributeValue(attributes, L"width");
    const bool percentage = widthValue.empty() || widthValue.back() == L'%';
    const int width = ParseLength(widthValue, percentage ? 100 : 0, pass.context.lengths);
    const int advance = percentage ? 1 : width;
    if (!pass.drawing) {
        LineInfo& info = lines_[pass.currentLine];
        info.height = std::max(info.height, thickness + 8);
        if (percentage)
            info.percent = std::min(info.percent + width, kLargestPercent);
        Advance(line.x, advance);
    } else {
        const int drawn =
            percentage ? Bounded(int64_t{width} * (line.right - line.left) / 100) : width;
        const int y = line.top + DrawnLine(pass).height / 2;
        pass.surface.DrawLine(line.x, y, line.x + drawn, y, colour, thickness, PenStyle::kSolid);
        Advance(line.x, drawn);
    }
    Advance(line.measureX, advance);
    line.trailingBlanks = line.trailingWidth = 0;
}

void CZvHtmlDrawer::HandleImage(Pass& pass, const MarkupToken& token) {
    LineState& line = *pass.line;
    const auto attributes = ParseAttributes(token.attributes);
    ImageRequest image;
    image.kind = token.text == L"bmp"    ? ImageKind::kBitmap
                 : token.text == L"icon" ? ImageKind::kIcon
                                         : ImageKind::kImageList;
    image.resourceId = ReadInteger(AttributeValue(attributes, L"idres"));
    image.file = std::wstring(AttributeValue(attributes, L"file"));
    image.libraryResourceId = ReadInteger(AttributeValue(attributes, L"iddll"));
    image.library = std::wstring(AttributeValue(attributes, L"srcdll"));
    {
        const std::wstring handle(AttributeValue(attributes, L"handle"));
        image.handle = static_cast<uintptr_t>(std::wcstoull(handle.c_str(), nullptr, 0));
    }
    image.index = ReadInteger(AttributeValue(attributes, L"index"));
    image.cellWidth = ReadInteger(AttributeValue(attributes, L"cx"));
    image.cellHeight = ReadInteger(AttributeValue(attributes, L"cy"));
    if (const auto mask = pass.context.ReadColour(AttributeValue(attributes, L"mask"));
        mask && enabled_)
        image.mask = *mask;
    if (!HasSource(image) && image.kind != ImageKind::kImageList)
        return;
    const std::optional<Size> own = pass.surface.ImageSize(image);
    if (!own)
        return;
    const std::wstring_view effects = AttributeValue(attributes, L"style");
    int width = ParseLength(AttributeValue(attributes, L"width"), own->width, pass.context.lengths);
    int height =
        ParseLength(AttributeValue(attributes, L"height"), own->height, pass.context.lengths);
    if (effects.find(L's') != std::wstring_view::npos) {
        width += kShadowOffset;
        height += kShadowOffset;
    }
    if (line.wrapWidth > 0 && width > line.wrapWidth - line.measureX) {
        if (!pass.drawing)
            lines_[pass.currentLine].wrapped = 1;
        EndLine(pass, 1);
        StartLine(pass);
    }
    if (!pass.drawing) {
        LineInfo& info = lines_[pass.currentLine];
        info.height = std::max(info.height, height);
    } else {
        const int y = BoxTop(pass, height);
        const bool hot = pass.style.linkKind != LinkKind::kNone && pass.linkCounter == hotLink_;
        image.effects = std::wstring(hot ? AttributeValue(attributes, L"hotstyle") : effects);
        image.disabled = !enabled_;
        if (pass.style.linkKind != LinkKind::kNone) {
            linkAreas_.push_back({line.x, y, line.x + width - 1, y + height - 1,
                                  pass.style.linkKind, pass.linkCounter, pass.style.linkTarget});
        }
        pass.surface.DrawImage(image, {line.x, y, line.x + width, y + height});
    }
    Advance(line.x, width);
    Advance(line.measureX, width);
    line.trailingBlanks = line.trailingWidth = 0;
}

Size CZvHtmlDrawer::LayoutTable(Pass& pass, std::wstring_view text, const Rect& area,
                                int wrapWidth) {
    const MarkupTable table = ParseTable(text);
    const int available = pass.drawing ? area.right - area.left : wrapWidth;
    const BoxAttributes box = ReadBox(table.attributes, pass.context, available);
    const int border = box.borderStyle == BorderStyle::kNone ? 0 : box.border;
    const int cellFrame = border > 0 ? 1 : 0;

    struct Cell {
        const MarkupTableCell* markup;
        BoxAttributes box;
        std::optional<HorizontalAlign> align;
        std::optional<VerticalAlign> valign;
    };
    std::vector<Cell> cells;
    std::vector<std::vector<TableCellSpan>> spans;
    for (const MarkupTableRow& row : table.rows) {
        const BoxAttributes rowBox = ReadBox(row.attributes, pass.context, available);
        spans.emplace_back();
        for (const MarkupTableCell& cell : row.cells) {
            Cell entry{&cell, ReadBox(cell.attributes, pass.context, available), {}, {}};
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
    auto layoutCell = [&](const Cell& cell, const Rect& contentArea, int cellWrap) {
        MarkupStyle savedStyle = pass.style;
        std::vector<MarkupStyle> savedStack = std::move(pass.stack);
        pass.stack.clear();
        if (cell.align)
            pass.style.horizontalAlign = *cell.align;
        FontChanged(pass);
        const Size size = LayoutBlocks(pass, cell.markup->text, contentArea, cellWrap);
        pass.style = std::move(savedStyle);
        pass.stack = std::move(savedStack);
        FontChanged(pass);
        return size;
    };
    auto cellWrap = [&](const Cell& cell) {
        return cell.box.width > 0 ? std::max(1, cell.box.width - 2 * inset) : 0;
    };

    if (!pass.drawing) {
        const size_t index = tables_.size();
        tables_.emplace_back();
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
        TableRecord& record = tables_[index];
        record.geometry = ComputeTableGeometry(needs, border, box.spacing, {box.width, box.height});
        record.contents = std::move(contents);
        return record.geometry.size;
    }

    if (pass.nextTable >= tables_.size())
        return {};
    const TableRecord& record = tables_[pass.nextTable++];
    const Size size = record.geometry.size;
    int left = area.left;
    if (size.width < available && box.align == HorizontalAlign::kCenter)
        left += (available - size.width) / 2;
    else if (size.width < available && box.align == HorizontalAlign::kRight)
        left += available - size.width;
    const Rect rect{left, area.top, left + size.width, area.top + size.height};
    MarkupStyle frame;
    frame.borderStyle = box.borderStyle;
    frame.borderWidth = border;
    frame.borderLight = box.light;
    frame.borderDark = box.dark;
    if (box.effect >= 0) {
        pass.surface.FillBackground(rect, box.effect, box.background, box.middle, box.end, 5, 0);
    } else if (!box.image.empty()) {
        ImageRequest image = BackgroundImage(box.image);
        image.disabled = !enabled_;
        if (HasSource(image))
            pass.surface.DrawImage(image, rect);
    }
    DrawTableFrame(pass, frame, rect);
    for (size_t i = 0; i < cells.size() && i < record.geometry.cells.size(); ++i) {
        const Cell& cell = cells[i];
        const Rect& place = record.geometry.cells[i];
        const Rect cellRect{rect.left + place.left, rect.top + place.top, rect.left + place.right,
                            rect.top + place.bottom};
        if (cell.box.effect >= 0) {
            pass.surface.FillBackground(cellRect, cell.box.effect, cell.box.background,
                                        cell.box.middle, cell.box.end, 5, 0);
        }
        if (cellFrame > 0) {
            MarkupStyle cellBorder = frame;
            cellBorder.borderStyle = BorderStyle::kSolid;
            cellBorder.borderWidth = 1;
            std::swap(cellBorder.borderLight, cellBorder.borderDark);  // cells look sunken
            DrawTableFrame(pass, cellBorder, cellRect);
        }
        const Size content = i < record.contents.size() ? record.contents[i] : Size{};
        Rect contentArea{cellRect.left + inset, cellRect.top + inset, cellRect.right - inset,
                         cellRect.bottom - inset};
        const int spare = contentArea.Height() - content.height;
        const VerticalAlign valign = cell.valign.value_or(VerticalAlign::kMiddle);
        if (valign == VerticalAlign::kMiddle)
            contentArea.top += spare / 2;
        else if (valign == VerticalAlign::kBottom || valign == VerticalAlign::kBaseline)
            contentArea.top += spare;
        layoutCell(cell, contentArea, cellWrap(cell));
    }
    return {available, size.height};
}

void CZvHtmlDrawer::DrawTableFrame(Pass& pass, const MarkupStyle& frame, const Rect& rect) {
    if (frame.borderWidth < 1 || frame.borderStyle == BorderStyle::kNone)
        return;
    // Only solid borders may be wider than one pixel.
    const int width = frame.borderStyle == BorderStyle::kSolid ? frame.borderWidth : 1;
    const PenStyle pen = frame.borderStyle == BorderStyle::kDashed   ? PenStyle::kDashed
                         : frame.borderStyle == BorderStyle::kDotted ? PenStyle::kDotted
                                                                     : PenStyle::kSolid;
    const Colour light = enabled_ ? frame.borderLight : disabledColour_;
    const Colour dark = enabled_ ? frame.borderDark : disabledColour_;
    const int frames = frame.borderStyle == BorderStyle::kDouble ? 2 : 1;
    for (int f = 0; f < frames; ++f) {
        const int inset = width / 2 + f * 2 * width;
        const int left = rect.left + inset;
        const int top = rect.top + inset;
        const int right = rect.right - 1 - inset;
        const int bottom = rect.bottom - 1 - inset;
        if (right < left || bottom < top)
            return;
        pass.surface.DrawLine(left, top, right, top, light, width, pen);
        pass.surface.DrawLine(left, top, left, bottom, light, width, pen);
        pass.surface.DrawLine(right, top, right, bottom + 1, dark, width, pen);
        pass.surface.DrawLine(left, bottom, right, bottom, dark, width, pen);
    }
}

bool CZvHtmlDrawer::HitTestLink(Point point) {
    int found = kNoHotLink;
    bool hasTarget = false;
    for (const LinkArea& area : linkAreas_) {
        if (area.Contains(point)) {
            found = area.number;
            hasTarget = !area.target.empty();
            break;
        }
    }
    // The repaint handler redraws, which refills the link areas: nothing of them is used
    // after it.
    if (found != hotLink_) {
        hotLink_ = found;
        if (repaint_)
            repaint_(found);
    }
    return found != kNoHotLink && hasTarget;
}

LinkActivation CZvHtmlDrawer::ActivateLink(Point point) const {
    for (const LinkArea& area : linkAreas_) {
        if (area.Contains(point)) {
            if (area.target.empty())
                return {};
            return {area.kind, area.target};
        }
    }
    return {};
}

}  // namespace controls
