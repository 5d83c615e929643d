// Protected files: which existing files the "appfilesnot" answer holds, that the
// extraction leaves them alone, and that the hold is released (and on Linux, where
// nothing can forbid writes, undone) at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/path_ops.h"
#include "finish_test_support.h"
#include "install/extract_packages.h"
#include "install/protected_files.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "recording_events.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace {

// Descriptors the process has open (Linux); 0 where that cannot be counted.
size_t OpenDescriptors() {
#ifdef _WIN32
    return 0;
#else
    std::vector<platform::DirectoryEntry> entries;
    platform::ListDirectory(L"/proc/self/fd", L"*", entries);
    return entries.size();
#endif
}

std::string Read(const std::wstring& path) {
    std::string data;
    if (!platform::ReadWholeFile(path, data))
        return "<missing>";
    return data;
}

TEST(ProtectedFilesList, HoldsOnlyNonEmptyRegularFilesOnce) {
    ScopedTempDir dir;
    const std::wstring full = dir / L"full.cfg";
    const std::wstring empty = dir / L"empty.cfg";
    ASSERT_TRUE(platform::WriteWholeFile(full, "x"));
    ASSERT_TRUE(platform::WriteWholeFile(empty, ""));
    ASSERT_TRUE(platform::CreateDirectoryLevel(dir / L"folder"));

    CProtectedFiles held;
    EXPECT_EQ(held.Add(full), CProtectedFiles::AddResult::Held);
    EXPECT_EQ(held.Add(full), CProtectedFiles::AddResult::NotHeld);  // the same file twice
    EXPECT_EQ(held.Add(empty), CProtectedFiles::AddResult::NotHeld);
    EXPECT_EQ(held.Add(dir / L"folder"), CProtectedFiles::AddResult::NotHeld);
    EXPECT_EQ(held.Add(dir / L"missing.cfg"), CProtectedFiles::AddResult::NotHeld);
    EXPECT_EQ(held.Paths(), std::vector<std::wstring>{full});
    EXPECT_TRUE(held.IsHeld(full));
    EXPECT_TRUE(held.IsHeld(dir.path() + kPathSeparator + L"." + kPathSeparator + L"full.cfg"));
    EXPECT_FALSE(held.IsHeld(empty));
    EXPECT_TRUE(held.ReleaseAll().empty());
    EXPECT_TRUE(held.Empty());
    EXPECT_FALSE(held.IsHeld(full));
    // The empty file was not held: it can be written at once.
    EXPECT_TRUE(platform::WriteWholeFile(empty, "now"));
}

#ifdef _WIN32
TEST(ProtectedFilesList, WindowsForbidsWritesAndReplacementWhileHeld) {
    ScopedTempDir dir;
    const std::wstring path = dir / L"kept.dat";
    ASSERT_TRUE(platform::WriteWholeFile(path, "old"));
    ASSERT_TRUE(platform::WriteWholeFile(dir / L"new.dat", "new"));
    CProtectedFiles held;
    ASSERT_EQ(held.Add(path), CProtectedFiles::AddResult::Held);
    EXPECT_FALSE(platform::WriteWholeFile(path, "changed"));
    EXPECT_FALSE(platform::MoveFileOver(dir / L"new.dat", path));
    held.ReleaseAll();
    EXPECT_EQ(Read(path), "old");
    EXPECT_TRUE(platform::WriteWholeFile(path, "changed"));
}
#else
TEST(ProtectedFilesList, LinuxPutsChangedFilesBackByteForByte) {
    ScopedTempDir dir;
    std::string binary;
    for (int i = 0; i < 300000; ++i)
        binary += static_cast<char>((i * 131) & 0xFF);
    const std::wstring written = dir / L"written.dat";
    const std::wstring replaced = dir / L"replaced.dat";
    const std::wstring removed = dir / L"removed.dat";
    const std::wstring untouched = dir / L"untouched.dat";
    for (const auto& path : {written, replaced, removed, untouched})
        ASSERT_TRUE(platform::WriteWholeFile(path, binary));
    CProtectedFiles held;
    for (const auto& path : {written, replaced, removed, untouched})
        ASSERT_EQ(held.Add(path), CProtectedFiles::AddResult::Held);

    // What a setup program might do meanwhile: write in place, replace, delete.
    ASSERT_TRUE(platform::WriteWholeFile(written, "short"));
    ASSERT_TRUE(platform::WriteWholeFile(dir / L"other.dat", binary + "tail"));
    ASSERT_TRUE(platform::MoveFileOver(dir / L"other.dat", replaced));
    ASSERT_TRUE(platform::RemoveFile(removed));

    EXPECT_TRUE(held.ReleaseAll().empty());
    for (const auto& path : {written, replaced, removed, untouched})
        EXPECT_EQ(Read(path), binary) << text::WideToUtf8(path);
}
#endif

