// ExtractArchive over archives written by the generator: entry kinds, encryption,
// sanitized and hostile names, broken archives, and what a failed entry leaves behind.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/path_ops.h"
#include "install/extract_packages.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/file_attributes.h"
#include "platform/file_system.h"
#include "platform/file_times.h"
#include "platform/text_codec.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace {

// Data that spans several 16 KiB transfer pieces and compresses only partly.
std::string MixedData(size_t size, unsigned seed) {
    std::string data(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = (i / 64) % 3 == 0 ? static_cast<char>('a' + i % 26) : static_cast<char>(x >> 16);
    }
    return data;
}

class ExtractArchiveTest : public testing::Test {
  protected:
    // The install directory lies one level below the temporary directory, so that
    // anything escaping it lands in dir_ where the tests look for it.
    std::wstring Base() const { return dir_ / L"app"; }
    std::wstring Archive(const std::vector<TestZipEntry>& entries,
                         const std::wstring& name = L"p.zip") {
        const std::wstring path = dir_ / name;
        EXPECT_TRUE(platform::WriteWholeFile(path, BuildZip(entries)));
        return path;
    }
    bool Extract(const std::wstring& archive, const std::wstring& password = L"") {
        ExtractOptions options;
        options.log = [this](const std::wstring& line) { log_.push_back(line); };
        return ExtractArchive(archive, Base(), password, options);
    }
    std::string Content(const std::wstring& relative) const {
        std::string data;
        if (!platform::ReadWholeFile(JoinPath(Base(), relative), data))
            return "<missing>";
        return data;
    }
    bool LogMentions(const std::wstring& text) const {
        for (const auto& line : log_)
            if (line.find(text) != std::wstring::npos)
                return true;
        return false;
    }
    // Names directly in the temporary directory besides the archives and the base.
    std::vector<std::wstring> Strays() const {
        std::vector<platform::DirectoryEntry> entries;
        platform::ListDirectory(dir_.path(), L"*", entries);
        std::vector<std::wstring> names;
        for (const auto& e : entries)
            if (e.name != L"app" && e.name.find(L".zip") == std::wstring::npos)
                names.push_back(e.name);
        return names;
    }

    ScopedTempDir dir_;
    std::vector<std::wstring> log_;
};

TEST_F(ExtractArchiveTest, WritesStoredDeflatedEmptyAndDirectoryEntries) {
    const std::string big = MixedData(100000, 1);
    const std::string small = "stored content\r\n";
    ASSERT_TRUE(Extract(Archive({
        FileEntry("stored.txt", small),
        FileEntry("deep/deflated.bin", big, true),
        FileEntry("empty.txt", ""),
        FileEntry("\xe4\xb8\xad\xe6\x96\x87/\xe6\xb5\x8b.txt", "cn", true),
        DirectoryEntry("only/dir/"),
    })));
    EXPECT_EQ(Content(L"stored.txt"), small);
    EXPECT_TRUE(Content(L"deep/deflated.bin") == big) << "content differs";
    EXPECT_EQ(Content(L"empty.txt"), "");
    EXPECT_EQ(Content(L"\u4e2d\u6587/\u6d4b.txt"), "cn");
    EXPECT_TRUE(platform::IsDirectory(JoinPath(Base(), L"only/dir")));
    EXPECT_TRUE(log_.empty()) << text::WideToUtf8(log_.front());
    // No temporary file is left beside the targets.
    std::vector<platform::DirectoryEntry> left;
    platform::ListDirectory(Base(), L"*.unzip-tmp", left);
    EXPECT_TRUE(left.empty());
}

