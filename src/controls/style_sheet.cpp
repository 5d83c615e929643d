#include "controls/style_sheet.h"

#include <cwctype>

namespace controls {

namespace {

constexpr std::wstring_view kDefaultSheet =
    L"body {font-size: 10pt; color:black; font-family:Verdana}\r\n"
    L"p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    L"h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    L"h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    L"h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}\r\n"
    L"h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    L"h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    L"h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}\r\n"
    L"pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}\r\n"
    L"code {color:#990000; font-family:Arial}\r\n"
    L"a:link {text-decoration:none; color:blue}\r\n"
    L"a:hover {text-decoration:underline; color:blue}\r\n"
    L"sub {font-size:65%; vertical-align:bottom}\r\n"
    L"sup {font-size:65%; vertical-align:top}\r\n"
    L"big {font-size:125%}\r\n"
    L"small {font-size:75%}\r\n"
    L".cpp-comment {color:green; font-style:italic}\r\n";

bool IsDeclarationStart(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'.';
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && std::iswspace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && std::iswspace(text.back()))
        text.remove_suffix(1);
    return text;
}

void ApplyBorderWidth(MarkupStyle& style, int width) {
    style.borderWidth = width;
    if (width == 0)
        style.borderStyle = BorderStyle::kNone;
    else if (style.borderStyle == BorderStyle::kNone)
        style.borderStyle = BorderStyle::kSolid;
}

void ApplyTextDecoration(MarkupStyle& style, std::wstring_view value) {
    if (value.empty()) {
        style.underline = style.strikeOut = style.overline = false;
        return;
    }
    size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && (IsBlank(value[i]) || value[i] == L','))
            ++i;
        const size_t start = i;
        while (i < value.size() && !IsBlank(value[i]) && value[i] != L',')
            ++i;
        const std::wstring_view word = value.substr(start, i - start);
        if (word == L"none")
            style.underline = style.strikeOut = style.overline = false;
        else if (word == L"underline")
            style.underline = true;
        else if (word == L"line-through")
            style.strikeOut = true;
        else if (word == L"overline")
            style.overline = true;
    }
}

void ApplyProperty(MarkupStyle& style, std::wstring_view property, std::wstring_view value,
                   const StyleContext& context) {
    if (property == L"font-size") {
        style.size = ParseLength(value, style.size, context.lengths, true);
    } else if (property == L"font-family") {
        if (!value.empty())
            style.family = std::wstring(value);
    } else if (property == L"font-style") {
        if (value.empty() || value == L"normal")
            style.italic = false;
        else if (value == L"italic" || value == L"oblique")
            style.italic = true;
    } else if (property == L"font-weight") {
        style.weight = ParseWeight(value);
    } else if (property == L"text-align") {
        style.horizontalAlign = ReadTextAlign(value).value_or(style.horizontalAlign);
    } else if (property == L"text-transform") {
        if (value.empty() || value == L"none")
            style.textTransform = TextTransform::kNone;
        else if (value == L"uppercase")
            style.textTransform = TextTransform::kUppercase;
        else if (value == L"lowercase")
            style.textTransform = TextTransform::kLowercase;
        else if (value == L"capitalize")
            style.textTransform = TextTransform::kCapitalize;
    } else if (property == L"color") {
        if (const auto colour = context.ReadColour(value))
            style.colour = *colour;
    } else if (property == L"background-color") {
        if (value.empty() || value == L"transparent") {
            style.opaqueBackground = false;
        } else if (const auto colour = context.ReadColour(value)) {
            style.backgroundColour = *colour;
            style.opaqueBackground = true;
        }
    } else if (property == L"text-decoration") {
        ApplyTextDecoration(style, value);
    } else if (property == L"vertical-align") {
        style.verticalAlign = ReadVerticalAlign(value).value_or(style.verticalAlign);
    } else if (property == L"border-color") {
        if (const auto colour = context.ReadColour(value))
            style.borderLight = style.borderDark = *colour;
    } else if (property == L"border-width" || property == L"size") {
        if (value == L"thin")
            ApplyBorderWidth(style, style.borderWidth * 75 / 100);
        else if (value == L"thick")
            ApplyBorderWidth(style, style.borderWidth * 125 / 100);
        else if (value != L"medium")
            ApplyBorderWidth(style, ParseLength(value, style.borderWidth, context.lengths));
    } else if (property == L"border-style") {
        const BorderStyle border = ReadBorderStyle(value).value_or(style.borderStyle);
        style.borderStyle = border;
        if (border != BorderStyle::kNone && style.borderWidth == 0)
            style.borderWidth = 1;
    } else if (property == L"margin") {
        style.margin = ParseLength(value, style.margin, context.lengths);
    } else if (property == L"padding") {
        style.padding = ParseLength(value, style.padding, context.lengths);
    }
}

}  // namespace

std::optional<HorizontalAlign> ReadTextAlign(std::wstring_view value) {
    if (value.empty() || value == L"left")
        return HorizontalAlign::kLeft;
    if (value == L"center")
        return HorizontalAlign::kCenter;
    if (value == L"right")
        return HorizontalAlign::kRight;
    return std::nullopt;
}

