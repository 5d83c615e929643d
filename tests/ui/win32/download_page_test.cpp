// Page 3 and page 4 with real windows and a real download from a loopback mirror: the
// plan in the package list, the progress tick's texts in the page's controls, what the
// page makes of the run's events (cells, log lines, timers, buttons, the wait dialog),
// the summary in the install log, and the finish page's tip, name file and package
// deletion.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "app/path_ops.h"
#include "platform/text_codec.h"
#include "support/win32/window_capture.h"
#include "ui/res/wizard_ids.h"
#include "ui/win32/page3.h"
#include "wizard_test_support.h"

namespace {

using namespace wizard_test;

std::wstring Cell(HWND list, int row, int column) {
    wchar_t buffer[256] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

std::vector<std::wstring> ListLines(HWND box) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(box, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring line(static_cast<size_t>(SendMessageW(box, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        const LRESULT length =
            SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        line.resize(length > 0 ? static_cast<size_t>(length) : 0);
        lines.push_back(line);
    }
    return lines;
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(text::WideToSystem(path), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST(DownloadPageTest, RunRendersProgressAndEndsOnTheFinishPage) {
    struct FinishCase {
        const char* name;
        bool deletePackages;
    };
    for (const FinishCase c : {FinishCase{"delete on finish", true}, FinishCase{"keep", false}}) {
        SCOPED_TRACE(c.name);
        WizardEnvironment environment;
        environment.fake.AddPackage("pack.dat", std::string(300 * 1024, 'p'));
        WizardRun run(environment);
        ASSERT_TRUE(run.AdvanceTo(2));
        const HWND page3 = run.PageWindow(2);
        const HWND list = GetDlgItem(page3, IDC_PACKAGE_LIST);
        ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
        EXPECT_EQ(Cell(list, 0, 0), L"pack.dat");
        EXPECT_EQ(Cell(list, 0, 1), L"300");
        EXPECT_EQ(Cell(list, 0, 6), L"2.5");
        EXPECT_TRUE(IsDlgButtonChecked(page3, IDC_NET_DEFAULT));

        run.Press(PSBTN_NEXT);
        ASSERT_TRUE(run.WaitForPage(3));
        // The last tick's texts stay on page 3.
        EXPECT_EQ(Cell(list, 0, 2), L"100.0");
        EXPECT_EQ(Cell(list, 0, 5), L"0");
        EXPECT_EQ(WindowText(GetDlgItem(page3, IDC_TOTAL_SIZE)), L"300.00 KB");
        EXPECT_EQ(WindowText(GetDlgItem(page3, IDC_REMAINING)), L"0s");
        EXPECT_EQ(SendMessageW(GetDlgItem(page3, IDC_PROGRESS), PBM_GETPOS, 0, 0), 10000);
        const auto lines = ListLines(GetDlgItem(page3, IDC_LOG_LIST));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rfind(L"准备下载文件:", 0), 0u);
        const std::wstring package = environment.temp / L"downloads\\pack.dat";
        EXPECT_NE(std::find(lines.begin(), lines.end(), L"文件 " + package + L" 下载完成"),
                  lines.end());

        // The summary block (the log file ends its lines with CR LF): captions, the row,
        // every log line numbered.
        const std::string log = ReadFileBytes(environment.context.logPath);
        EXPECT_NE(log.find("--下载&安装日志---------------------------------------\r\n文件名\t"),
                  std::string::npos);
        EXPECT_NE(log.find("pack.dat\t300\t100.0\t"), std::string::npos);
        EXPECT_NE(log.find("[001]准备下载文件:"), std::string::npos);

        // Page 4: tip, name file, then Finish with or without deleting the package.
        const HWND page4 = run.PageWindow(3);
        EXPECT_TRUE(SaveWindowAsPng(run.Frame(), ArtifactPath(L"wizard-page4.png")));
        // No shortcuts: a line break, then the hint (the label reads its lines back with CR LF).
        EXPECT_EQ(WindowText(GetDlgItem(page4, IDC_FINISH_TIP)), L"\r\n请双击打开");
        EXPECT_EQ(WindowText(GetDlgItem(page4, IDC_PAGE_BODY)), L"安装完成");
        EXPECT_TRUE(IsDlgButtonChecked(page4, IDC_DELETE_PACKAGES));
        EXPECT_TRUE(WaitFor(
            [&] { return run.ButtonVisible(kFinishButton) && run.ButtonEnabled(kFinishButton); }));
        const std::string nameFile = ReadFileBytes(environment.temp / L"app\\config\\Name.ini");
        for (const char* line : {"[Name]", "username=", "appid=", "ver=", "title="})
            EXPECT_NE(nameFile.find(line), std::string::npos) << line;
        if (!c.deletePackages)
            CheckDlgButton(page4, IDC_DELETE_PACKAGES, BST_UNCHECKED);
        EXPECT_TRUE(PathExists(package));
        run.Press(PSBTN_FINISH);
        ASSERT_TRUE(run.WaitForClosed());
        EXPECT_EQ(PathExists(package), !c.deletePackages);
        EXPECT_EQ(run.Boxes().Count(), 0u);
    }
}

// What the page makes of the run's events, sent from this thread as the worker sends them.
TEST(DownloadPageTest, EventsBecomeCellsLinesTimersAndButtons) {
    WizardEnvironment environment;
    WizardRun run(environment);
    ASSERT_TRUE(run.AdvanceTo(2));
    const HWND page3 = run.PageWindow(2);
    const HWND list = GetDlgItem(page3, IDC_PACKAGE_LIST);
    const HWND box = GetDlgItem(page3, IDC_LOG_LIST);
    const HWND status = GetDlgItem(page3, IDC_STATUS_LINE);
    CPage3& page = run.Sheet().Page3();
    // Whether the page's timer runs; it is stopped by asking.
    const auto timerRan = [&](int id) {
        BOOL killed = FALSE;
        run.OnWizardThread([&] { killed = KillTimer(page3, id); });
        return killed != FALSE;
    };

    page.PlanShown({PackageRow{L"a.dat", L"3"}, PackageRow{L"b.dat", L"0"}});
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Cell(list, 1, 0), L"b.dat");
    EXPECT_EQ(Cell(list, 0, 1), L"3");
    EXPECT_EQ(Cell(list, 0, 6), L"");  // the run's rows carry no version
    EXPECT_TRUE(WaitFor([&] { return !run.ButtonEnabled(kNextButton); }));
    EXPECT_FALSE(run.ButtonEnabled(kBackButton));

    const PackageRow progress{L"b.dat", L"0", L"50.0", L"1.5", L"0.3", L"0.3", L""};
    page.PackageChanged(1, progress);
    for (int column = 1; column < kPackageFieldCount; ++column)
        EXPECT_EQ(Cell(list, 1, column), progress[column]) << column;

    struct LineCase {
        const char* name;
        bool replace;
        std::wstring line;
        std::vector<std::wstring> lastLines;
    };
    const LineCase lines[] = {
        {"a new line", false, L"abc", {L"abc"}},
        {"the last line rewritten", true, L"abc…", {L"abc…"}},
        {"then a new one", false, L"…", {L"abc…", L"…"}},
    };
    for (const auto& c : lines) {
        SCOPED_TRACE(c.name);
        if (c.replace)
            page.LastLogLineReplaced(c.line);
        else
            page.LogLineAdded(c.line);
        const auto shown = ListLines(box);
        ASSERT_GE(shown.size(), c.lastLines.size());
        EXPECT_EQ(std::vector<std::wstring>(shown.end() - static_cast<long>(c.lastLines.size()),
                                            shown.end()),
                  c.lastLines);
        // The newest line is scrolled into view and nothing stays selected.
        EXPECT_EQ(SendMessageW(box, LB_GETCURSEL, 0, 0), LB_ERR);
    }

    // The progress tick runs from the download on, the activity around each archive.
    page.StepBegun(InstallStep::Download, L"");
    EXPECT_TRUE(timerRan(kProgressTimer));
    page.StepBegun(InstallStep::Download, L"");
    page.StepBegun(InstallStep::Extraction, L"a.dat");
    EXPECT_TRUE(timerRan(kActivityTimer));
    page.StepBegun(InstallStep::Extraction, L"a.dat");
    page.StepEnded(InstallStep::Extraction, L"a.dat");
    EXPECT_FALSE(timerRan(kActivityTimer));

    // A setup program runs behind the wait dialog, the status line says which.
    page.StepBegun(InstallStep::Setup, L"s.exe");
    const HWND dialog = page.WaitDialogWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindowVisible(status));
    EXPECT_EQ(WindowText(status), L"s.exe 正在后台安装，请稍候...");
    page.StepEnded(InstallStep::Setup, L"s.exe");
    EXPECT_EQ(WindowText(status), L"s.exe 后台安装完毕");
    EXPECT_EQ(page.WaitDialogWindow(), nullptr);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

    // Configuration stops both timers and hides the status line; once it has ended, Next
    // is offered.
    page.StepBegun(InstallStep::Extraction, L"b.dat");
    page.StepBegun(InstallStep::Configuration, L"");
    EXPECT_FALSE(timerRan(kProgressTimer));
    EXPECT_FALSE(timerRan(kActivityTimer));
    EXPECT_FALSE(IsWindowVisible(status));
    EXPECT_FALSE(run.ButtonEnabled(kNextButton));
    page.StepEnded(InstallStep::Configuration, L"");
    EXPECT_TRUE(WaitFor([&] { return run.ButtonEnabled(kNextButton); }));

    // A worker's line in the narrow code page.
    const std::string narrow = text::WideToSystem(L"解压完成");
    SendMessageW(page3, WM_INSTALL_LOG, reinterpret_cast<WPARAM>(narrow.c_str()),
                 static_cast<LPARAM>(narrow.size()));
    EXPECT_EQ(ListLines(box).back(), L"解压完成");
}

TEST(DownloadPageTest, AWaitDialogThatNeverAppearsIsGivenUp) {
    WizardEnvironment environment;
    WizardRun run(environment);
    ASSERT_TRUE(run.AdvanceTo(2));
    CPage3& page = run.Sheet().Page3();
    page.waitDialogPollLimit = 0;  // looked for no time at all
    page.StepBegun(InstallStep::Setup, L"quiet.exe");
    const HWND dialog = page.WaitDialogWindow();
    EXPECT_TRUE(dialog == nullptr || !IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(run.PageWindow(2), IDC_STATUS_LINE)));
    page.StepEnded(InstallStep::Setup, L"quiet.exe");
    EXPECT_EQ(page.WaitDialogWindow(), nullptr);
    EXPECT_NE(ReadFileBytes(environment.context.logPath).find("wait dialog did not appear"),
              std::string::npos);
}

TEST(DownloadPageTest, RuntimeChoiceFetchesThePlanAgain) {
    WizardEnvironment environment;
    environment.fake.AddPackage("a.dat", std::string(2048, 'a'));
    WizardRun run(environment);
    ASSERT_TRUE(run.AdvanceTo(2));
    const HWND page3 = run.PageWindow(2);
    const HWND list = GetDlgItem(page3, IDC_PACKAGE_LIST);
    ASSERT_EQ(Cell(list, 0, 6), L"2.5");
    environment.fake.AddPackage("b.dat", std::string(4096, 'b'));
    run.OnWizardThread([&] { SendMessageW(GetDlgItem(page3, IDC_NET40), BM_CLICK, 0, 0); });
    EXPECT_EQ(environment.context.GetParam(L"netver"), L"4.0");
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Cell(list, 1, 0), L"b.dat");
    EXPECT_EQ(Cell(list, 1, 1), L"4");
    // The version column is filled only when the page opens.
    EXPECT_EQ(Cell(list, 0, 6), L"");
}

}  // namespace
