#include "app/text_format.h"

#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "platform/text_codec.h"

namespace text {

FormatArg::FormatArg(const std::string& v) : kind_(Kind::Text), text_(SystemToWide(v)) {}
FormatArg::FormatArg(const char* v) : kind_(Kind::Text), text_(SystemToWide(v ? v : "")) {}

long long FormatArg::AsSigned() const {
    switch (kind_) {
        case Kind::Signed:
            return signed_;
        case Kind::Unsigned:
            return static_cast<long long>(unsigned_);
        case Kind::Real:
            return static_cast<long long>(real_);
        case Kind::Text:
            return 0;
    }
    return 0;
}

unsigned long long FormatArg::AsUnsigned() const {
    return kind_ == Kind::Unsigned ? unsigned_ : static_cast<unsigned long long>(AsSigned());
}

double FormatArg::AsReal() const {
    switch (kind_) {
        case Kind::Signed:
            return static_cast<double>(signed_);
        case Kind::Unsigned:
            return static_cast<double>(unsigned_);
        case Kind::Real:
            return real_;
        case Kind::Text:
            return 0;
    }
    return 0;
}

std::wstring FormatArg::AsText() const {
    switch (kind_) {
        case Kind::Signed:
            return std::to_wstring(signed_);
        case Kind::Unsigned:
            return std::to_wstring(unsigned_);
        case Kind::Real:
            return std::to_wstring(real_);
        case Kind::Text:
            return text_;
    }
    return {};
}

namespace {

struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    wchar_t conversion = 0;
};

// Reads one conversion after '%'; returns false when the format ends inside it.
bool ParseConversion(std::wstring_view format, size_t& i, Conversion& conv) {
    while (i < format.size() && std::wcschr(L"-+ #0", format[i]) != nullptr)
        conv.flags += static_cast<char>(format[i++]);
    auto number = [&](int& out) {
        if (i >= format.size() || !std::iswdigit(format[i]))
            return;
        out = 0;
        while (i < format.size() && std::iswdigit(format[i]) && out < 10000)
            out = out * 10 + (format[i++] - L'0');
    };
    number(conv.width);
    if (i < format.size() && format[i] == L'.') {
        ++i;
        conv.precision = 0;
        number(conv.precision);
    }
    // Length modifiers carry no meaning here: the argument knows its own type.
    if (format.substr(i, 3) == L"I64" || format.substr(i, 3) == L"I32")
        i += 3;
    while (i < format.size() && std::wcschr(L"hlLqjztI", format[i]) != nullptr)
        ++i;
    if (i >= format.size())
        return false;
    conv.conversion = format[i++];
    return true;
}

std::string NarrowConversion(const Conversion& conv, const char* length, char conversion) {
    std::string s = "%" + conv.flags;
    if (conv.width >= 0)
        s += std::to_string(conv.width);
    if (conv.precision >= 0)
        s += "." + std::to_string(conv.precision);
    return s + length + conversion;
}

template <class T>
std::wstring PrintNumber(const std::string& narrowFormat, T value) {
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, narrowFormat.c_str(), value);
    if (n < 0)
        return {};
    return std::wstring(buffer,
                        buffer + (n < static_cast<int>(sizeof buffer) ? n : sizeof buffer - 1));
}

std::wstring PrintText(const Conversion& conv, std::wstring value) {
    if (conv.precision >= 0 && value.size() > static_cast<size_t>(conv.precision))
        value.resize(static_cast<size_t>(conv.precision));
    if (conv.width > 0 && value.size() < static_cast<size_t>(conv.width)) {
        const std::wstring pad(static_cast<size_t>(conv.width) - value.size(), L' ');
        value = conv.flags.find('-') != std::string::npos ? value + pad : pad + value;
    }
    return value;
}

std::wstring Convert(const Conversion& conv, const FormatArg& arg) {
    switch (conv.conversion) {
        case L'd':
        case L'i':
            if (arg.kind() == FormatArg::Kind::Text)
                return PrintText(conv, arg.AsText());
            return PrintNumber(NarrowConversion(conv, "ll", 'd'), arg.AsSigned());
        case L'u':
        case L'x':
        case L'X':
        case L'o':
            if (arg.kind() == FormatArg::Kind::Text)
                return PrintText(conv, arg.AsText());
            return PrintNumber(NarrowConversion(conv, "ll", static_cast<char>(conv.conversion)),
                               arg.AsUnsigned());
        case L'f':
        case L'F':
        case L'e':
        case L'E':
        case L'g':
        case L'G':
            if (arg.kind() == FormatArg::Kind::Text)
                return PrintText(conv, arg.AsText());
            return PrintNumber(NarrowConversion(conv, "", static_cast<char>(conv.conversion)),
                               arg.AsReal());
        case L'c':
            if (arg.kind() == FormatArg::Kind::Text)
                return PrintText(conv, arg.AsText());
            return PrintText(conv, std::wstring(1, static_cast<wchar_t>(arg.AsSigned())));
        default:  // s, S and anything unknown: the argument as text
            return PrintText(conv, arg.AsText());
    }
}

}  // namespace

std::wstring FormatArgs(std::wstring_view format, std::initializer_list<FormatArg> args) {
    std::wstring out;
    out.reserve(format.size() + 64);
    auto next = args.begin();
    size_t i = 0;
    while (i < format.size()) {
        const wchar_t c = format[i++];
        if (c != L'%') {
            out += c;
            continue;
        }
        if (i < format.size() && format[i] == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        Conversion conv;
        if (!ParseConversion(format, i, conv))
            break;
        if (next == args.end())
            continue;  // a conversion without argument prints nothing
        out += Convert(conv, *next++);
    }
    return out;
}

}  // namespace text