std::optional<VerticalAlign> ReadVerticalAlign(std::wstring_view value) {
    if (value.empty() || value == L"baseline")
        return VerticalAlign::kBaseline;
    if (value == L"middle" || value == L"vcenter")
        return VerticalAlign::kMiddle;
    if (value == L"top")
        return VerticalAlign::kTop;
    if (value == L"bottom")
        return VerticalAlign::kBottom;
    return std::nullopt;
}

std::optional<BorderStyle> ReadBorderStyle(std::wstring_view value) {
    if (value.empty() || value == L"none")
        return BorderStyle::kNone;
    if (value == L"solid")
        return BorderStyle::kSolid;
    if (value == L"dotted")
        return BorderStyle::kDotted;
    if (value == L"dashed")
        return BorderStyle::kDashed;
    if (value == L"double")
        return BorderStyle::kDouble;
    return std::nullopt;
}

std::optional<Colour> StyleContext::ReadColour(std::wstring_view value) const {
    const auto colour = ParseColour(value, *names);
    if (colour && disabled)
        return disabledColour;
    return colour;
}

std::wstring ToLower(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(c));
    return lower;
}

StyleSheet::StyleSheet() {
    Load(L"");
}

std::wstring_view StyleSheet::DefaultText() {
    return kDefaultSheet;
}

void StyleSheet::Load(std::wstring_view text) {
    rules_.clear();
    if (Trim(text).empty())
        text = kDefaultSheet;
    while (true) {
        const size_t open = text.find(L'{');
        if (open == std::wstring_view::npos)
            break;
        const size_t close = text.find(L'}', open);
        const size_t end = close == std::wstring_view::npos ? text.size() : close;
        Add(Trim(text.substr(0, open)), text.substr(open + 1, end - open - 1));
        if (close == std::wstring_view::npos)
            break;
        text.remove_prefix(close + 1);
    }
}

void StyleSheet::Add(std::wstring_view selector, std::wstring_view declarations) {
    rules_[ToLower(selector)] = std::wstring(declarations);
}

const std::wstring* StyleSheet::Find(std::wstring_view selector) const {
    const auto rule = rules_.find(ToLower(selector));
    return rule == rules_.end() ? nullptr : &rule->second;
}

void ApplyDeclarations(MarkupStyle& style, std::wstring_view declarations,
                       const StyleContext& context) {
    const std::wstring text = ToLower(declarations);
    size_t i = 0;
    while (true) {
        while (i < text.size() && !IsDeclarationStart(text[i]))
            ++i;
        if (i >= text.size())
            break;
        const size_t start = i;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != L':')
            ++i;
        const std::wstring_view property(text.data() + start, i - start);
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        std::wstring_view value;
        if (i < text.size() && text[i] == L':') {
            ++i;
            while (i < text.size() && IsBlank(text[i]))
                ++i;
            if (i < text.size() && text[i] == L'"') {
                const size_t end = text.find(L'"', i + 1);
                const size_t stop = end == std::wstring::npos ? text.size() : end;
                value = std::wstring_view(text.data() + i + 1, stop - i - 1);
                i = stop == text.size() ? stop : stop + 1;
            } else {
                const size_t end = text.find(L';', i);
                const size_t stop = end == std::wstring::npos ? text.size() : end;
                value = Trim(std::wstring_view(text.data() + i, stop - i));
                i = stop;
            }
        }
        ApplyProperty(style, property, value, context);
    }
}

void ApplyFontAttributes(MarkupStyle& style, const std::vector<MarkupAttribute>& attributes,
                         const StyleContext& context) {
    for (const MarkupAttribute& attribute : attributes) {
        const std::wstring& value = attribute.value;
        if (attribute.name == L"face") {
            if (!value.empty())
                style.family = value;
        } else if (attribute.name == L"size") {
            style.size = ParseLength(value, style.size, context.lengths, true);
        } else if (attribute.name == L"color") {
            if (const auto colour = context.ReadColour(value))
                style.colour = *colour;
        } else if (attribute.name == L"style") {
            bool on = true;
            for (const wchar_t c : value) {
                switch (c) {
                    case L'-':
                        on = false;
                        continue;
                    case L'+':
                        on = true;
                        continue;
                    case L'b':
                        style.weight = on ? 700 : 400;
                        break;
                    case L'i':
                        style.italic = on;
                        break;
                    case L'u':
                        style.underline = on;
                        break;
                    case L's':
                        style.strikeOut = on;
                        break;
                    case L'o':
                        style.overline = on;
                        break;
                    default:
                        break;
                }
                on = true;
            }
        } else if (attribute.name == L"weight") {
            style.weight = ParseWeight(value);
        } else if (attribute.name == L"bkgnd") {
            if (value.empty() || value == L"transparent") {
                style.opaqueBackground = false;
            } else if (const auto colour = context.ReadColour(value)) {
                style.backgroundColour = *colour;
                style.opaqueBackground = true;
            }
        }
    }
}

}  // namespace controls
