// Shortcuts on the desktop and in the start menu, recorded in install.ini.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/path_ops.h"
#include "finish_test_support.h"
#include "install/shortcuts.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/profile.h"
#include "platform/shell_folders.h"
#include "platform/shell_link.h"

namespace {

std::wstring Folder(platform::SpecialFolder which) {
    std::wstring folder;
    EXPECT_TRUE(platform::GetSpecialFolderPath(which, folder, true));
    return folder;
}

class Shortcuts : public ::testing::Test {
  protected:
    ScopedTempDir dir;
    IsolatedUserFolders folders{dir.path()};
    LoopbackService service;
    CInstallContext context{{service.Address()}, dir / L"Install.log"};
    std::vector<std::wstring> created;

    std::wstring Setup() const { return dir / L"app"; }
    std::wstring Record() const {
        return JoinPath(Setup(), L"uninst") + kPathSeparator + L"install.ini";
    }

    void SetUp() override {
        context.SetParam(L"SetupFullPath", Setup());
        context.SetParam(L"UninstallPath", JoinPath(Setup(), L"uninst"));
        // Real targets: the shell resolves what a link points at when it is saved.
        for (const wchar_t* file : {L"bin\\app.exe", L"app.ico", L"m.exe", L"res\\m.ico"}) {
            const std::wstring path = JoinPath(Setup(), file);
            ASSERT_TRUE(EnsureDirectory(path));
            ASSERT_TRUE(platform::WriteWholeFile(path, "x"));
        }
        ASSERT_TRUE(EnsureDirectory(Record()));
    }
    void TearDown() override {
        for (const auto& link : created)
            platform::RemoveFile(link);
    }
    std::wstring Link(platform::SpecialFolder which, const std::wstring& name) {
        created.push_back(Folder(which) + kPathSeparator + name + L".lnk");
        return created.back();
    }
};

TEST_F(Shortcuts, DesktopAndMenuRecordsGiveTwoLinksTwoTipLinesAndTwoKeys) {
    ASSERT_TRUE(platform::WriteWholeFile(Record(), "[InstallInfo]\r\nItemCount=0\r\n\r\n"));
    service.Answer("createicon",
                   "OK[{'type':'desktop','name':'测试 installer-test','icon':'app.ico',"
                   "'exename':'bin\\app.exe'},"
                   "{'type':'menu','name':'installer-test menu','icon':'res\\m.ico',"
                   "'exename':'m.exe'}]");
    const std::wstring desktopLink = Link(platform::SpecialFolder::Desktop, L"测试 installer-test");
    const std::wstring menuLink =
        Link(platform::SpecialFolder::StartMenuPrograms, L"installer-test menu");

    std::wstring tip;
    CreateShortcuts(context, tip);

    EXPECT_EQ(tip,
              L"创建图标：“测试 installer-test”\t在桌面上\n"
              L"创建图标：“installer-test menu”\t在开始菜单\n");
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"Link1"), desktopLink);
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"Link2"), menuLink);
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"ItemCount"), L"0");

    struct Expected {
        std::wstring link, target, icon;
    } links[] = {
        {desktopLink, JoinPath(Setup(), L"bin\\app.exe"), JoinPath(Setup(), L"app.ico")},
        {menuLink, JoinPath(Setup(), L"m.exe"), JoinPath(Setup(), L"res\\m.ico")},
    };
    platform::ShellLinkScope scope;
    for (const auto& expected : links) {
        platform::ShellLinkProperties read;
        ASSERT_TRUE(platform::ReadShellLink(expected.link, read)) << expected.link;
        EXPECT_EQ(read.target, expected.target);
        EXPECT_EQ(read.workingDirectory, Setup());
        EXPECT_EQ(read.iconPath, expected.icon);
        EXPECT_EQ(read.iconIndex, 0);
    }
}

TEST_F(Shortcuts, UnknownTypesAreSkippedAndLogged) {
    service.Answer("createicon",
                   "OK[{'type':'Desktop','name':'installer-test capital','exename':'m.exe'},"
                   "{'type':'start','name':'installer-test start','exename':'m.exe'},"
                   "{'type':'menu','name':'installer-test only','exename':'m.exe'}]");
    const std::wstring menuLink =
        Link(platform::SpecialFolder::StartMenuPrograms, L"installer-test only");
    const std::wstring capitalLink =
        Link(platform::SpecialFolder::Desktop, L"installer-test capital");

    std::wstring tip = L"before\n";
    CreateShortcuts(context, tip);

    EXPECT_EQ(tip, L"before\n创建图标：“installer-test only”\t在开始菜单\n");
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"Link1"), menuLink);
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"Link2"), L"");
    EXPECT_TRUE(platform::PathExists(menuLink));
    EXPECT_FALSE(platform::PathExists(capitalLink));
    const std::wstring log = ReadLog(dir / L"Install.log");
    EXPECT_NE(log.find(L"“Desktop”"), std::wstring::npos) << log;
    EXPECT_NE(log.find(L"“start”"), std::wstring::npos) << log;
}

