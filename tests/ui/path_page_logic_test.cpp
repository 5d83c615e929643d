#include "ui/path_page_logic.h"

#include <gtest/gtest.h>

#include "app/path_ops.h"
#include "support/temp_dir.h"

namespace {

TEST(PathPageLogic, NeededBytes) {
    constexpr int64_t kMiB = 1048576;
    const std::pair<std::wstring, int64_t> cases[] = {
        {L"", 10 * kMiB},       {L"0", 10 * kMiB},     {L"abc", 10 * kMiB}, {L"20", 20 * kMiB},
        {L"2048", 2048 * kMiB}, {L"12abc", 12 * kMiB}, {L"-5", -5 * kMiB},  {L" 7", 7 * kMiB},
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(NeededBytes(text), bytes) << text;
}

TEST(PathPageLogic, TrailingSeparatorsAreRemoved) {
#ifdef _WIN32
    EXPECT_EQ(TrimTrailingSeparators(L"E:\\Target\\\\"), L"E:\\Target");
#else
    EXPECT_EQ(TrimTrailingSeparators(L"/srv/target//"), L"/srv/target");
    EXPECT_EQ(TrimTrailingSeparators(L"/"), L"/");
#endif
}

TEST(PathPageLogic, ProposedInstallDirectory) {
    struct Case {
        std::wstring setuppath;
        std::wstring shown;
        std::wstring stored;
    };
#ifdef _WIN32
    const std::wstring programs = L"C:\\Program Files";
    const Case cases[] = {
        {L"", L"C:\\Vornel", L"C:\\Vornel"},
        {L"Q:\\Apps\\Vornel", L"c:\\Apps\\Vornel", L"c:\\Apps\\Vornel"},  // no drive Q:
        {L"C:\\Apps", L"C:\\Apps", L"C:\\Apps"},
        {L"Vornel\\Tool", L"C:\\Program Files\\Vornel\\Tool\\", L"Vornel\\Tool"},
    };
#else
    const std::wstring programs = L"/opt";
    const Case cases[] = {
        {L"", L"/opt/Vornel/", L"C:\\Vornel"},
        {L"D:\\Apps\\Vornel", L"/opt/Apps/Vornel/", L"D:\\Apps\\Vornel"},
        {L"Vornel\\Tool", L"/opt/Vornel/Tool/", L"Vornel\\Tool"},
    };
#endif
    for (const auto& c : cases) {
        CInstallContext context({}, L"");
        context.config[L"setuppath"] = c.setuppath;
        EXPECT_EQ(ProposeInstallDirectory(context, programs), c.shown) << c.setuppath;
        EXPECT_EQ(context.config[L"setuppath"], c.stored);
    }
}

class DirectoryChecks : public ::testing::Test {
  protected:
    ScopedTempDir temp;
    CInstallContext context{{}, L""};
#ifdef _WIN32
    const std::wstring missingRoot = L"Q:\\Target";
#else
    const std::wstring missingRoot = L"relative/target";  // no file system holds it
#endif
};

TEST_F(DirectoryChecks, BothDirectoriesPass) {
    const std::wstring install = (temp / L"app") + kPathSeparator + kPathSeparator;
    const DirectoryCheckResult result = CheckDirectories(context, install, temp / L"dl");
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.installDirectory, temp / L"app");
    EXPECT_EQ(context.GetParam(L"SetupFullPath"), temp / L"app");
    EXPECT_EQ(context.GetParam(L"DownloadPath"), temp / L"dl");
}

TEST_F(DirectoryChecks, FailuresInOrder) {
    struct Case {
        std::wstring install;
        std::wstring download;
        std::wstring needsize;
        std::wstring message;
        bool setupStored;
    };
    const std::wstring here = temp / L"app";
    const Case cases[] = {
        {L"", here, L"", L"所选安装目录的盘符不存在", false},
        {missingRoot, here, L"", L"所选安装目录的盘符不存在", false},
        {here, missingRoot, L"", L"所选下载目录的盘符不存在", true},
        {here, here, L"-1", L"所选安装目录所在盘的空间不足", false},
        {here, here, L"999999999999", L"所选安装目录所在盘的空间不足", false},
    };
    for (const auto& c : cases) {
        CInstallContext fresh({}, L"");
        fresh.config[L"needsize"] = c.needsize;
        const DirectoryCheckResult result = CheckDirectories(fresh, c.install, c.download);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, c.message) << c.install << L" | " << c.download;
        EXPECT_EQ(fresh.GetParam(L"SetupFullPath").empty(), !c.setupStored);
        EXPECT_EQ(fresh.GetParam(L"DownloadPath"), L"");
    }
}

}  // namespace
