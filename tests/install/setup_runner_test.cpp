// The setup runner with a real stand-in setup program: start order, wait order, the
// command line each program sees, its working directory, failures and the steps reported around
// each wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app/install_context.h"
#include "app/path_ops.h"
#include "install/download_prefix.h"
#include "install/setup_runner.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "recording_events.h"
#include "support/temp_dir.h"

namespace {

TEST(SplitWindowsCommandLine, FollowsTheWindowsRules) {
    const struct {
        const wchar_t* line;
        std::vector<std::wstring> words;
    } cases[] = {
        {L"", {}},
        {L"   \t ", {}},
        {L"/S /D=C:\\x", {L"/S", L"/D=C:\\x"}},
        {L"  a   b\tc  ", {L"a", L"b", L"c"}},
        {L"\"two words\" three", {L"two words", L"three"}},
        {L"pre\"fix mid\"post", {L"prefix midpost"}},
        {L"\"\"", {L""}},
        {L"a \"\" b", {L"a", L"", L"b"}},
        {L"\"unterminated quote", {L"unterminated quote"}},
        {L"C:\\dir\\ x", {L"C:\\dir\\", L"x"}},
        {L"a\\\\\"b c\"", {L"a\\b c"}},  // 2n backslashes + quote: n and a group
        {L"a\\\"b", {L"a\"b"}},          // 2n+1: n and a literal quote
        {L"a\\\\\\\"b", {L"a\\\"b"}},
        {L"\"say \"\"hi\"\"\"", {L"say \"hi\""}},  // "" inside a group is a quote
        {L"\u5b89\u88c5 /q", {L"\u5b89\u88c5", L"/q"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitWindowsCommandLine(c.line), c.words)
            << testing::PrintToString(std::wstring(c.line));
}

TEST(BuildSetupCommandLine, QuotesThePathAndKeepsTheParameters) {
    EXPECT_EQ(BuildSetupCommandLine(L"C:\\Users\\John Smith\\setup.exe", L"/S \"/D=a b\""),
              L"\"C:\\Users\\John Smith\\setup.exe\" /S \"/D=a b\"");
    EXPECT_EQ(BuildSetupCommandLine(L"c:\\d\\setup.exe", L""), L"\"c:\\d\\setup.exe\" ");
}

// The record a fixture run wrote: its key=value lines in order.
struct FixtureRecord {
    std::wstring cwd;
    std::wstring line;
    std::vector<std::wstring> args;
    bool ended = false;
};

FixtureRecord ReadRecord(const std::wstring& path) {
    FixtureRecord record;
    std::string data;
    if (!platform::ReadWholeFile(path, data))
        return record;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos)
            end = data.size();
        const std::wstring line = text::Utf8ToWide(data.substr(start, end - start));
        if (line.rfind(L"cwd=", 0) == 0)
            record.cwd = line.substr(4);
        else if (line.rfind(L"line=", 0) == 0)
            record.line = line.substr(5);
        else if (line.rfind(L"arg=", 0) == 0)
            record.args.push_back(line.substr(4));
        else if (line == L"end")
            record.ended = true;
        start = end + 1;
    }
    return record;
}

class SetupRunnerTest : public testing::Test {
  protected:
    SetupRunnerTest() : context_({L"127.0.0.1:9"}, dir_ / L"Install.log") {
        download_ = dir_ / L"Down Load";
        setup_ = dir_ / L"Program Files";
        EXPECT_TRUE(platform::CreateDirectoryLevel(download_));
        EXPECT_TRUE(platform::CreateDirectoryLevel(setup_));
        context_.SetParam(L"DownloadPath", download_);
        context_.SetParam(L"SetupFullPath", setup_);
    }

    // Puts the fixture program into the download directory under `name`.
    void AddProgram(const std::wstring& name) {
#ifdef _WIN32
        const std::wstring fixture = JoinPath(GetModuleDir(), L"install_setup_fixture.exe");
#else
        const std::wstring fixture = JoinPath(GetModuleDir(), L"install_setup_fixture");
#endif
        std::string bytes;
        ASSERT_TRUE(platform::ReadWholeFile(fixture, bytes)) << text::WideToUtf8(fixture);
        const std::wstring target = JoinPath(download_, name);
        ASSERT_TRUE(platform::WriteWholeFile(target, bytes));
#ifndef _WIN32
        ASSERT_EQ(chmod(text::WideToSystem(target).c_str(), 0755), 0);
#endif
    }
    static PackageEntry Package(const std::wstring& fileName, const std::wstring& parameters) {
        PackageEntry entry;
        entry[L"filename"] = fileName;
        entry[L"setupparam"] = parameters;
        return entry;
    }
    std::wstring CommandLine(const std::wstring& fileName, const std::wstring& parameters) const {
        return L"\"" + DownloadPrefix(download_) + fileName + L"\" " + parameters;
    }
    // The programs that could not be started.
    std::vector<std::wstring> Run(const InstallPlan& plan) {
        InstallStepContext step{context_, plan, journal_};
        return RunSetupPrograms(step);
    }
    // The working directory as the program reports it.
    std::wstring ExpectedCwd() const {
#ifdef _WIN32
        return setup_;
#else
        char* real = realpath(text::WideToSystem(setup_).c_str(), nullptr);
        std::wstring resolved = real != nullptr ? text::SystemToWide(real) : setup_;
        free(real);
        return resolved;
#endif
    }

