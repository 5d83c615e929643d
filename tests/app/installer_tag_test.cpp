#include "app/installer_tag.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallerTag, WordsOfAcceptedAndReasonsForIgnoredTags) {
    struct Case {
        std::string tag;
        bool accepted;
        std::vector<StartupWord> words;  // when accepted
        std::wstring problem;            // when ignored
    };
    const std::string longest = "appid=" + std::string(kMaxInstallerTagBytes - 6, 'x');
    const Case cases[] = {
        {"comname=Vornel;appid=qz", true, {{L"comname", L"Vornel"}, {L"appid", L"qz"}}, L""},
        {";;appid=ab;;--ver=2.1", true, {{L"appid", L"ab"}, {L"--ver", L"2.1"}}, L""},
        {"appid=a=b",
         false,
         {},
         L"the value of appid holds a character other than A-Z a-z 0-9 . _ -"},
        {"appid=qz.Beta_2-x;comname=", true, {{L"appid", L"qz.Beta_2-x"}, {L"comname", L""}}, L""},
        {"", true, {}, L""},
        {longest, true, {{L"appid", std::wstring(kMaxInstallerTagBytes - 6, L'x')}}, L""},
        {longest + "x", false, {}, L"longer than 1024 bytes (1025)"},
        {"appid=\xff", false, {}, L"not UTF-8"},
        {"appid=\xe6\xbc", false, {}, L"not UTF-8"},  // cut inside a character
        {"appid=\xc0\xaf", false, {}, L"not UTF-8"},  // overlong "/"
        {"comname=V;server=evil.example", false, {}, L"names the key \"server\""},
        {"appid=qz;ui=console", false, {}, L"names the key \"ui\""},
        {"silent", false, {}, L"names the key \"\""},
        {" appid=x", false, {}, L"names the key \" appid\""},
        {"APPID=x", false, {}, L"names the key \"APPID\""},
        // Values that could forge log lines or leave the download directory.
        {"comname=V;appid=qz\r\n2026-01-01 00:00:00\tforged",
         false,
         {},
         L"the value of appid holds a character other than A-Z a-z 0-9 . _ -"},
        {"appid=..\\..\\Startup",
         false,
         {},
         L"the value of appid holds a character other than A-Z a-z 0-9 . _ -"},
        {"--ver=1 0",
         false,
         {},
         L"the value of --ver holds a character other than A-Z a-z 0-9 . _ -"},
        {"appid=\xe6\xbc\x94\xe7\xa4\xba",
         false,
         {},
         L"the value of appid holds a character other than A-Z a-z 0-9 . _ -"},
    };
    for (const auto& c : cases) {
        std::vector<StartupWord> words{{L"stale", L"word"}};
        std::wstring problem;
        EXPECT_EQ(ParseInstallerTag(c.tag, words, problem), c.accepted) << c.tag.substr(0, 40);
        if (c.accepted) {
            EXPECT_EQ(words, c.words) << c.tag.substr(0, 40);
        } else {
            EXPECT_TRUE(words.empty()) << c.tag.substr(0, 40);
            EXPECT_EQ(problem, c.problem) << c.tag.substr(0, 40);
        }
    }
}

}  // namespace
