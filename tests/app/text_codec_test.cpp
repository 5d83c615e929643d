#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace {

TEST(TextCodec, Utf8RoundTripsEveryPlane) {
    const std::wstring wide = L"abc \u4e2d\u6587 \u00e9 \U0001F600";
    const std::string utf8 = text::WideToUtf8(wide);
    EXPECT_EQ(utf8, "abc \xE4\xB8\xAD\xE6\x96\x87 \xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(text::Utf8ToWide(utf8), wide);
}

TEST(TextCodec, InvalidUtf8BecomesReplacementCharacters) {
    struct Case {
        std::string input;
        std::wstring expected;
    };
    const Case cases[] = {
        {"a\xFF"
         "b",
         L"a\uFFFDb"},                            // byte that never starts a sequence
        {"\xE4\xB8", L"\uFFFD\uFFFD"},            // truncated three-byte sequence
        {"\xC0\xAF", L"\uFFFD\uFFFD"},            // overlong form of '/'
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
        {"x\xE4"
         "a",
         L"x\uFFFDa"},  // lead byte followed by ASCII
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::Utf8ToWide(c.input), c.expected) << c.input;
}

TEST(TextCodec, SystemCodePageKeepsChineseText) {
    const std::wstring wide = L"\u5b89\u88c5\u5b8c\u6210";  // 安装完成
    const std::string narrow = text::WideToSystem(wide);
#ifdef _WIN32
    // Code page 936 stores each of these characters in two bytes.
    EXPECT_EQ(narrow.size(), 8u);
#else
    EXPECT_EQ(narrow, text::WideToUtf8(wide));
#endif
    EXPECT_EQ(text::SystemToWide(narrow), wide);
    EXPECT_EQ(text::Utf8ToSystem(text::SystemToUtf8(narrow)), narrow);
}

#ifdef _WIN32
TEST(TextCodec, CharactersOutsideTheCodePageBecomeItsDefaultCharacter) {
    EXPECT_EQ(text::WideToSystem(L"a\u0e01b"), "a?b");  // Thai is not in code page 936
}
#endif

}  // namespace
