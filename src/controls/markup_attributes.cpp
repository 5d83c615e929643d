#include "controls/markup_attributes.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

namespace controls {

namespace {

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

}  // namespace

std::wstring_view StyleGroupOf(std::wstring_view tag) {
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

std::wstring TransformText(std::wstring text, TextTransform transform) {
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

ImageRequest ReadImageTag(std::wstring_view tag, const std::vector<MarkupAttribute>& attributes,
                          const StyleContext& context, bool enabled) {
    ImageRequest image;
    image.kind = tag == L"bmp"    ? ImageKind::kBitmap
                 : tag == L"icon" ? ImageKind::kIcon
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
    if (const auto mask = context.ReadColour(AttributeValue(attributes, L"mask")); mask && enabled)
        image.mask = *mask;
    return image;
}

}  // namespace controls
