// The profile (INI) functions that install.ini, config\name.ini and config\Name.ini go
// through. Windows runs the system's functions, Linux its own reader/writer: both must
// keep the same observable rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "finish_test_support.h"
#include "platform/file.h"
#include "platform/profile.h"

namespace {

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line)
            return i;
    return std::string::npos;
}

constexpr char kSample[] =
    "[InstallInfo]\r\n"
    "DisplayName=App\r\n"
    "ItemCount=1\r\n"
    "\r\n"
    "[Item1]\r\n"
    "FileName=a.zip\r\n"
    "\r\n";

TEST(ProfileFile, ReadMatchesSectionAndKeyWithoutCase) {
    ScopedTempDir dir;
    const std::wstring file = dir / L"p.ini";
    ASSERT_TRUE(platform::WriteWholeFile(file, "[Name]\r\nExe=app.exe\r\n[Other]\r\nexe=no\r\n"));
    struct Case {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* expected;
    } cases[] = {
        {L"Name", L"exe", L"app.exe"}, {L"NAME", L"EXE", L"app.exe"}, {L"name", L"Exe", L"app.exe"},
        {L"other", L"EXE", L"no"},     {L"Name", L"missing", L""},    {L"Missing", L"exe", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::ReadProfileValue(file, c.section, c.key), c.expected)
            << c.section << L"/" << c.key;
    EXPECT_EQ(platform::ReadProfileValue(dir / L"absent.ini", L"Name", L"exe"), L"");
}

TEST(ProfileFile, WriteCreatesAMissingFile) {
    ScopedTempDir dir;
    const std::wstring file = dir / L"new.ini";
    ASSERT_TRUE(platform::WriteProfileValue(file, L"Name", L"username", L"Vornel"));
    ASSERT_TRUE(platform::WriteProfileValue(file, L"Name", L"title", L"在线安装"));
    EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"username"), L"Vornel");
    EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"title"), L"在线安装");
    const auto lines = Lines(ReadBytes(file));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[Name]");
    EXPECT_EQ(lines[1], "username=Vornel");
}

TEST(ProfileFile, KeyAddedToExistingSectionKeepsEveryOtherLine) {
    ScopedTempDir dir;
    const std::wstring file = dir / L"install.ini";
    ASSERT_TRUE(platform::WriteWholeFile(file, kSample));
    ASSERT_TRUE(platform::WriteProfileValue(file, L"InstallInfo", L"Link1", L"C:\\d\\a.lnk"));
    ASSERT_TRUE(platform::WriteProfileValue(file, L"installinfo", L"Link2", L"C:\\m\\b.lnk"));

    const auto lines = Lines(ReadBytes(file));
    const size_t link1 = IndexOf(lines, "Link1=C:\\d\\a.lnk");
    const size_t link2 = IndexOf(lines, "Link2=C:\\m\\b.lnk");
    ASSERT_NE(link1, std::string::npos);
    ASSERT_NE(link2, std::string::npos);
    // Every original line is still there, in its order, and the links sit in their section.
    size_t previous = 0;
    for (const auto& original : Lines(kSample)) {
        if (original.empty())
            continue;
        const size_t at = IndexOf(lines, original);
        ASSERT_NE(at, std::string::npos) << original;
        EXPECT_GE(at, previous) << original;
        previous = at;
    }
    EXPECT_GT(link1, IndexOf(lines, "ItemCount=1"));
    EXPECT_LT(link2, IndexOf(lines, "[Item1]"));
    EXPECT_LT(link1, link2);
    EXPECT_EQ(platform::ReadProfileValue(file, L"Item1", L"FileName"), L"a.zip");
}

TEST(ProfileFile, ExistingKeyIsReplacedInPlace) {
    ScopedTempDir dir;
    const std::wstring file = dir / L"p.ini";
    ASSERT_TRUE(platform::WriteWholeFile(file, "[Name]\r\nexe=app.exe\r\nver=1\r\n"));
    ASSERT_TRUE(platform::WriteProfileValue(file, L"NAME", L"EXE", L"other.exe"));
    const auto lines = Lines(ReadBytes(file));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"exe"), L"other.exe");
    EXPECT_EQ(lines[2], "ver=1");
}

