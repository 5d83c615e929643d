#include "install/download_page.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/text_codec.h"
#include "recording_front_end.h"
#include "support/temp_dir.h"

namespace {

TEST(DownloadPage, ActivityAnimationGrowsShortLinesAndStartsNewOnes) {
    RecordingFrontEnd view;
    DownloadPage page(view);
    page.AddLogLine(L"请稍候");
    page.AnimateLog();
    page.AnimateLog();
    EXPECT_EQ(page.LogLines().back(), L"请稍候……");
    EXPECT_EQ(view.Events().back(), L"replace:请稍候……");  // shown in place

    page.AddLogLine(std::wstring(49, L'x'));
    page.AnimateLog();  // 49 characters: grows to 50
    page.AnimateLog();  // 50 characters: a new line
    const auto lines = page.LogLines();
    EXPECT_EQ(lines[lines.size() - 2], std::wstring(49, L'x') + L"…");
    EXPECT_EQ(lines.back(), L"…");
}

TEST(DownloadPage, RowsKeepTheirCellsAndIgnoreOutOfRangeWrites) {
    RecordingFrontEnd view;
    DownloadPage page(view);
    page.InsertRow(0, L"b.zip");
    page.InsertRow(0, L"a.zip");
    page.SetCell(1, 1, L"12");
    page.SetCell(5, 1, L"ignored");
    page.SetCell(0, 7, L"ignored");
    EXPECT_EQ(page.RowCount(), 2);
    EXPECT_EQ(page.CellText(0, 0), L"a.zip");
    EXPECT_EQ(page.CellText(1, 1), L"12");
    EXPECT_EQ(page.CellText(9, 0), L"");
    page.ClearRows();
    EXPECT_EQ(page.RowCount(), 0);
}

TEST(DownloadPage, SummaryBlockBytes) {
    RecordingFrontEnd view;
    DownloadPage page(view);
    page.InsertRow(0, L"a.zip");
    page.SetCell(0, 1, L"2");
    page.AddLogLine(L"准备下载文件:.net20安装版");
    page.AddLogLine(L"文件 a 下载完成");
    ScopedTempDir temp;
    const std::wstring log = temp / L"Install.log";
    WriteInstallSummary(page, log);
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