TEST_F(ExtractArchiveTest, EncryptedEntriesNeedTheirPassword) {
    const std::string big = MixedData(40000, 2);
    auto sealed = [&](bool descriptor) {
        std::vector<TestZipEntry> entries = {FileEntry("a.txt", "alpha"),
                                             FileEntry("b.bin", big, true)};
        for (auto& e : entries) {
            e.password = "s3cret";
            e.dataDescriptor = descriptor;
        }
        return entries;
    };
    const struct {
        const char* label;
        bool descriptor;
        const wchar_t* password;
        bool extracted;
    } cases[] = {
        {"right password", false, L"s3cret", true},
        {"right password, data descriptor", true, L"s3cret", true},
        {"wrong password", false, L"secret", false},
        {"wrong password, data descriptor", true, L"S3CRET", false},
        {"empty password", false, L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        platform::RemoveDirectoryTree(Base());
        log_.clear();
        EXPECT_EQ(Extract(Archive(sealed(c.descriptor)), c.password), c.extracted);
        if (c.extracted) {
            EXPECT_EQ(Content(L"a.txt"), "alpha");
            EXPECT_TRUE(Content(L"b.bin") == big) << "content differs";
        } else {
            EXPECT_EQ(Content(L"a.txt"), "<missing>");
            EXPECT_EQ(Content(L"b.bin"), "<missing>");
            EXPECT_TRUE(LogMentions(L"wrong password") || LogMentions(L"CRC-32") ||
                        LogMentions(L"inflate"));
        }
    }
}

TEST_F(ExtractArchiveTest, UnencryptedArchiveIgnoresAnyPassword) {
    for (const wchar_t* password : {L"", L"anything"}) {
        platform::RemoveDirectoryTree(Base());
        ASSERT_TRUE(Extract(Archive({FileEntry("a.txt", "plain", true)}), password));
        EXPECT_EQ(Content(L"a.txt"), "plain");
    }
}

TEST_F(ExtractArchiveTest, SanitizedNamesLandBelowTheBase) {
    ASSERT_TRUE(Extract(Archive({
        FileEntry("C:\\Windows\\x.dll", "drive"),
        FileEntry("/etc/x", "slash"),
        FileEntry("a/../b", "inner parent"),
        FileEntry("../../x", "parents"),
        FileEntry("\\\\server\\share\\x", "unc"),
    })));
    EXPECT_EQ(Content(L"Windows/x.dll"), "drive");
    EXPECT_EQ(Content(L"etc/x"), "slash");
    EXPECT_EQ(Content(L"b"), "inner parent");
    EXPECT_EQ(Content(L"x"), "parents");
    EXPECT_EQ(Content(L"server/share/x"), "unc");
    EXPECT_TRUE(Strays().empty());
    EXPECT_TRUE(log_.empty());
}

TEST_F(ExtractArchiveTest, RefusesAndLogsNamesThatStillLeadOutside) {
    EXPECT_FALSE(Extract(Archive({
        FileEntry("a/../../escaped1", "no"),
        FileEntry("..\\escaped2", "no"),
        FileEntry("good.txt", "yes"),
        FileEntry("d/..", "no"),
        FileEntry("/../escaped3", "no"),
    })));
    EXPECT_EQ(Content(L"good.txt"), "yes");
    EXPECT_TRUE(Strays().empty());
    EXPECT_FALSE(platform::PathExists(dir_ / L"escaped1"));
    EXPECT_FALSE(platform::PathExists(dir_ / L"escaped2"));
    EXPECT_FALSE(platform::PathExists(dir_ / L"escaped3"));
    EXPECT_TRUE(LogMentions(L"../escaped1"));
    EXPECT_TRUE(LogMentions(L"..\\escaped2"));
    EXPECT_TRUE(LogMentions(L"refused: the name leads outside"));
}

TEST_F(ExtractArchiveTest, SymbolicLinkEntriesAreRefused) {
    EXPECT_FALSE(Extract(Archive({
        SymlinkEntry("link", "../outside"),
        FileEntry("link/inside.txt", "content"),
    })));
    const std::wstring link = JoinPath(Base(), L"link");
    EXPECT_FALSE(platform::IsSymbolicLink(link));
    EXPECT_TRUE(platform::IsDirectory(link));
    EXPECT_EQ(Content(L"link/inside.txt"), "content");
    EXPECT_TRUE(LogMentions(L"symbolic link entry"));
    EXPECT_TRUE(Strays().empty());
}

#ifndef _WIN32
TEST_F(ExtractArchiveTest, RefusesPathsThroughExistingSymbolicLinks) {
    const std::wstring outside = dir_ / L"outside";
    ASSERT_TRUE(platform::CreateDirectoryLevel(outside));
    ASSERT_TRUE(platform::WriteWholeFile(outside + L"/target.txt", "original"));
    ASSERT_TRUE(platform::CreateDirectoryLevel(Base()));
    ASSERT_EQ(symlink("../outside", text::WideToSystem(Base() + L"/dirlink").c_str()), 0);
    ASSERT_EQ(symlink("../outside/target.txt", text::WideToSystem(Base() + L"/filelink").c_str()),
              0);

    EXPECT_FALSE(Extract(Archive({
        FileEntry("dirlink/evil.txt", "evil"),
        FileEntry("dirlink/sub/evil.txt", "evil"),
        FileEntry("filelink", "evil"),
        FileEntry("fine.txt", "fine"),
    })));
    EXPECT_FALSE(platform::PathExists(outside + L"/evil.txt"));
    EXPECT_FALSE(platform::PathExists(outside + L"/sub"));
    std::string target;
    ASSERT_TRUE(platform::ReadWholeFile(outside + L"/target.txt", target));
    EXPECT_EQ(target, "original");
    EXPECT_TRUE(platform::IsSymbolicLink(Base() + L"/filelink"));
    EXPECT_EQ(Content(L"fine.txt"), "fine");
    EXPECT_TRUE(LogMentions(L"passes through a symbolic link"));
}
#endif

TEST_F(ExtractArchiveTest, AFailedEntryLeavesTheExistingFileAndTheOthersGoOn) {
    const std::string big = MixedData(60000, 3);
    TestZipEntry damaged = FileEntry("keep.bin", big, true);
    damaged.damageData = true;
    TestZipEntry badCrc = FileEntry("keep.bin", "stored but wrong", false);
    badCrc.wrongCrc = true;
    TestZipEntry badCrcDeflated = FileEntry("keep.bin", big, true);
    badCrcDeflated.wrongCrc = true;
    TestZipEntry sealed = FileEntry("keep.bin", "new", true);
    sealed.password = "right";
    const struct {
        const char* label;
        TestZipEntry entry;
        const wchar_t* password;
    } cases[] = {
        {"corrupt deflate data", damaged, L""},
        {"CRC-32 mismatch, stored", badCrc, L""},
        {"CRC-32 mismatch, deflated", badCrcDeflated, L""},
        {"wrong password", sealed, L"wrong"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        platform::RemoveDirectoryTree(Base());
        ASSERT_TRUE(platform::CreateDirectoryLevel(Base()));
        ASSERT_TRUE(platform::WriteWholeFile(JoinPath(Base(), L"keep.bin"), "old content"));
        log_.clear();
        // The archive counts as failed, but the entries around the bad one are extracted.
        EXPECT_FALSE(Extract(
            Archive({FileEntry("before.txt", "1"), c.entry, FileEntry("after.txt", "2", true)}),
            c.password));
        EXPECT_EQ(Content(L"keep.bin"), "old content");
        EXPECT_EQ(Content(L"before.txt"), "1");
        EXPECT_EQ(Content(L"after.txt"), "2");
        EXPECT_TRUE(LogMentions(L"keep.bin"));
        std::vector<platform::DirectoryEntry> left;
        platform::ListDirectory(Base(), L"*.unzip-tmp", left);
        EXPECT_TRUE(left.empty());
    }
}

TEST_F(ExtractArchiveTest, ADirectoryClaimingMoreEntriesThanItHoldsEndsAtTheFirstMissingOne) {
    std::string zip = BuildZip({FileEntry("a.txt", "1"), FileEntry("b.txt", "2", true)});
    // The end record (the last 22 bytes) claims 60000 entries, on this disk and in all.
    ASSERT_GE(zip.size(), 22u);
    const size_t end = zip.size() - 22;
    ASSERT_EQ(zip.compare(end, 4, "PK\x05\x06"), 0);
    for (const size_t at : {end + 8, end + 10}) {
        zip[at] = static_cast<char>(60000 & 0xFF);
        zip[at + 1] = static_cast<char>(60000 >> 8);
    }
    const std::wstring path = dir_ / L"claims.zip";
    ASSERT_TRUE(platform::WriteWholeFile(path, zip));

    EXPECT_FALSE(Extract(path));
    EXPECT_EQ(Content(L"a.txt"), "1");
    EXPECT_EQ(Content(L"b.txt"), "2");
    // One line for the entry that is not there, not one for each entry claimed.
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find(L"entry 2"), std::wstring::npos) << text::WideToUtf8(log_[0]);
}

TEST_F(ExtractArchiveTest, AnEntryGrowingBeyondItsDeclaredSizeIsCutOff) {
    // 16 MiB of zeros deflate to a few kilobytes; the entry claims ten bytes.
    const std::string zeros(16 << 20, '\0');
    const struct {
        const char* label;
        bool deflate;
        int64_t claimed;
    } cases[] = {{"deflated", true, 10}, {"stored", false, 10}, {"deflated, claims 0", true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        platform::RemoveDirectoryTree(Base());
        log_.clear();
        TestZipEntry bomb = FileEntry("bomb.bin", zeros, c.deflate);
        bomb.claimedSize = c.claimed;
        EXPECT_FALSE(Extract(Archive({bomb, FileEntry("after.txt", "after")})));
        EXPECT_EQ(Content(L"bomb.bin"), "<missing>");
        EXPECT_EQ(Content(L"after.txt"), "after");
        EXPECT_TRUE(LogMentions(L"exceeds the entry's declared size"));
        std::vector<platform::DirectoryEntry> left;
        platform::ListDirectory(Base(), L"*", left);
        EXPECT_EQ(left.size(), 1u);  // after.txt alone: no temporary file stays
    }
}

TEST_F(ExtractArchiveTest, FilesNamedLikeTheTemporaryOnesAreLeftAlone) {
    ASSERT_TRUE(platform::CreateDirectoryLevel(Base()));
    const std::wstring userFile = JoinPath(Base(), L"file.txt.unzip-tmp");
    ASSERT_TRUE(platform::WriteWholeFile(userFile, "the user's own file"));
    TestZipEntry broken = FileEntry("broken.txt", "data", true);
    broken.wrongCrc = true;
    ASSERT_TRUE(platform::WriteWholeFile(JoinPath(Base(), L"broken.txt.unzip-tmp"), "mine too"));

    EXPECT_FALSE(Extract(Archive({FileEntry("file.txt", "new", true), broken})));
    EXPECT_EQ(Content(L"file.txt"), "new");
    EXPECT_EQ(Content(L"file.txt.unzip-tmp"), "the user's own file");
    EXPECT_EQ(Content(L"broken.txt.unzip-tmp"), "mine too");
    std::vector<platform::DirectoryEntry> left;
    platform::ListDirectory(Base(), L"*.unzip-tmp", left);
    EXPECT_EQ(left.size(), 2u);  // the user's two, none of the extraction's own
}

TEST_F(ExtractArchiveTest, ASuccessfulEntryReplacesTheExistingFile) {
    ASSERT_TRUE(platform::CreateDirectoryLevel(Base()));
    ASSERT_TRUE(
        platform::WriteWholeFile(JoinPath(Base(), L"file.txt"), "a much longer old content"));
    ASSERT_TRUE(Extract(Archive({FileEntry("file.txt", "new", true)})));
    EXPECT_EQ(Content(L"file.txt"), "new");
}

TEST_F(ExtractArchiveTest, BrokenArchivesAreSkippedWithoutWritingAnything) {
    const std::string whole =
        BuildZip({FileEntry("a.txt", MixedData(30000, 4), true), FileEntry("b.txt", "b")});
    const struct {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"truncated in the middle", whole.substr(0, whole.size() / 2)},
        {"central directory cut short", whole.substr(0, whole.size() - 30)},
        {"no archive at all", "PK but not really a zip file"},
        {"empty file", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring path = dir_ / L"broken.zip";
        ASSERT_TRUE(platform::WriteWholeFile(path, c.bytes));
        EXPECT_FALSE(Extract(path));
        EXPECT_FALSE(platform::PathExists(JoinPath(Base(), L"a.txt")));
    }
    EXPECT_FALSE(Extract(dir_ / L"missing.zip"));
    EXPECT_TRUE(LogMentions(L"archive not found"));
    EXPECT_FALSE(ExtractArchive(L"", Base(), L""));
    EXPECT_FALSE(ExtractArchive(dir_ / L"missing.zip", L"", L""));
}

TEST_F(ExtractArchiveTest, SetsTimesAndReadOnlyAttribute) {
    TestZipEntry stamped = FileEntry("stamped.txt", "t", true);
    stamped.localExtra = ExtendedTimestampBlock(1500000000, 1600000000);
    TestZipEntry dosReadOnly = FileEntry("dos-ro.txt", "r");
    dosReadOnly.madeBy = 20;  // MS-DOS host
    dosReadOnly.externalAttributes = 0x21;
    TestZipEntry unixReadOnly = FileEntry("unix-ro.txt", "r");
    unixReadOnly.externalAttributes = 0100444u << 16;
    ASSERT_TRUE(Extract(Archive({stamped, dosReadOnly, unixReadOnly, FileEntry("rw.txt", "w")})));

    platform::FileTimes times;
    ASSERT_TRUE(platform::GetFileTimes(JoinPath(Base(), L"stamped.txt"), times));
    EXPECT_EQ(times.modification / 10000000ULL, 1500000000ULL + 11644473600ULL);
    EXPECT_EQ(times.access / 10000000ULL, 1600000000ULL + 11644473600ULL);
    EXPECT_TRUE(platform::IsReadOnlyFile(JoinPath(Base(), L"dos-ro.txt")));
    EXPECT_TRUE(platform::IsReadOnlyFile(JoinPath(Base(), L"unix-ro.txt")));
    EXPECT_FALSE(platform::IsReadOnlyFile(JoinPath(Base(), L"rw.txt")));
    EXPECT_EQ(Content(L"unix-ro.txt"), "r");
}

}  // namespace
