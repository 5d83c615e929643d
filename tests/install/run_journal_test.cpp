#include "install/run_journal.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/text_codec.h"
#include "recording_events.h"
#include "support/temp_dir.h"

namespace {

TEST(RunJournal, ActivityAnimationGrowsShortLinesAndStartsNewOnes) {
    RecordingEvents events;
    RunJournal journal(events);
    journal.AnimateLastLine();  // nothing to animate yet
    EXPECT_TRUE(events.Events().empty());
    journal.Log(L"请稍候");
    journal.AnimateLastLine();
    journal.AnimateLastLine();
    EXPECT_EQ(journal.LogLines().back(), L"请稍候……");
    EXPECT_EQ(events.Events().back(), L"replace:请稍候……");  // shown in place

    journal.Log(std::wstring(49, L'x'));
    journal.AnimateLastLine();  // 49 characters: grows to 50
    journal.AnimateLastLine();  // 50 characters: a new line
    const auto lines = journal.LogLines();
    EXPECT_EQ(lines[lines.size() - 2], std::wstring(49, L'x') + L"…");
    EXPECT_EQ(lines.back(), L"…");
    EXPECT_EQ(events.Events().back(), L"log:…");
}

TEST(RunJournal, PackagesKeepTheirTextsAndIgnoreOutOfRangeUpdates) {
    RecordingEvents events;
    RunJournal journal(events);
    journal.ShowPlan({PackageRow{L"a.zip", L"1"}, PackageRow{L"b.zip", L"2"}});
    journal.UpdatePackage(1, PackageRow{L"b.zip", L"12"});
    journal.UpdatePackage(2, PackageRow{L"ignored"});
    journal.UpdatePackage(-1, PackageRow{L"ignored"});
    const auto packages = journal.Packages();
    ASSERT_EQ(packages.size(), 2u);
    EXPECT_EQ(packages[0][0], L"a.zip");
    EXPECT_EQ(packages[1][1], L"12");
    EXPECT_EQ(events.Events(),
              (std::vector<std::wstring>{L"plan:a.zip=1,b.zip=2", L"package:1:b.zip"}));
}

TEST(RunJournal, SummaryBlockBytes) {
    RecordingEvents events;
    RunJournal journal(events);
    journal.ShowPlan({PackageRow{L"a.zip", L"2"}});
    journal.Log(L"准备下载文件:.net20安装版");
    journal.Log(L"文件 a 下载完成");
    ScopedTempDir temp;
    const std::wstring log = temp / L"Install.log";
    WriteInstallSummary(journal, log);
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(log, bytes));
    const std::string separator =
        text::WideToUtf8(L"--下载&安装日志---------------------------------------");
    const std::string expected =
        "\xEF\xBB\xBF\r\n" + separator + "\r\n" +
        text::WideToUtf8(L"文件名\t大小[kB]\t进度[%]\t速度[kB/s]\t用时[s]\t剩余[s]\t版本号\t\r\n") +
        "a.zip\t2\t\t\t\t\t\t\r\n\r\n" + text::WideToUtf8(L"[001]准备下载文件:.net20安装版\r\n") +
        text::WideToUtf8(L"[002]文件 a 下载完成\r\n") + separator + "\r\n\r\n";
    EXPECT_EQ(bytes, expected);
}

}  // namespace
