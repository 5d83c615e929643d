// ExtractPackages walks the plan: which entries are archives, where they unpack, the log
// lines and the activity timer, and protected files that stay as they were.
#include <gtest/gtest.h>

#include "app/install_context.h"
#include "app/path_ops.h"
#include "install/download_prefix.h"
#include "install/extract_packages.h"
#include "install/protected_files.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "recording_events.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace {

PackageEntry Package(const std::wstring& fileName, const std::wstring& rarPath = L"",
                     const std::wstring& password = L"") {
    PackageEntry entry;
    entry[L"filename"] = fileName;
    entry[L"rarpath"] = rarPath;
    entry[L"rarpassword"] = password;
    return entry;
}

class ExtractPackagesTest : public testing::Test {
  protected:
    ExtractPackagesTest() : context_({L"127.0.0.1:9"}, dir_ / L"Install.log") {
        download_ = dir_ / L"Down Load";
        setup_ = dir_ / L"Program";
        EXPECT_TRUE(platform::CreateDirectoryLevel(download_));
        context_.SetParam(L"DownloadPath", download_);
        context_.SetParam(L"SetupFullPath", setup_);
    }
    void Put(const std::wstring& name, const std::vector<TestZipEntry>& entries) {
        ASSERT_TRUE(platform::WriteWholeFile(JoinPath(download_, name), BuildZip(entries)));
    }
    std::string Content(const std::wstring& relative) const {
        std::string data;
        if (!platform::ReadWholeFile(JoinPath(setup_, relative), data))
            return "<missing>";
        return data;
    }
    std::vector<std::wstring> ExpectedLines(const std::wstring& fileName,
                                            const std::wstring& rarPath) const {
        const std::wstring archive = DownloadPrefix(download_) + fileName;
        return {L"正在解压文件:" + archive + L"...", L"请稍候",
                L"文件解压完成，安装目录" + JoinPath(setup_, rarPath) + L" "};
    }
    std::string InstallLog() const {
        std::string log;
        platform::ReadWholeFile(dir_ / L"Install.log", log);
        return log;
    }

    ScopedTempDir dir_;
    CInstallContext context_;
    std::wstring download_;
    std::wstring setup_;
    RecordingEvents events_;
    RunJournal journal_{events_};
};

TEST(DownloadPrefix, AppendsASeparatorAndLowersOnlyOnWindows) {
#ifdef _WIN32
    EXPECT_EQ(DownloadPrefix(L"C:\\Users\\John Smith\\Down"), L"c:\\users\\john smith\\down\\");
    EXPECT_EQ(DownloadPrefix(L"D:\\X\\"), L"d:\\x\\\\");
#else
    EXPECT_EQ(DownloadPrefix(L"/home/John Smith/Down"), L"/home/John Smith/Down/");
    EXPECT_EQ(DownloadPrefix(L"/X/"), L"/X//");
#endif
}

TEST_F(ExtractPackagesTest, UnpacksTheArchiveEntriesOfThePlan) {
    Put(L"base.zip", {FileEntry("app.exe", "program"), FileEntry("doc/readme.txt", "doc", true)});
    Put(L"Tools.zip", {FileEntry("tool.dll", "tool", true)});
    Put(L"data.rar.bin", {FileEntry("data.dat", "data")});
    Put(L"upper.ZIP", {FileEntry("upper.txt", "must not appear")});
    Put(L"sealed.zip", {[] {
            TestZipEntry e = FileEntry("secret.txt", "sealed", true);
            e.password = "pw";
            return e;
        }()});
    ASSERT_TRUE(platform::WriteWholeFile(JoinPath(download_, L"setup.exe"), "MZ"));
    const InstallPlan plan = {
        Package(L"base.zip"),
        Package(L"setup.exe"),
        Package(L"Tools.zip", L"\\bin\\"),
        Package(L"data.rar.bin", L"data"),
        Package(L"upper.ZIP"),
        Package(L"sealed.zip", L"", L"pw"),
    };
    InstallStepContext step{context_, plan, journal_};
    CProtectedFiles held;
    EXPECT_TRUE(ExtractPackages(step, held).empty());

    EXPECT_EQ(Content(L"app.exe"), "program");
    EXPECT_EQ(Content(L"doc/readme.txt"), "doc");
    EXPECT_EQ(Content(L"bin/tool.dll"), "tool");
    EXPECT_EQ(Content(L"data/data.dat"), "data");
    EXPECT_EQ(Content(L"secret.txt"), "sealed");
    EXPECT_EQ(Content(L"upper.txt"), "<missing>");
    EXPECT_TRUE(platform::IsDirectory(JoinPath(setup_, L"config")));

    std::vector<std::wstring> expected;
    for (const auto& [name, rarPath] :
         std::vector<std::pair<std::wstring, std::wstring>>{{L"base.zip", L""},
                                                            {L"Tools.zip", L"\\bin\\"},
                                                            {L"data.rar.bin", L"data"},
                                                            {L"sealed.zip", L""}}) {
        const auto lines = ExpectedLines(name, rarPath);
        expected.insert(expected.end(), lines.begin(), lines.end());
    }
    EXPECT_EQ(events_.Lines(), expected);

    // The extraction step begins and ends around each archive, after its two lines.
    int starts = 0;
    int stops = 0;
    bool running = false;
    for (const auto& event : events_.Events()) {
        if (event.rfind(L"begin:extraction:", 0) == 0) {
            EXPECT_FALSE(running);
            running = true;
            ++starts;
        } else if (event.rfind(L"end:extraction:", 0) == 0) {
            EXPECT_TRUE(running);
            running = false;
            ++stops;
        } else if (event.rfind(L"log:文件解压完成", 0) == 0) {
            EXPECT_FALSE(running);
        }
    }
    EXPECT_EQ(starts, 4);
    EXPECT_EQ(stops, 4);
}

TEST_F(ExtractPackagesTest, AMissingArchiveStillGivesItsThreeLines) {
    const InstallPlan plan = {Package(L"missing.zip", L"sub")};
    InstallStepContext step{context_, plan, journal_};
    CProtectedFiles held;
    EXPECT_EQ(ExtractPackages(step, held), std::vector<std::wstring>{L"missing.zip"});
    EXPECT_EQ(events_.Lines(), ExpectedLines(L"missing.zip", L"sub"));
    EXPECT_TRUE(platform::IsDirectory(JoinPath(setup_, L"config")));
    EXPECT_NE(InstallLog().find("archive not found"), std::string::npos);
}

TEST_F(ExtractPackagesTest, ProtectedFilesKeepTheirContent) {
    ASSERT_TRUE(EnsureDirectory(setup_ + kPathSeparator));
    const std::wstring kept = JoinPath(setup_, L"user.cfg");
    ASSERT_TRUE(platform::WriteWholeFile(kept, "the user's settings"));
    CProtectedFiles held;
    ASSERT_EQ(held.Add(kept), CProtectedFiles::AddResult::Held);
    Put(L"app.zip", {FileEntry("user.cfg", "defaults", true), FileEntry("other.txt", "other")});
    const InstallPlan plan = {Package(L"app.zip")};
    InstallStepContext step{context_, plan, journal_};
    // Keeping a protected file is no failure of the archive.
    EXPECT_TRUE(ExtractPackages(step, held).empty());
    EXPECT_EQ(Content(L"other.txt"), "other");
    held.ReleaseAll();
    EXPECT_EQ(Content(L"user.cfg"), "the user's settings");
    EXPECT_NE(InstallLog().find("protected file"), std::string::npos);
}

}  // namespace
