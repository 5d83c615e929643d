#include "controls/link_command.h"

#include <gtest/gtest.h>

namespace controls {
namespace {

TEST(HtmHandlerCommand, CutsThePlaceholderAndQuotesTheTarget) {
    const struct {
        const wchar_t* registered;
        const wchar_t* target;
        const wchar_t* expected;
    } cases[] = {
        {L"\"C:\\Browser\\browser.exe\" -nohome \"%1\"", L"http://a.test/x y",
         L"\"C:\\Browser\\browser.exe\" -nohome \"http://a.test/x y\""},
        {L"browser.exe %1", L"http://a.test/", L"browser.exe \"http://a.test/\""},
        {L"browser.exe", L"http://a.test/", L"browser.exe \"http://a.test/\""},
        // a quote in the target cannot end the argument early
        {L"browser.exe \"%1\"", L"a\" -evil \"b", L"browser.exe \"a -evil b\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmHandlerCommand(c.registered, c.target), c.expected) << c.registered;
}

}  // namespace
}  // namespace controls