TEST_F(Shortcuts, RecordsLeadingOutsideTheirFoldersAreRefusedAndLogged) {
    // Each record has one field leading elsewhere; only the last one is sound.
    service.Answer(
        "createicon",
        "OK[{'type':'desktop','name':'../autostart/qz','icon':'','exename':'m.exe'},"
        "{'type':'desktop','name':'installer-test exe','icon':'','exename':'../../m.exe'},"
        "{'type':'desktop','name':'installer-test icon','icon':'C:/x.ico','exename':'m.exe'},"
        "{'type':'menu','name':'installer-test fine','icon':'','exename':'m.exe'}]");
    const std::wstring fine =
        Link(platform::SpecialFolder::StartMenuPrograms, L"installer-test fine");
    const std::wstring desktop = Folder(platform::SpecialFolder::Desktop);

    std::wstring tip;
    CreateShortcuts(context, tip);

    EXPECT_EQ(tip, L"创建图标：“installer-test fine”\t在开始菜单\n");
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"Link1"), fine);
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"Link2"), L"");
    EXPECT_TRUE(platform::PathExists(fine));
    for (const wchar_t* refused : {L"installer-test exe", L"installer-test icon"})
        EXPECT_FALSE(platform::PathExists(Link(platform::SpecialFolder::Desktop, refused)));
    EXPECT_FALSE(platform::PathExists(JoinPath(desktop, L"../autostart/qz.lnk")));
    const std::wstring log = ReadLog(dir / L"Install.log");
    for (const wchar_t* refused : {L"../autostart/qz", L"../../m.exe", L"C:/x.ico"})
        EXPECT_NE(log.find(std::wstring(L"“") + refused + L"”"), std::wstring::npos) << log;
}

TEST_F(Shortcuts, LinksToMissingProgramsAreNotCreated) {
    service.Answer("createicon",
                   "OK[{'type':'desktop','name':'installer-test gone','exename':'gone.exe'},"
                   "{'type':'menu','name':'installer-test dir','exename':'bin'},"
                   "{'type':'menu','name':'installer-test here','exename':'m.exe'}]");
    const std::wstring here =
        Link(platform::SpecialFolder::StartMenuPrograms, L"installer-test here");
    const std::wstring gone = Link(platform::SpecialFolder::Desktop, L"installer-test gone");
    const std::wstring directory =
        Link(platform::SpecialFolder::StartMenuPrograms, L"installer-test dir");

    std::wstring tip;
    CreateShortcuts(context, tip);

    EXPECT_EQ(tip, L"创建图标：“installer-test here”\t在开始菜单\n");
    EXPECT_TRUE(platform::PathExists(here));
    EXPECT_FALSE(platform::PathExists(gone));
    EXPECT_FALSE(platform::PathExists(directory));
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"Link1"), here);
    EXPECT_EQ(platform::ReadProfileValue(Record(), L"InstallInfo", L"Link2"), L"");
    const std::wstring log = ReadLog(dir / L"Install.log");
    EXPECT_NE(log.find(L"“installer-test gone”的目标" + JoinPath(Setup(), L"gone.exe")),
              std::wstring::npos)
        << log;
    EXPECT_NE(log.find(L"“installer-test dir”的目标"), std::wstring::npos) << log;
}

TEST_F(Shortcuts, FailedRequestCreatesNothing) {
    service.Answer("createicon", "ER no icons");
    std::wstring tip;
    CreateShortcuts(context, tip);
    EXPECT_EQ(tip, L"");
    EXPECT_FALSE(platform::PathExists(Record()));
}

TEST_F(Shortcuts, LinkWithoutFolderIsRefused) {
    platform::ShellLinkScope scope;
    EXPECT_FALSE(CreateShortcut(L"", JoinPath(Setup(), L"app.ico"), JoinPath(Setup(), L"m.exe"),
                                Setup(), L"installer-test rootless.lnk"));
}

TEST_F(Shortcuts, TargetWithBlanksAndReservedCharactersReadsBack) {
    // On Linux the target becomes one quoted Exec argument; on Windows a plain path.
    const std::wstring odd = JoinPath(Setup(), L"my dir\\100% $app.exe");
    ASSERT_TRUE(EnsureDirectory(odd));
    ASSERT_TRUE(platform::WriteWholeFile(odd, "x"));
    const std::wstring folder = dir / L"links";
    ASSERT_TRUE(platform::CreateDirectoryLevel(folder));
    platform::ShellLinkScope scope;
    ASSERT_TRUE(CreateShortcut(folder, JoinPath(Setup(), L"app.ico"), odd, Setup(), L"odd.lnk"));
    platform::ShellLinkProperties read;
    ASSERT_TRUE(platform::ReadShellLink(folder + kPathSeparator + L"odd.lnk", read));
    EXPECT_EQ(read.target, odd);
    EXPECT_EQ(read.workingDirectory, Setup());
}

#ifndef _WIN32
TEST_F(Shortcuts, LinuxLinksAreDesktopEntries) {
    const std::wstring folder = dir / L"links";
    ASSERT_TRUE(platform::CreateDirectoryLevel(folder));
    ASSERT_TRUE(
        CreateShortcut(folder, L"/opt/a b/app.png", L"/opt/a b/app", L"/opt/a b", L"App.lnk"));
    EXPECT_EQ(ReadBytes(folder + L"/App.lnk"),
              "[Desktop Entry]\nType=Application\nVersion=1.0\nName=App\n"
              "Exec=\"/opt/a b/app\"\nPath=/opt/a b\nIcon=/opt/a b/app.png\nTerminal=false\n");
}
#endif

}  // namespace