class ProtectExistingFilesTest : public testing::Test {
  protected:
    ProtectExistingFilesTest() : context_({service_.Address()}, dir_ / L"Install.log") {
        setup_ = dir_ / L"app";
        download_ = dir_ / L"down";
        context_.SetParam(L"SetupFullPath", setup_);
        context_.SetParam(L"DownloadPath", download_);
        EXPECT_TRUE(EnsureDirectory(JoinPath(setup_, L"sub/deep") + kPathSeparator));
        EXPECT_TRUE(EnsureDirectory(JoinPath(setup_, L"config") + kPathSeparator));
        EXPECT_TRUE(platform::CreateDirectoryLevel(download_));
        for (const auto& [name, data] :
             std::vector<std::pair<std::wstring, std::string>>{{L"user.cfg", "user settings"},
                                                               {L"empty.cfg", ""},
                                                               {L".hidden.cfg", "hidden"},
                                                               {L"sub/deep/x.dat", "deep data"},
                                                               {L"config/a.ini", "[a]"},
                                                               {L"readme.txt", "old readme"}})
            EXPECT_TRUE(platform::WriteWholeFile(JoinPath(setup_, name), data));
    }
    std::wstring Line(const std::wstring& relative) const {
        return L"检测到文件“" + setup_ + kPathSeparator + relative + L"”已存在，解压不覆盖";
    }

    LoopbackService service_;
    ScopedTempDir dir_;
    CInstallContext context_;
    std::wstring setup_;
    std::wstring download_;
    RecordingEvents events_;
    RunJournal journal_{events_};
};

TEST_F(ProtectExistingFilesTest, HoldsTheListedFilesThroughTheExtraction) {
    service_.Answer("appfilesnot",
                    "OK[{'filename':'*.cfg'},{'filename':'x.dat'},{'filename':'config/a.ini'},"
                    "{'filename':'nothing.here'}]");
    ASSERT_TRUE(platform::WriteWholeFile(
        JoinPath(download_, L"pkg.zip"),
        BuildZip({FileEntry("user.cfg", "defaults", true), FileEntry("empty.cfg", "filled"),
                  FileEntry("sub/deep/x.dat", "new data"), FileEntry("config/a.ini", "[new]"),
                  FileEntry("readme.txt", "new readme")})));
    PackageEntry package;
    package[L"filename"] = L"pkg.zip";
    const InstallPlan plan = {package};
    InstallStepContext step{context_, plan, journal_};

    CProtectedFiles held;
    ProtectExistingFiles(step, held);
    EXPECT_EQ(service_.Actions(), std::vector<std::string>{"appfilesnot"});
    const std::vector<std::wstring> protectedLines = {
        Line(L"user.cfg"),
        Line(std::wstring(L"sub") + kPathSeparator + L"deep" + kPathSeparator + L"x.dat"),
        Line(std::wstring(L"config") + kPathSeparator + L"a.ini")};
    EXPECT_EQ(events_.Lines(), protectedLines);

    ExtractPackages(step, held);
    ReleaseProtectedFiles(step, held);
    EXPECT_TRUE(held.Empty());

    EXPECT_EQ(Read(JoinPath(setup_, L"user.cfg")), "user settings");
    EXPECT_EQ(Read(JoinPath(setup_, L"sub/deep/x.dat")), "deep data");
    EXPECT_EQ(Read(JoinPath(setup_, L"config/a.ini")), "[a]");
    EXPECT_EQ(Read(JoinPath(setup_, L".hidden.cfg")), "hidden");
    EXPECT_EQ(Read(JoinPath(setup_, L"empty.cfg")), "filled");  // empty files are not kept
    EXPECT_EQ(Read(JoinPath(setup_, L"readme.txt")), "new readme");
    // After the release the files are free again.
    EXPECT_TRUE(platform::WriteWholeFile(JoinPath(setup_, L"user.cfg"), "edited later"));
}

