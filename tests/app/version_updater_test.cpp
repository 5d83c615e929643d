#include "app/version_updater.h"

#include <gtest/gtest.h>

#include "app/path_ops.h"
#include "platform/file.h"
#include "support/temp_dir.h"
#include "version_block_builder.h"

namespace {

using Table = VersionBlockBuilder::Table;

TEST(VersionUpdater, ReadsEveryStandardNameOfEveryTable) {
    const auto block = VersionBlockBuilder::Build(
        {{u"080404b0", {{u"CompanyName", u"Vornel"}, {u"FileDescription", u"comname=V;appid=q"}}},
         {u"040904E4", {{u"ProductVersion", u"1.2"}, {u"Unknown", u"x"}}}});
    CVersionUpdater info;
    ASSERT_TRUE(info.LoadBlock(block));
    const auto& tables = info.StringTables();
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0].language, 0x0804);
    EXPECT_EQ(tables[0].codePage, 0x04b0);
    EXPECT_EQ(tables[0].strings[CVersionUpdater::CompanyName], L"Vornel");
    EXPECT_EQ(tables[0].strings[CVersionUpdater::FileDescription], L"comname=V;appid=q");
    EXPECT_FALSE(tables[0].strings[CVersionUpdater::Comments].has_value());
    EXPECT_EQ(tables[1].codePage, 0x04E4);
    EXPECT_EQ(tables[1].strings[CVersionUpdater::ProductVersion], L"1.2");
    EXPECT_EQ(tables[1].strings[CVersionUpdater::ProductName], std::nullopt);
}

TEST(VersionUpdater, KeysCompareOverTheirStoredLength) {
    // "File" is the beginning of FileDescription and matches it before FileVersion.
    CVersionUpdater info;
    ASSERT_TRUE(info.LoadBlock(VersionBlockBuilder::Build({{u"080404b0", {{u"file", u"v"}}}})));
    EXPECT_EQ(info.StringTables()[0].strings[CVersionUpdater::FileDescription], L"v");
}

TEST(VersionUpdater, BlocksWithoutStringsGiveNoTables) {
    CVersionUpdater info;
    EXPECT_TRUE(info.LoadBlock(VersionBlockBuilder::Build({}, u"VarFileInfo")));
    EXPECT_TRUE(info.StringTables().empty());
}

TEST(VersionUpdater, DamagedBlocksNeverReadPastTheirEnd) {
    auto block = VersionBlockBuilder::Build(
        {{u"080404b0", {{u"FileDescription", u"comname=Vornel;appid=qz"}}}});
    for (size_t cut = 0; cut < block.size(); ++cut) {
        std::vector<uint8_t> truncated(block.begin(), block.begin() + static_cast<long>(cut));
        CVersionUpdater info;
        info.LoadBlock(truncated);  // must not crash or read out of bounds
    }
    auto zeroLengths = block;
    zeroLengths[92 + 36] = zeroLengths[92 + 37] = 0;  // first table of length 0
    CVersionUpdater info;
    EXPECT_TRUE(info.LoadBlock(zeroLengths));
    EXPECT_TRUE(info.StringTables().empty());
    EXPECT_FALSE(info.LoadBlock({}));
}

TEST(VersionUpdater, FailedLoadKeepsThePreviousContent) {
    CVersionUpdater info;
    ASSERT_TRUE(info.LoadBlock(VersionBlockBuilder::Build({{u"080404b0", {{u"Comments", u"c"}}}})));
    ScopedTempDir temp;
    const std::wstring plain = temp / L"plain.exe";
    ASSERT_TRUE(platform::WriteWholeFile(plain, "not a program"));
    EXPECT_FALSE(info.Load(plain));
    EXPECT_FALSE(info.Load(temp / L"missing.exe"));
    ASSERT_EQ(info.StringTables().size(), 1u);
    EXPECT_EQ(info.StringTables()[0].strings[CVersionUpdater::Comments], L"c");
}

TEST(VersionUpdater, OwnFileCarriesTheBuildsDescription) {
    CVersionUpdater info;
    ASSERT_TRUE(info.Load(GetModulePath()));
    ASSERT_FALSE(info.StringTables().empty());
    EXPECT_EQ(info.StringTables()[0].strings[CVersionUpdater::FileDescription],
              L"comname=Vornel;appid=qz");
}

}  // namespace
