#include "app/path_ops.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace {

struct JoinCase {
    std::wstring dir;
    std::wstring file;
    std::wstring expected;
};

TEST(PathOps, JoinPath) {
#ifdef _WIN32
    const JoinCase cases[] = {
        {L"C:\\Vornel\\setup\\qz\\", L"\\a.zip", L"C:\\Vornel\\setup\\qz\\a.zip"},
        {L"\\\\server\\share", L"a.zip", L"server\\share\\a.zip"},  // the historical rule
        {L"C:\\Vornel", L"", L"C:\\Vornel\\"},
        {L"C:\\Vornel", L"\\bin\\", L"C:\\Vornel\\bin"},
        {L"C:\\Vornel", L"config\\name.ini", L"C:\\Vornel\\config\\name.ini"},
    };
#else
    const JoinCase cases[] = {
        {L"/opt/Vornel/setup/qz/", L"\\a.zip", L"/opt/Vornel/setup/qz/a.zip"},
        {L"//srv/share", L"a.zip", L"/srv/share/a.zip"},  // absolute stays absolute
        {L"/opt/Vornel", L"", L"/opt/Vornel/"},
        {L"/opt/Vornel", L"\\bin\\", L"/opt/Vornel/bin"},
        {L"/opt/Vornel", L"config\\name.ini", L"/opt/Vornel/config/name.ini"},
        {L"relative\\dir", L"a", L"relative/dir/a"},
    };
#endif
    for (const auto& c : cases)
        EXPECT_EQ(JoinPath(c.dir, c.file), c.expected) << c.dir << L" + " << c.file;
}

TEST(PathOps, ServicePathsMustStayBelowTheirDirectory) {
    const struct {
        const wchar_t* value;
        bool confined;
    } cases[] = {
        {L"", true},
        {L"bin", true},
        {L"\\bin\\", true},  // the service's usual form: one leading separator is dropped
        {L"/bin/tool.exe", true},
        {L"tools\\QzTool.exe", true},
        {L"Qz 演示程序", true},
        {L"a..b\\..c", true},  // dots inside a name are no parent
        {L".config", true},
        {L"..", false},
        {L"../../escaped", false},
        {L"..\\..\\victim.txt", false},
        {L"bin\\..\\..\\x", false},
        {L"../.config/autostart/qz", false},
        {L"bin/..", false},
        {L"... \\x", false},  // Windows reads dots with trailing dots or blanks as ".."
        {L"C:\\Windows\\x.dll", false},
        {L"c:x", false},
        {L"\\\\server\\share\\x", false},
        {L"//server/share/x", false},
#ifdef _WIN32
        {L"a.txt:stream", false},
#else
        {L"a.txt:stream", true},  // an ordinary name on Linux
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsConfinedServicePath(c.value), c.confined) << c.value;
}

TEST(PathOps, GetFileNameOfPath) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"/res/agree.txt", L"agree.txt"},
        {L"/res/readme", L""},
        {L".hidden", L""},
        {L".a.txt", L""},
        {L"c:\\doc\\left.jpg", L"left.jpg"},
        {L"plain.txt", L"plain.txt"},
        {L"/doc/agree", L""},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(GetFileNameOfPath(path), expected) << path;
}

TEST(PathOps, EnsureDirectoryCreatesLevelsUpToTheLastSeparator) {
    ScopedTempDir temp;
    const std::wstring withSlash = JoinPath(temp.path(), L"a\\b\\c") + kPathSeparator;
    EXPECT_TRUE(EnsureDirectory(withSlash));
    EXPECT_TRUE(platform::IsDirectory(JoinPath(temp.path(), L"a\\b\\c")));

    // The final component without a trailing separator is not created.
    const std::wstring withoutSlash = JoinPath(temp.path(), L"x\\y");
    EXPECT_TRUE(EnsureDirectory(withoutSlash));
    EXPECT_TRUE(platform::IsDirectory(JoinPath(temp.path(), L"x")));
    EXPECT_FALSE(PathExists(withoutSlash));
}

TEST(PathOps, EnsureDirectoryFailsBelowAFile) {
    ScopedTempDir temp;
    const std::wstring file = temp / L"file";
    ASSERT_TRUE(platform::WriteWholeFile(file, "x"));
    EXPECT_FALSE(EnsureDirectory(JoinPath(file, L"sub") + kPathSeparator));
}

TEST(PathOps, ModuleDirIsTheDirectoryOfTheModule) {
    const std::wstring path = GetModulePath();
    const std::wstring dir = GetModuleDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(path.substr(0, dir.size()), dir);
    EXPECT_TRUE(IsPathSeparator(path[dir.size()]));
    EXPECT_TRUE(platform::IsDirectory(dir));
}

}  // namespace