TEST_F(ProtectExistingFilesTest, AFailedAnswerProtectsNothing) {
    service_.Answer("appfilesnot", "ER no such application");
    const InstallPlan plan;
    InstallStepContext step{context_, plan, journal_};
    CProtectedFiles held;
    ASSERT_EQ(held.Add(JoinPath(setup_, L"readme.txt")),
              CProtectedFiles::AddResult::Held);  // emptied at the start
    ProtectExistingFiles(step, held);
    EXPECT_TRUE(held.Empty());
    EXPECT_TRUE(events_.Lines().empty());
}

TEST_F(ProtectExistingFilesTest, HoldsAreBoundedAndCostNoDescriptors) {
    const size_t files = CProtectedFiles::kMaxHeldFiles + 20;
    ASSERT_TRUE(EnsureDirectory(JoinPath(setup_, L"many") + kPathSeparator));
    for (size_t i = 0; i < files; ++i)
        ASSERT_TRUE(platform::WriteWholeFile(
            JoinPath(setup_, L"many/" + std::to_wstring(i) + L".dat"), "data"));
    service_.Answer("appfilesnot", "OK[{'filename':'many/*.dat'}]");
    const InstallPlan plan;
    InstallStepContext step{context_, plan, journal_};

    const size_t descriptorsBefore = OpenDescriptors();
    CProtectedFiles held;
    ProtectExistingFiles(step, held);
    EXPECT_EQ(held.Paths().size(), CProtectedFiles::kMaxHeldFiles);
    EXPECT_EQ(events_.Lines().size(), CProtectedFiles::kMaxHeldFiles);
    // Every other open of the process still works: the holds keep no descriptors.
    EXPECT_LT(OpenDescriptors(), descriptorsBefore + 10);
    EXPECT_NE(ReadLog(dir_ / L"Install.log").find(L"Protect\t20 more files match the patterns"),
              std::wstring::npos);
    EXPECT_TRUE(held.ReleaseAll().empty());
}

#ifndef _WIN32
TEST_F(ProtectExistingFilesTest, AHoldWithoutACopyIsLogged) {
    service_.Answer("appfilesnot", "OK[{'filename':'user.cfg'}]");
    const InstallPlan plan;
    InstallStepContext step{context_, plan, journal_};
    // No copy can be made where the temporary directory does not exist.
    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved != nullptr ? saved : "";
    setenv("TMPDIR", text::WideToSystem(dir_ / L"no-such-dir").c_str(), 1);
    CProtectedFiles held;
    ProtectExistingFiles(step, held);
    if (saved != nullptr)
        setenv("TMPDIR", savedValue.c_str(), 1);
    else
        unsetenv("TMPDIR");

    EXPECT_EQ(events_.Lines(), std::vector<std::wstring>{Line(L"user.cfg")});
    EXPECT_TRUE(held.IsHeld(JoinPath(setup_, L"user.cfg")));  // still refused to the extraction
    EXPECT_NE(ReadLog(dir_ / L"Install.log")
                  .find(JoinPath(setup_, L"user.cfg") + L" is held without a copy"),
              std::wstring::npos);
    held.ReleaseAll();
}
#endif

}  // namespace
