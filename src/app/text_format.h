#pragma once
// printf-style formatting of wide text with type-checked arguments. The same format
// strings work on both builds: "%s" takes any text (wide, or narrow in the system
// code page), integer conversions accept the "I64" and "ll" length forms.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace text {

class FormatArg {
  public:
    enum class Kind { Signed, Unsigned, Real, Text };

    FormatArg(int v) : kind_(Kind::Signed), signed_(v) {}
    FormatArg(long v) : kind_(Kind::Signed), signed_(v) {}
    FormatArg(long long v) : kind_(Kind::Signed), signed_(v) {}
    FormatArg(unsigned v) : kind_(Kind::Unsigned), unsigned_(v) {}
    FormatArg(unsigned long v) : kind_(Kind::Unsigned), unsigned_(v) {}
    FormatArg(unsigned long long v) : kind_(Kind::Unsigned), unsigned_(v) {}
    FormatArg(double v) : kind_(Kind::Real), real_(v) {}
    FormatArg(const std::wstring& v) : kind_(Kind::Text), text_(v) {}
    FormatArg(std::wstring_view v) : kind_(Kind::Text), text_(v) {}
    FormatArg(const wchar_t* v) : kind_(Kind::Text), text_(v ? v : L"") {}
    FormatArg(const std::string& v);
    FormatArg(const char* v);

    Kind kind() const { return kind_; }
    long long AsSigned() const;
    unsigned long long AsUnsigned() const;
    double AsReal() const;
    std::wstring AsText() const;

  private:
    Kind kind_;
    long long signed_ = 0;
    unsigned long long unsigned_ = 0;
    double real_ = 0;
    std::wstring text_;
};

std::wstring FormatArgs(std::wstring_view format, std::initializer_list<FormatArg> args);

template <class... Args>
std::wstring Format(std::wstring_view format, const Args&... args) {
    return FormatArgs(format, {FormatArg(args)...});
}

}  // namespace text
