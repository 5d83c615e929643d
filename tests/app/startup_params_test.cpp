#include "app/startup_params.h"

#include <gtest/gtest.h>

#include "app/install_context.h"
#include "app/version_updater.h"
#include "platform/file.h"
#include "platform/text_codec.h"
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

TEST_F(StartupParamsTest, CommandLineWordsComeWithTheDescriptionOfTheInstallerItself) {
    // The test program has no signature: no tag, and the description gives what the
    // command line leaves out.
    ReadStartupParams(context, L"--ver=2.1;ui=console");
    EXPECT_EQ(context.GetParam(L"comname"), L"Vornel");
    EXPECT_EQ(context.GetParam(L"appid"), L"qz");
    EXPECT_EQ(context.GetParam(L"--ver"), L"2.1");
    EXPECT_EQ(context.GetParam(L"ui"), L"console");
}

// Each key from the first source that gives it: command line, tag, version resource,
// built-in default.
TEST_F(StartupParamsTest, KeyByKeyFromTheFirstSourceThatGivesIt) {
    struct Case {
        std::wstring tail;
        std::optional<std::string> tag;
        std::u16string description;  // empty: no FileDescription
        std::wstring startupLine;
        std::wstring tagLine;  // empty: none
    };
    const std::string tag = "comname=Tagged;appid=tg;--ver=2.0";
    const Case cases[] = {
        {L"", std::nullopt, u"", L"comname=Vornel (default); appid=qz (default); --ver= (default)",
         L""},
        {L"", std::nullopt, u"comname=Desc;appid=ds",
         L"comname=Desc (version resource); appid=ds (version resource); --ver= (default)", L""},
        // Any word on the command line used to hide the description.
        {L"ui=console", std::nullopt, u"comname=Desc;appid=ds",
         L"comname=Desc (version resource); appid=ds (version resource); --ver= (default)", L""},
        {L"ui=console", tag, u"comname=Desc;appid=ds",
         L"comname=Tagged (tag); appid=tg (tag); --ver=2.0 (tag)",
         L"Tag\tcomname=Tagged;appid=tg;--ver=2.0"},
        {L"appid=cl", tag, u"comname=Desc;appid=ds",
         L"comname=Tagged (tag); appid=cl (command line); --ver=2.0 (tag)",
         L"Tag\tcomname=Tagged;appid=tg;--ver=2.0"},
        {L"comname=Cl;appid=cl;--ver=3", tag, u"comname=Desc;appid=ds",
         L"comname=Cl (command line); appid=cl (command line); --ver=3 (command line)",
         L"Tag\tcomname=Tagged;appid=tg;--ver=2.0"},
        {L"--ver=", tag, u"", L"comname=Tagged (tag); appid=tg (tag); --ver= (command line)",
         L"Tag\tcomname=Tagged;appid=tg;--ver=2.0"},
        {L"", std::string("appid=tg"), u"comname=Desc;appid=ds",
         L"comname=Desc (version resource); appid=tg (tag); --ver= (default)", L"Tag\tappid=tg"},
        {L"comname=Cl", std::nullopt, u"",
         L"comname=Cl (command line); appid=qz (default); --ver= (default)", L""},
        {L"", std::string("comname=Evil;server=evil.example"), u"comname=Desc;appid=ds",
         L"comname=Desc (version resource); appid=ds (version resource); --ver= (default)",
         L"Tag\tignored, names the key \"server\""},
        {L"", std::string("appid=\xff"), u"",
         L"comname=Vornel (default); appid=qz (default); --ver= (default)",
         L"Tag\tignored, not UTF-8"},
    };
    for (const auto& c : cases) {
        const std::wstring log = temp / L"startup.log";
        platform::WriteWholeFile(log, "");
        CInstallContext fresh({}, log);
        CVersionUpdater info;
        StartupSources sources;
        sources.commandTail = c.tail;
        sources.tag = c.tag;
        if (!c.description.empty()) {
            ASSERT_TRUE(info.LoadBlock(VersionBlockBuilder::Build(
                {{u"080404b0", {{u"FileDescription", c.description}}}})));
            sources.versionInfo = &info;
        }
        ApplyStartupParams(fresh, sources);
        std::string bytes;
        ASSERT_TRUE(platform::ReadWholeFile(log, bytes));
        const std::wstring text = text::Utf8ToWide(bytes);
        EXPECT_NE(text.find(L"\tStartup\t" + c.startupLine + L"\r\n"), std::wstring::npos)
            << c.tail << "\n"
            << text;
        EXPECT_EQ(text.find(L"\tTag\t") != std::wstring::npos, !c.tagLine.empty()) << text;
        if (!c.tagLine.empty()) {
            EXPECT_NE(text.find(L"\t" + c.tagLine + L"\r\n"), std::wstring::npos) << text;
        }
        // The other words of the command line are kept.
        if (c.tail == L"ui=console") {
            EXPECT_EQ(fresh.GetParam(L"ui"), L"console");
        }
    }
}

}  // namespace
