// Page 3 and page 4 with real windows and a real download from a loopback mirror: the
// plan in the package list, the progress tick's texts in the page's controls, the log
// list and its animation, the summary in the install log, and the finish page's tip,
// name file and package deletion.
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

TEST(DownloadPageTest, LogListAnimationAndWorkerLines) {
    struct AnimationCase {
        const char* name;
        size_t length;
        std::vector<std::wstring> lastLines;  // the last lines after one animation tick
    };
    const AnimationCase cases[] = {
        {"short line grows", 3, {L"abc…"}},
        {"49 characters grow to 50", 49, {std::wstring(49, L'x') + L"…"}},
        {"50 characters get a new line", 50, {std::wstring(50, L'x'), L"…"}},
    };
    WizardEnvironment environment;
    WizardRun run(environment);
    ASSERT_TRUE(run.AdvanceTo(2));
    const HWND page3 = run.PageWindow(2);
    const HWND box = GetDlgItem(page3, IDC_LOG_LIST);
    CPage3& page = run.Sheet().Page3();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring line = c.length == 3 ? L"abc" : std::wstring(c.length, L'x');
        page.Page().AddLogLine(line);
        run.OnWizardThread([&] {
            SendMessageW(page3, WM_TIMER, kActivityTimer, 0);
            KillTimer(page3, kActivityTimer);
        });
        const auto lines = ListLines(box);
        ASSERT_GE(lines.size(), c.lastLines.size());
        const std::vector<std::wstring> last(lines.end() - static_cast<long>(c.lastLines.size()),
                                             lines.end());
        EXPECT_EQ(last, c.lastLines);
        // The newest line is scrolled into view and nothing stays selected.
        EXPECT_EQ(SendMessageW(box, LB_GETCURSEL, 0, 0), LB_ERR);
    }

    // A worker's line in the narrow code page.
    const std::string narrow = text::WideToSystem(L"解压完成");
    SendMessageW(page3, WM_INSTALL_LOG, reinterpret_cast<WPARAM>(narrow.c_str()),
                 static_cast<LPARAM>(narrow.size()));
    EXPECT_EQ(ListLines(box).back(), L"解压完成");
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
