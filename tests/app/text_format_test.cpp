#include "app/text_format.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(TextFormat, ConversionsMatchPrintf) {
    const int64_t big = 5000000000LL;
    EXPECT_EQ(text::Format(L"%s=%d", L"size", 42), L"size=42");
    EXPECT_EQ(text::Format(L"(%09I64d-%09I64d)", int64_t{1}, big), L"(000000001-5000000000)");
    EXPECT_EQ(text::Format(L"%I64d-%lld", big, big), L"5000000000-5000000000");
    EXPECT_EQ(text::Format(L"%.1f|%.2f KB|%.0f", 12.25f, 1.0, 1234.5), L"12.2|1.00 KB|1234");
    EXPECT_EQ(text::Format(L"%02X%02X", 10, 255), L"0AFF");
    EXPECT_EQ(text::Format(L"[%03d]%s", 7, "narrow"), L"[007]narrow");
    EXPECT_EQ(text::Format(L"100%% %5s|%-3s|", L"ab", L"c"), L"100%    ab|c  |");
    EXPECT_EQ(text::Format(L"%.3s", L"abcdef"), L"abc");
}

TEST(TextFormat, ArgumentsAreNeverReadAsFormats) {
    // Text that looks like a format stays as it is: free text always goes through %s.
    EXPECT_EQ(text::Format(L"%s", L"100%d %s %n"), L"100%d %s %n");
}

TEST(TextFormat, MissingOrMismatchedArgumentsDoNotCrash) {
    EXPECT_EQ(text::Format(L"a%db%sc"), L"abc");
    EXPECT_EQ(text::Format(L"%d", L"text"), L"text");
    EXPECT_EQ(text::Format(L"trailing %"), L"trailing ");
    EXPECT_EQ(text::Format(L"%s", static_cast<const wchar_t*>(nullptr)), L"");
}

}  // namespace
