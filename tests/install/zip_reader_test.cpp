// The reader's own rules: entry-name sanitizing and confinement, attribute mapping by
// host system, DOS and "UT" times, and what GetEntry reports for real archives.
#include <gtest/gtest.h>

#include "install/zip_reader.h"
#include "platform/file.h"
#include "platform/file_attributes.h"
#include "platform/file_times.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace {

struct NameCase {
    const wchar_t* raw;
    const wchar_t* sanitized;
};

TEST(SanitizeEntryName, AppliesTheFourRulesUntilNoneApplies) {
    const NameCase cases[] = {
        {L"plain/name.txt", L"plain/name.txt"},
        {L"C:\\Windows\\x.dll", L"Windows\\x.dll"},
        {L"C:/x", L"x"},
        {L"/etc/x", L"etc/x"},
        {L"\\\\server\\share\\x", L"server\\share\\x"},
        {L"a/../b", L"b"},
        {L"a\\..\\b", L"b"},
        {L"a\\../b", L"b"},
        {L"a/..\\b", L"b"},
        {L"../../x", L"x"},
        {L"x:y:z", L"z"},
        {L"c:", L""},
        // The rules leave a parent reference at the front here; confinement refuses it.
        {L"a/../../x", L"../x"},
        {L"/../x", L"../x"},  // the leading slash goes first
        {L"..\\x", L"..\\x"},
        {L"a/..", L"a/.."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SanitizeEntryName(c.raw), c.sanitized)
            << "raw name: " << testing::PrintToString(std::wstring(c.raw));
}

TEST(IsConfinedEntryName, RefusesEveryNameThatCouldLeaveTheBase) {
    const struct {
        const wchar_t* name;
        bool confined;
    } cases[] = {
        {L"a/b.txt", true}, {L"a\\b.txt", true}, {L".hidden", true}, {L"a/./b", true},
        {L"a..b/c", true},  {L"../x", false},    {L"..\\x", false},  {L"a/../b", false},
        {L"a/..", false},   {L"..", false},      {L"...", false},    {L".. /x", false},
        {L"/x", false},     {L"\\x", false},     {L"C:x", false},    {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsConfinedEntryName(c.name), c.confined)
            << testing::PrintToString(std::wstring(c.name));
#ifdef _WIN32
    EXPECT_FALSE(IsConfinedEntryName(L"a\\b.txt:stream"));
#endif
}

TEST(MapEntryAttributes, ReadsDosBitsOrUnixModeByHost) {
    const struct {
        unsigned host;
        uint32_t external;
        uint32_t expected;
    } cases[] = {
        {0, 0x21, 0x21},            // MS-DOS: read-only + archive
        {0, 0x16, 0x16},            // hidden + system + directory
        {0, 0xFFC0, 0x00},          // bits beyond the five are dropped
        {7, 0x01, 0x01},            // host 7
        {11, 0x02, 0x02},           // NTFS
        {14, 0x20, 0x20},           // VFAT
        {3, 0100644u << 16, 0x20},  // Unix file, writable: archive only
        {3, 0100444u << 16, 0x21},  // Unix file without owner write: read-only
        {3, 040755u << 16, 0x30},   // Unix directory
        {3, (040555u << 16) | 0x10, 0x31},
        {19, 0100600u << 16, 0x20},  // OS X is read like Unix
        {3, 0, 0x21},                // no mode at all: read-only
    };
    for (const auto& c : cases)
        EXPECT_EQ(MapEntryAttributes(static_cast<uint16_t>((c.host << 8) | 20), c.external),
                  c.expected)
            << "host " << c.host << " external " << std::hex << c.external;
}

uint64_t UnixToFileTime(int64_t seconds) {
    return static_cast<uint64_t>((seconds + 11644473600LL) * 10000000LL);
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(ApplyExtendedTimestamp, TakesThePresentTimesInFlagOrder) {
    {
        ZipEntryInfo info;
        info.accessTime = info.creationTime = info.modificationTime = 7;
        ApplyExtendedTimestamp(Bytes(ExtendedTimestampBlock(1700000000)), info);
        EXPECT_EQ(info.modificationTime, UnixToFileTime(1700000000));
        EXPECT_EQ(info.accessTime, 7u);
        EXPECT_EQ(info.creationTime, 7u);
    }
    {
        ZipEntryInfo info;
        ApplyExtendedTimestamp(Bytes(ExtendedTimestampBlock(1600000000, 1600000100, 1500000000)),
                               info);
        EXPECT_EQ(info.modificationTime, UnixToFileTime(1600000000));
        EXPECT_EQ(info.accessTime, UnixToFileTime(1600000100));
        EXPECT_EQ(info.creationTime, UnixToFileTime(1500000000));
    }
    {
        // Behind another block ("ux", Unix owner), still found; a time before 1970 as well.
        std::string block("\x55\x54\x05\x00\x01", 5);
        block += std::string("\xff\xff\xff\xff", 4);  // -1 s
        ZipEntryInfo info;
        ApplyExtendedTimestamp(Bytes(std::string("\x75\x78\x03\x00\x01\x02\x03", 7) + block), info);
        EXPECT_EQ(info.modificationTime, UnixToFileTime(-1));
    }
    {
        // Flags promise three times but the block holds one: only what is there is taken,
        // nothing is read beyond the block.
        std::string block("\x55\x54\x05\x00\x07", 5);
        block += std::string("\x00\x00\x00\x40", 4);
        ZipEntryInfo info;
        ApplyExtendedTimestamp(Bytes(block + "\x01\x02\x03\x04"), info);
        EXPECT_EQ(info.modificationTime, UnixToFileTime(0x40000000));
        EXPECT_EQ(info.accessTime, 0u);
        EXPECT_EQ(info.creationTime, 0u);
    }
    {
        // A block whose size runs past the end is ignored.
        std::string block("\x55\x54\x40\x00\x01\x00\x00\x00\x40", 9);
        ZipEntryInfo info;
        ApplyExtendedTimestamp(Bytes(block), info);
        EXPECT_EQ(info.modificationTime, 0u);
    }
}

class ZipReaderTest : public testing::Test {
  protected:
    std::wstring Write(const std::vector<TestZipEntry>& entries) {
        const std::wstring path = dir_ / L"archive.zip";
        EXPECT_TRUE(platform::WriteWholeFile(path, BuildZip(entries)));
        return path;
    }
    ScopedTempDir dir_;
};

TEST_F(ZipReaderTest, ReportsCountNamesAttributesAndTimes) {
    TestZipEntry dos = FileEntry("C:\\Program Files\\a.txt", "x");
    dos.madeBy = (0 << 8) | 20;
    dos.externalAttributes = 0x23;
    TestZipEntry stamped = FileEntry("\xe4\xb8\xad/b.txt", "y");
    stamped.localExtra = ExtendedTimestampBlock(1700000000, 1700000500);
    const std::wstring path = Write({dos, stamped, DirectoryEntry("dir/")});

    CZipReader reader;
    ASSERT_EQ(reader.Open(path, ""), ZipResult::Ok);
    ZipEntryInfo count;
    ASSERT_EQ(reader.GetEntry(-1, count), ZipResult::Ok);
    EXPECT_EQ(count.index, 3);
    EXPECT_TRUE(count.name.empty());

    ZipEntryInfo first;
    ASSERT_EQ(reader.GetEntry(0, first), ZipResult::Ok);
    EXPECT_EQ(first.index, 0);
    EXPECT_EQ(first.name, L"Program Files\\a.txt");
    EXPECT_EQ(first.attributes, 0x23u);
    // Without a "UT" block all three times are the DOS time (2024-03-15 10:20:30) read as
    // local time: the same instant, within a time-zone offset of the UTC reading and on
    // its quarter-hour grid.
    EXPECT_EQ(first.accessTime, first.modificationTime);
    EXPECT_EQ(first.creationTime, first.modificationTime);
    const int64_t asUtc = 1710498030;  // 2024-03-15 10:20:30 UTC
    const int64_t seconds =
        static_cast<int64_t>(first.modificationTime / 10000000ULL) - 11644473600LL;
    EXPECT_LE(std::llabs(seconds - asUtc), 14 * 3600);
    EXPECT_EQ(((seconds - asUtc) % 900 + 900) % 900, 0);

    ZipEntryInfo second;
    ASSERT_EQ(reader.GetEntry(1, second), ZipResult::Ok);
    EXPECT_EQ(second.name, L"\u4e2d/b.txt");
    EXPECT_EQ(second.attributes, 0x20u);
    EXPECT_EQ(second.modificationTime, UnixToFileTime(1700000000));
    EXPECT_EQ(second.accessTime, UnixToFileTime(1700000500));
    EXPECT_EQ(second.creationTime, first.creationTime);  // not in the block: DOS time stays

    ZipEntryInfo third;
    ASSERT_EQ(reader.GetEntry(2, third), ZipResult::Ok);
    EXPECT_EQ(third.attributes & platform::kAttributeDirectory, platform::kAttributeDirectory);

    // Going back to an earlier entry works after reading a later one.
    ZipEntryInfo again;
    ASSERT_EQ(reader.GetEntry(0, again), ZipResult::Ok);
    EXPECT_EQ(again.name, first.name);
    EXPECT_EQ(reader.GetEntry(3, again), ZipResult::BadArguments);
}

TEST_F(ZipReaderTest, RefusesWhatIsNoArchiveAndCallsWithoutOne) {
    const std::wstring text = dir_ / L"notes.zip";
    ASSERT_TRUE(platform::WriteWholeFile(text, "this is no archive"));
    CZipReader reader;
    EXPECT_EQ(reader.Open(text, ""), ZipResult::CorruptArchive);
    EXPECT_EQ(reader.Open(dir_ / L"missing.zip", ""), ZipResult::CorruptArchive);
    EXPECT_EQ(reader.Open(L"", ""), ZipResult::BadArguments);
    ZipEntryInfo info;
    EXPECT_EQ(reader.GetEntry(-1, info), ZipResult::BadArguments);
    EXPECT_EQ(reader.ExtractEntry(0, L"x"), ZipResult::BadArguments);
    EXPECT_EQ(reader.SetBaseDir(L""), ZipResult::BadArguments);
}

TEST_F(ZipReaderTest, ExtractEntryNeedsABaseDirectory) {
    const std::wstring path = Write({FileEntry("a.txt", "a")});
    CZipReader reader;
    ASSERT_EQ(reader.Open(path, ""), ZipResult::Ok);
    EXPECT_EQ(reader.ExtractEntry(0, L"a.txt"), ZipResult::BadArguments);
    ASSERT_EQ(reader.SetBaseDir(dir_ / L"out"), ZipResult::Ok);
    EXPECT_EQ(reader.ExtractEntry(0, L"a.txt"), ZipResult::Ok);
    std::string content;
    EXPECT_TRUE(platform::ReadWholeFile(dir_ / L"out/a.txt", content));
    EXPECT_EQ(content, "a");
}

}  // namespace