    ScopedTempDir dir_;
    CInstallContext context_;
    std::wstring download_;
    std::wstring setup_;
    RecordingEvents events_;
    RunJournal journal_{events_};
};

TEST_F(SetupRunnerTest, StartsAllThenWaitsInStartOrder) {
    AddProgram(L"first.exe");
    AddProgram(L"second setup.exe");
    // The first program runs until the second has ended: a runner that waited for the first
    // before starting the second would see the first end only after its two-minute bound.
    const std::wstring firstParams = L"first.rec until=second.rec --flag \"two words\"";
    const std::wstring secondParams = L"second.rec 100";
    const InstallPlan plan = {Package(L"first.exe", firstParams),
                              Package(L"readme.txt", L"ignored"),
                              Package(L"second setup.exe", secondParams)};

    // When the first program's completion is logged, the second must have run to its end
    // already: it was started before the first wait.
    std::atomic<bool> secondEndedBeforeFirstCompletion{false};
    events_.onLine = [&](const std::wstring& line) {
        if (line == L"first.exe 后台安装完毕")
            secondEndedBeforeFirstCompletion = ReadRecord(JoinPath(setup_, L"second.rec")).ended;
    };
    EXPECT_TRUE(Run(plan).empty());

    const std::vector<std::wstring> expected = {
        L"执行安装 " + CommandLine(L"first.exe", firstParams),
        L"执行安装 " + CommandLine(L"second setup.exe", secondParams),
        L"first.exe 后台安装完毕",
        L"second setup.exe 后台安装完毕",
    };
    EXPECT_EQ(events_.Lines(), expected);
    EXPECT_TRUE(secondEndedBeforeFirstCompletion);

    const FixtureRecord first = ReadRecord(JoinPath(setup_, L"first.rec"));
    EXPECT_TRUE(first.ended);
    EXPECT_EQ(first.cwd, ExpectedCwd());
    EXPECT_EQ(first.args, (std::vector<std::wstring>{L"first.rec", L"until=second.rec", L"--flag",
                                                     L"two words"}));
#ifdef _WIN32
    EXPECT_EQ(first.line, CommandLine(L"first.exe", firstParams));
#endif
    const FixtureRecord second = ReadRecord(JoinPath(setup_, L"second.rec"));
    EXPECT_TRUE(second.ended);
    EXPECT_EQ(second.args, (std::vector<std::wstring>{L"second.rec", L"100"}));

    // Per program, in start order: the setup step begins before the wait and ends after
    // the completion line.
    std::vector<std::wstring> outline;
    for (const auto& event : events_.Events()) {
        if (event.rfind(L"begin:", 0) == 0 || event.rfind(L"end:", 0) == 0 ||
            event.find(L"后台安装完毕") != std::wstring::npos)
            outline.push_back(event);
    }
    const std::vector<std::wstring> expectedOutline = {
        L"begin:setup:first.exe",
        L"log:first.exe 后台安装完毕",
        L"end:setup:first.exe",
        L"begin:setup:second setup.exe",
        L"log:second setup.exe 后台安装完毕",
        L"end:setup:second setup.exe",
    };
    EXPECT_EQ(outline, expectedOutline);
}

TEST_F(SetupRunnerTest, AProgramThatCannotStartIsLoggedAndTheOthersRun) {
    AddProgram(L"good.exe");
    ASSERT_TRUE(platform::WriteWholeFile(JoinPath(download_, L"broken.exe"), "not a program"));
    const InstallPlan plan = {Package(L"missing.exe", L"/q"), Package(L"broken.exe", L""),
                              Package(L"good.exe", L"good.rec")};
    EXPECT_EQ(Run(plan), (std::vector<std::wstring>{L"missing.exe", L"broken.exe"}));
    const std::vector<std::wstring> expected = {
        L"执行安装 " + CommandLine(L"missing.exe", L"/q") + L" 失败",
        L"执行安装 " + CommandLine(L"broken.exe", L"") + L" 失败",
        L"执行安装 " + CommandLine(L"good.exe", L"good.rec"),
        L"good.exe 后台安装完毕",
    };
    EXPECT_EQ(events_.Lines(), expected);
    EXPECT_TRUE(ReadRecord(JoinPath(setup_, L"good.rec")).ended);
}

TEST_F(SetupRunnerTest, EmptyParametersLeaveOnlyTheProgram) {
    AddProgram(L"noargs.exe");
    EXPECT_TRUE(Run({Package(L"noargs.exe", L"")}).empty());
    EXPECT_EQ(events_.Lines().front(), L"执行安装 " + CommandLine(L"noargs.exe", L""));
    const FixtureRecord record = ReadRecord(JoinPath(setup_, L"noargs.exe.rec"));
    EXPECT_TRUE(record.ended);
    EXPECT_TRUE(record.args.empty());
#ifdef _WIN32
    EXPECT_EQ(record.line, CommandLine(L"noargs.exe", L""));
#endif
}

TEST_F(SetupRunnerTest, OnlyNamesWithExeOrMsiAreRun) {
    AddProgram(L"UPPER.EXE");
    AddProgram(L"tool.exe.bin");
    const InstallPlan plan = {Package(L"UPPER.EXE", L"upper.rec"), Package(L"data.zip", L""),
                              Package(L"tool.exe.bin", L"tool.rec")};
    EXPECT_TRUE(Run(plan).empty());
    EXPECT_EQ(events_.Lines(),
              (std::vector<std::wstring>{L"执行安装 " + CommandLine(L"tool.exe.bin", L"tool.rec"),
                                         L"tool.exe.bin 后台安装完毕"}));
    EXPECT_FALSE(platform::PathExists(JoinPath(setup_, L"upper.rec")));
}

}  // namespace
