#include "controls/markup_values.h"

#include <cwctype>
#include <string>

namespace controls {

namespace {

// Reads an unsigned number as C does: decimal, "0x" hexadecimal or leading-zero octal.
unsigned long ReadUnsigned(std::wstring_view text, int base) {
    const std::wstring copy(text);
    return std::wcstoul(copy.c_str(), nullptr, base);
}

// The leading decimal number, with an optional fraction; 0 when there is none.
double LeadingNumber(std::wstring_view text) {
    double value = 0;
    size_t i = 0;
    for (; i < text.size() && std::iswdigit(text[i]); ++i)
        value = value * 10 + (text[i] - L'0');
    if (i < text.size() && text[i] == L'.') {
        double scale = 0.1;
        for (++i; i < text.size() && std::iswdigit(text[i]); ++i, scale /= 10)
            value += (text[i] - L'0') * scale;
    }
    return value;
}

// Lengths far beyond any screen are cut, so that markup cannot overflow the layout's
// arithmetic.
constexpr double kLargestLength = 100000;

int ToLength(double value) {
    if (!(value > 0))
        return 0;
    return static_cast<int>(value < kLargestLength ? value : kLargestLength);
}

}  // namespace

std::optional<Colour> ParseColour(std::wstring_view value, const ColourNames& names) {
    if (value.empty())
        return std::nullopt;
    if (value[0] == L'#') {
        if (value.size() != 7)
            return std::nullopt;
        for (const wchar_t c : value.substr(1)) {
            if (!std::iswxdigit(c))
                return std::nullopt;
        }
        const unsigned long rgb = ReadUnsigned(value.substr(1), 16);
        return MakeColour((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    if (std::iswdigit(value[0]))
        return static_cast<Colour>(ReadUnsigned(value, 0));
    return names.Find(value);
}

int ParseWeight(std::wstring_view value) {
    if (value.empty() || value == L"normal")
        return 400;
    if (value == L"bold")
        return 700;
    if (value == L"bolder")
        return 900;
    if (value == L"lighter")
        return 100;
    return ToLength(LeadingNumber(value));
}

int ParseLength(std::wstring_view value, int current, const LengthContext& context, bool fontSize) {
    if (value.empty())
        return current;
    if (value.back() == L'%')
        return ToLength(current * LeadingNumber(value) / 100);
    // A sign does not make a length relative: it is dropped.
    if (value[0] == L'+' || value[0] == L'-')
        value.remove_prefix(1);
    const double number = LeadingNumber(value);
    const std::wstring_view unit = value.size() >= 2 ? value.substr(value.size() - 2) : L"";
    const double inch = number * context.pixelsPerInch;
    if (unit == L"px")
        return ToLength(number);
    if (unit == L"ex")
        return ToLength(number * context.xHeight);
    if (unit == L"em")
        return ToLength(number * context.fontHeight);
    if (unit == L"in")
        return ToLength(inch);
    if (unit == L"cm")
        return ToLength(inch / 2.54);
    if (unit == L"mm")
        return ToLength(inch / 25.4);
    if (unit == L"pt")
        return ToLength(inch / 72);
    if (unit == L"pc")
        return ToLength(inch / 6);
    const int whole = ToLength(static_cast<double>(ReadUnsigned(value, 10)));
    if (fontSize && whole >= 1 && whole <= 7) {
        static constexpr int kHtmlFontSizes[] = {8, 10, 12, 14, 18, 24, 36};
        return kHtmlFontSizes[whole - 1];
    }
    return whole;
}

}  // namespace controls
