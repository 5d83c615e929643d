// The finish operation shared by the wizard's last page and the console front-end.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/path_ops.h"
#include "finish_test_support.h"
#include "install/finish_steps.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/profile.h"
#include "platform/shell_folders.h"

namespace {

class FinishSteps : public ::testing::Test {
  protected:
    ScopedTempDir dir;
    IsolatedUserFolders folders{dir.path()};
    LoopbackService service;
    CInstallContext context{{service.Address()}, dir / L"Install.log"};

    std::wstring Setup() const { return dir / L"app"; }
    std::wstring ConfigDir() const { return JoinPath(Setup(), L"config"); }

    void SetUp() override {
        context.SetParam(L"SetupFullPath", Setup());
        context.SetParam(L"UninstallPath", Setup());
        context.SetParam(L"comname", L"Vornel");
        context.SetParam(L"appid", L"qz");
        context.config[L"ver"] = L"2.1";
        context.config[L"title"] = L"在线安装";
        ASSERT_TRUE(EnsureDirectory(Setup() + kPathSeparator));
        service.Answer("createicon", "OK[]");
        service.Answer("setupok", "OK[]");
    }
    bool Sent(const std::string& action) const {
        const auto actions = service.Actions();
        return std::find(actions.begin(), actions.end(), action) != actions.end();
    }
    void ExpectNameFile(const std::wstring& file) const {
        EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"username"), L"Vornel");
        EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"appid"), L"qz");
        EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"ver"), L"2.1");
        EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"title"), L"在线安装");
    }
};

TEST_F(FinishSteps, CompleteInstallationReportsAndWritesTheNameFile) {
    const FinishTexts texts = RunFinishSteps(context, {});
    EXPECT_EQ(texts.body, L"安装完成");
    EXPECT_EQ(texts.tip, L"\n请双击打开");
    EXPECT_TRUE(Sent("createicon"));
    EXPECT_TRUE(Sent("setupok"));
    ExpectNameFile(JoinPath(ConfigDir(), L"Name.ini"));
}

TEST_F(FinishSteps, NameFileJoinsTheApplicationsOwnNameFile) {
    ASSERT_TRUE(platform::CreateDirectoryLevel(ConfigDir()));
    ASSERT_TRUE(
        platform::WriteWholeFile(JoinPath(ConfigDir(), L"name.ini"), "[Name]\r\nexe=app.exe\r\n"));
    RunFinishSteps(context, {});

    // One file whatever the letter case: the application's key stays beside ours.
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(ConfigDir(), L"*", entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, L"name.ini");
    const std::wstring file = JoinPath(ConfigDir(), L"name.ini");
    EXPECT_EQ(platform::ReadProfileValue(file, L"Name", L"exe"), L"app.exe");
    ExpectNameFile(file);
    ExpectNameFile(JoinPath(ConfigDir(), L"Name.ini"));
}

TEST_F(FinishSteps, MissingFilesMakeTheInstallationIncomplete) {
    service.Answer("createicon",
                   "OK[{'type':'desktop','name':'installer-test finish','icon':'a.ico',"
                   "'exename':'a.exe'}]");
    std::wstring desktop;
    ASSERT_TRUE(platform::GetSpecialFolderPath(platform::SpecialFolder::Desktop, desktop, true));
    const std::wstring link = desktop + kPathSeparator + L"installer-test finish.lnk";
    ASSERT_TRUE(platform::WriteWholeFile(JoinPath(Setup(), L"a.exe"), "program"));

    const FinishTexts texts = RunFinishSteps(context, {L"a.zip", L"数据.rar"});
    platform::RemoveFile(link);

    EXPECT_EQ(texts.body, L"安装未完成");
    EXPECT_EQ(texts.tip,
              L"下载失败：a.zip\n下载失败：数据.rar\n"
              L"创建图标：“installer-test finish”\t在桌面上\n\n请双击打开");
    EXPECT_TRUE(Sent("createicon"));
    EXPECT_FALSE(Sent("setupok"));
    ExpectNameFile(JoinPath(ConfigDir(), L"Name.ini"));
}

TEST_F(FinishSteps, FailedRequestsLeaveTheTextsAsTheyAre) {
    service.Answer("createicon", "ER none");
    service.Answer("setupok", "ER none");
    const FinishTexts texts = RunFinishSteps(context, {});
    EXPECT_EQ(texts.body, L"安装完成");
    EXPECT_EQ(texts.tip, L"\n请双击打开");
    ExpectNameFile(JoinPath(ConfigDir(), L"Name.ini"));
}

TEST(DownloadedPackages, DeletedOnlyWhenAsked) {
    for (const bool asked : {true, false}) {
        ScopedTempDir dir;
        const std::vector<std::wstring> files = {dir / L"a.zip", dir / L"setup.exe"};
        for (const auto& file : files)
            ASSERT_TRUE(platform::WriteWholeFile(file, "package"));
        const std::wstring folder = dir / L"b.zip";  // a directory of a package's name stays
        ASSERT_TRUE(platform::CreateDirectoryLevel(folder));
        std::vector<std::wstring> paths = files;
        paths.push_back(folder);
        paths.push_back(dir / L"never-downloaded.zip");
        paths.push_back(L"");

        EXPECT_EQ(DeleteDownloadedPackages(paths, asked), asked ? 2 : 0);
        for (const auto& file : files)
            EXPECT_EQ(platform::PathExists(file), !asked);
        EXPECT_TRUE(platform::IsDirectory(folder));
    }
}

TEST(DownloadedPackages, TheirPartialDownloadsGoWithThemButNoOneElsesFile) {
    ScopedTempDir dir;
    // a.zip has a partial file of ours (with its record); b.zip.part is someone else's.
    const std::vector<std::wstring> ours = {dir / L"a.zip", dir / L"a.zip.part",
                                            dir / L"a.zip.resume"};
    for (const auto& file : ours)
        ASSERT_TRUE(platform::WriteWholeFile(file, "x"));
    ASSERT_TRUE(platform::WriteWholeFile(dir / L"b.zip", "x"));
    ASSERT_TRUE(platform::WriteWholeFile(dir / L"b.zip.part", "theirs"));

    EXPECT_EQ(DeleteDownloadedPackages({dir / L"a.zip", dir / L"b.zip"}, true), 2);
    for (const auto& file : ours)
        EXPECT_FALSE(platform::PathExists(file));
    EXPECT_TRUE(platform::PathExists(dir / L"b.zip.part"));
}

}  // namespace
