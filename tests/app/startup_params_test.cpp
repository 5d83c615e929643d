#include "app/startup_params.h"

#include <gtest/gtest.h>

#include "app/install_context.h"
#include "app/version_updater.h"
#include "support/temp_dir.h"
#include "version_block_builder.h"

namespace {

struct CommandLineCase {
    std::wstring tail;
    std::wstring comname;
    std::wstring appid;
    std::wstring version;
};

class StartupParamsTest : public ::testing::Test {
  protected:
    ScopedTempDir temp;
    CInstallContext context{{}, temp / L"Install.log"};
};

TEST_F(StartupParamsTest, CommandLineWords) {
    const CommandLineCase cases[] = {
        {L"comname=Vornel;appid=qz;--ver=2.1", L"Vornel", L"qz", L"2.1"},
        {L"--ver=2.1", L"Vornel", L"qz", L"2.1"},
        {L";;appid=a=b;;", L"Vornel", L"a=b", L""},
        {L"silent", L"Vornel", L"qz", L""},
        {L" appid=x", L"Vornel", L"qz", L""},  // the key begins with the blank
        {L"appid=one;appid=two", L"Vornel", L"two", L""},
        {L"comname=\u7ef4\u8bfa;appid=\u6f14\u793a", L"\u7ef4\u8bfa", L"\u6f14\u793a", L""},
        {L"--ver=1;--ver=;x=y", L"Vornel", L"qz", L""},
        {L"=;==;comname=", L"", L"qz", L""},
        // Quotes that group the tail or one value on a Windows command line.
        {L"\"comname=V W;appid=qz;--ver=3\"", L"V W", L"qz", L"3"},
        {L"appid=\"a b\";comname=x", L"x", L"a b", L""},
    };
    for (const auto& c : cases) {
        CInstallContext fresh({}, temp / L"Install.log");
        ReadCommandLineParams(fresh, c.tail);
        EXPECT_EQ(fresh.GetParam(L"comname"), c.comname) << c.tail;
        EXPECT_EQ(fresh.GetParam(L"appid"), c.appid) << c.tail;
        EXPECT_EQ(fresh.GetParam(L"--ver"), c.version) << c.tail;
    }
}

TEST_F(StartupParamsTest, WordsWithoutEqualsSignGoUnderTheEmptyKey) {
    ReadCommandLineParams(context, L"silent;comname=A");
    EXPECT_EQ(context.GetParam(L""), L"silent");
    EXPECT_EQ(context.GetParam(L"comname"), L"A");
}

TEST_F(StartupParamsTest, FileDescriptionOfEachTableInStoredOrder) {
    struct Case {
        std::vector<VersionBlockBuilder::Table> tables;
        std::wstring comname;
        std::wstring appid;
    };
    const Case cases[] = {
        {{{u"080404b0", {{u"FileDescription", u"comname=Vornel;appid=qz"}}}}, L"Vornel", L"qz"},
        {{{u"080404b0", {{u"FileDescription", u"qz"}}}}, L"", L"qz"},
        {{{u"080404b0", {{u"CompanyName", u"X"}}}}, L"Vornel", L"qz"},  // no description
        {{{u"080404b0", {{u"FileDescription", u"comname=A;appid=B"}}},
          {u"040904b0", {{u"FileDescription", u"comname=C;appid=D"}}}},
         L"C",
         L"D"},
        {{{u"080404b0", {{u"filedescription", u"comname=comname=E;x;appid=F"}}}}, L"E", L"x;F"},
    };
    for (const auto& c : cases) {
        CInstallContext fresh({}, temp / L"Install.log");
        CVersionUpdater info;
        ASSERT_TRUE(info.LoadBlock(VersionBlockBuilder::Build(c.tables)));
        ReadFileDescriptionParams(fresh, info);
        EXPECT_EQ(fresh.GetParam(L"comname"), c.comname);
        EXPECT_EQ(fresh.GetParam(L"appid"), c.appid);
    }
}

TEST_F(StartupParamsTest, EmptyCommandLineReadsTheInstallersOwnDescription) {
    // The test program carries the installer's version block (built from the same
    // resource script), whose default description is comname=Vornel;appid=qz.
    context.SetParam(L"comname", L"other");
    context.SetParam(L"appid", L"other");
    ReadStartupParams(context, L"");
    EXPECT_EQ(context.GetParam(L"comname"), L"Vornel");
    EXPECT_EQ(context.GetParam(L"appid"), L"qz");
}

TEST_F(StartupParamsTest, CommandLineWinsOverTheDescription) {
    ReadStartupParams(context, L"--ver=2.1");
    EXPECT_EQ(context.GetParam(L"comname"), L"Vornel");
    EXPECT_EQ(context.GetParam(L"--ver"), L"2.1");
}

}  // namespace