TEST(ProfileFile, NewSectionGoesAfterTheExistingOnes) {
    ScopedTempDir dir;
    const std::wstring file = dir / L"p.ini";
    ASSERT_TRUE(platform::WriteWholeFile(file, kSample));
    ASSERT_TRUE(platform::WriteProfileValue(file, L"Name", L"appid", L"qz"));
    const auto lines = Lines(ReadBytes(file));
    EXPECT_GT(IndexOf(lines, "[Name]"), IndexOf(lines, "FileName=a.zip"));
    EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"appid"), L"qz");
    EXPECT_EQ(platform::ReadProfileValue(file, L"InstallInfo", L"DisplayName"), L"App");
}

TEST(ProfileFile, FileNameMatchesWithoutCase) {
    // The application ships config\name.ini; the installer writes config\Name.ini.
    ScopedTempDir dir;
    ASSERT_TRUE(platform::WriteWholeFile(dir / L"name.ini", "[Name]\r\nexe=app.exe\r\n"));
    ASSERT_TRUE(platform::WriteProfileValue(dir / L"Name.ini", L"Name", L"appid", L"qz"));
    EXPECT_EQ(platform::ReadProfileValue(dir / L"NAME.INI", L"Name", L"exe"), L"app.exe");
    EXPECT_EQ(platform::ReadProfileValue(dir / L"name.ini", L"Name", L"appid"), L"qz");
}

#ifndef _WIN32
// Rules of the Linux reader/writer beyond the shared ones.
TEST(ProfileFileLinux, KeepsMarkAndLineEndsAndQuotesAreRemovedOnRead) {
    ScopedTempDir dir;
    const std::wstring file = dir / L"p.ini";
    ASSERT_TRUE(
        platform::WriteWholeFile(file, "\xEF\xBB\xBF[Name]\n; note\n exe = \"a b.exe\" \n"));
    EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"exe"), L"a b.exe");
    ASSERT_TRUE(platform::WriteProfileValue(file, L"Name", L"ver", L"2.0"));
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF[Name]\n; note\n exe = \"a b.exe\" \nver=2.0\n");
}

TEST(ProfileFileLinux, LineBreaksInAValueCannotForgeLines) {
    ScopedTempDir dir;
    const std::wstring file = dir / L"p.ini";
    ASSERT_TRUE(platform::WriteProfileValue(file, L"Name", L"title", L"a\r\n[Item9]\nDir=/"));
    EXPECT_EQ(ReadBytes(file), "[Name]\r\ntitle=a  [Item9] Dir=/\r\n");
}

TEST(ProfileFileLinux, ALastLineEndingInACarriageReturnKeepsItsMeaning) {
    // An unclosed header at the end of a file with LF line ends, its own line ended by CR
    // alone: the key added to that section must be read back from the file as written
    // (the header must not turn into a second, empty section that hides the key).
    ScopedTempDir dir;
    const std::wstring file = dir / L"p.ini";
    ASSERT_TRUE(platform::WriteWholeFile(file, "[Name]\nexe=app.exe\n[Item1\r"));
    ASSERT_TRUE(platform::WriteProfileValue(file, L"Item1", L"FileName", L"a.zip"));
    EXPECT_EQ(platform::ReadProfileValue(file, L"Item1", L"FileName"), L"a.zip");
    EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"exe"), L"app.exe");
    EXPECT_EQ(ReadBytes(file), "[Name]\nexe=app.exe\n[Item1\nFileName=a.zip\n");
}

TEST(ProfileFileLinux, ALineWhoseTextEndsInACarriageReturnKeepsIt) {
    // "[Item1\r" ended by a second CR at the end of the file: a section added after it
    // must not turn the header's own CR into half of a CR LF line end.
    ScopedTempDir dir;
    const std::wstring file = dir / L"p.ini";
    ASSERT_TRUE(platform::WriteWholeFile(file, "[Name]\nexe=app.exe\n[Item1\r\r"));
    ASSERT_TRUE(platform::WriteProfileValue(file, L"item1", L"FileName", L"a.zip"));
    EXPECT_EQ(platform::ReadProfileValue(file, L"item1", L"FileName"), L"a.zip");
    EXPECT_EQ(ReadBytes(file), "[Name]\nexe=app.exe\n[Item1\r\r\n[item1]\nFileName=a.zip\n");
}

TEST(ProfileFileLinux, LongValuesAreCutLikeTheNarrowFunction) {
    ScopedTempDir dir;
    const std::wstring file = dir / L"p.ini";
    // 258 ASCII bytes and then a three-byte character that does not fit into 259.
    ASSERT_TRUE(
        platform::WriteWholeFile(file, "[Name]\nexe=" + std::string(258, 'a') + "\xE4\xB8\xAD\n"));
    EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"exe"), std::wstring(258, L'a'));
}
#endif

}  // namespace
