// The initialization dialog's two end states and the wait dialog's count, bar, centring
// over the wizard and its removal by Cancel, with real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "support/refusing_port.h"
#include "support/win32/window_capture.h"
#include "ui/page_texts.h"
#include "ui/res/wizard_ids.h"
#include "ui/win32/init_dialog.h"
#include "ui/win32/wait_dialog.h"
#include "wizard_test_support.h"

namespace {

using namespace wizard_test;

HWND FindThreadDialog(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM data) {
            wchar_t className[32] = {};
            GetClassNameW(window, className, 32);
            if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(data) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(InitDialogTest, EndStates) {
    struct EndCase {
        const char* name;
        bool serviceUp;
        INT_PTR result;
        const wchar_t* lastMessage;
    };
    const EndCase cases[] = {
        {"closes by itself once the resources arrived", true, IDOK, L"文件下载成功\r\n"},
        {"waits for Esc without a service", false, IDCANCEL,
         L"读取配制信息失败，按ESC键退出...\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WizardEnvironment environment;
        environment.context.SetParam(L"appid", L"qz");
        test_support::RefusingPort refused;
        if (!c.serviceUp)
            environment.context.serverList = {L"127.0.0.1:" + std::to_wstring(refused.Port())};
        CDownloadManager downloads{ProxyRouter::Instance()};
        CInitDlg dialog(environment.context, downloads);
        std::atomic<DWORD> threadId{0};
        std::atomic<bool> ended{false};
        INT_PTR result = 0;
        std::wstring boxText;
        std::thread ui([&] {
            threadId.store(GetCurrentThreadId());
            result = dialog.DoModal();
            ended.store(true);
        });
        HWND window = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            window = threadId.load() ? FindThreadDialog(threadId.load()) : nullptr;
            return window != nullptr || ended.load();
        }));
        if (window != nullptr) {
            EXPECT_EQ(WindowText(window), L"qz 开始安装");
        }
        if (!c.serviceUp) {
            const HWND box = GetDlgItem(window, IDC_INIT_PROGRESS);
            ASSERT_TRUE(WaitFor([&] {
                const std::wstring text = WindowText(box);
                return text.find(c.lastMessage) != std::wstring::npos;
            }));
            boxText = WindowText(box);
            EXPECT_FALSE(ended.load());
            // Enter (the dialog's OK) does not skip a failed sequence.
            SendMessageW(window, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(IsWindowVisible(window));
            // Esc in the progress box, as the message asks.
            PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(box, WM_KEYUP, VK_ESCAPE, 0);
        }
        ASSERT_TRUE(WaitFor([&] { return ended.load(); }));
        ui.join();
        EXPECT_EQ(result, c.result);
        if (!c.serviceUp) {
            EXPECT_NE(boxText.find(environment.context.logPath), std::wstring::npos);
        } else
            EXPECT_FALSE(environment.context.GetParam(L"copyright_path").empty());
    }
}

TEST(InitDialogTest, LongTextKeepsWhatIsOnScreen) {
    WizardEnvironment environment;
    test_support::RefusingPort refused;
    environment.context.serverList = {L"127.0.0.1:" + std::to_wstring(refused.Port())};
    CDownloadManager downloads{ProxyRouter::Instance()};
    CInitDlg dialog(environment.context, downloads);
    std::atomic<DWORD> threadId{0};
    std::thread ui([&] {
        threadId.store(GetCurrentThreadId());
        dialog.DoModal();
    });
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        window = threadId.load() ? FindThreadDialog(threadId.load()) : nullptr;
        return window != nullptr;
    }));
    const HWND box = GetDlgItem(window, IDC_INIT_PROGRESS);
    ASSERT_TRUE(
        WaitFor([&] { return WindowText(box).find(L"按ESC键退出") != std::wstring::npos; }));
    const std::wstring line = std::wstring(98, L'y') + L"\r\n";
    // Up to the limit everything is kept; the first message past it trims the box.
    while (GetWindowTextLengthW(box) <= CInitDlg::kTextLimit)
        dialog.ShowText(line);  // SendMessage from this thread reaches the dialog's thread
    const int before = GetWindowTextLengthW(box);
    dialog.ShowText(L"last\r\n");
    const std::wstring after = WindowText(box);
    EXPECT_LT(static_cast<int>(after.size()), before);
    EXPECT_EQ(after.substr(after.size() - 6), L"last\r\n");
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    ui.join();
}

TEST(WaitDialogTest, CountsSecondsAndFillsTheBar) {
    CWaitThread* thread = CWaitThread::Start();
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(WaitFor([&] { return thread->Dialog() != nullptr; }));
    const HWND dialog = thread->Dialog();
    const HWND bar = GetDlgItem(dialog, IDC_WAIT_BAR);
    const HWND message = GetDlgItem(dialog, IDC_WAIT_MESSAGE);
    // The label shows the markup's text.
    EXPECT_EQ(WindowText(message), L"后台正在安装程序，请稍候");
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 300);
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(GetWindowLongW(dialog, GWL_STYLE) & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
    // A few real seconds.
    ASSERT_TRUE(
        WaitFor([&] { return WindowText(message) == L"后台正在安装程序，请稍候 (用时:3秒)"; }));
    EXPECT_GE(SendMessageW(bar, PBM_GETPOS, 0, 0), 3);
    // The page shows the dialog once it exists; here the test does.
    ShowWindow(dialog, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(SaveWindowAsPng(dialog, ArtifactPath(L"wait-dialog.png")));
    // Past 300 seconds the bar stays full and the seconds go on.
    for (int tick = 0; tick < 310; ++tick)
        SendMessageW(dialog, WM_TIMER, CWaitDlg::kSecondTimer, 0);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 300);
    EXPECT_NE(WindowText(message).find(L"(用时:31"), std::wstring::npos);
    const DWORD threadId = thread->ThreadId();
    thread->TakeDown();
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    const HANDLE handle = OpenThread(SYNCHRONIZE, FALSE, threadId);
    if (handle != nullptr) {
        EXPECT_EQ(WaitForSingleObject(handle, 60000), WAIT_OBJECT_0);
        CloseHandle(handle);
    }
}

TEST(WaitDialogTest, FollowsTheWizardAndCancelTakesItDown) {
    WizardEnvironment environment;
    WizardRun run(environment, IDYES);
    ASSERT_TRUE(run.AdvanceTo(2));
    CPage3& page = run.Sheet().Page3();
    page.StartWaitDialog();
    ASSERT_TRUE(WaitFor([&] { return page.WaitDialogReady(); }));
    page.ShowWaitDialog();
    const HWND dialog = page.WaitDialogWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));

    const auto expectedPosition = [&] {
        POINT origin = {0, 0};
        ClientToScreen(run.Frame(), &origin);
        RECT frame = {};
        GetClientRect(run.Frame(), &frame);
        RECT own = {};
        GetClientRect(dialog, &own);
        return POINT{origin.x + frame.right / 2 - own.right / 2 - 4,
                     origin.y + frame.bottom / 2 - own.bottom / 2 - 12};
    };
    const auto dialogAt = [&](POINT at) {
        RECT rect = {};
        GetWindowRect(dialog, &rect);
        return rect.left == at.x && rect.top == at.y;
    };
    EXPECT_TRUE(dialogAt(expectedPosition()));
    RECT frame = {};
    GetWindowRect(run.Frame(), &frame);
    SetWindowPos(run.Frame(), nullptr, frame.left + 37, frame.top + 23, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(WaitFor([&] { return dialogAt(expectedPosition()); }));

    run.Press(PSBTN_CANCEL);
    ASSERT_TRUE(run.WaitForClosed());
    EXPECT_EQ(run.Boxes().Texts(), std::vector<std::wstring>{L"安装正在进行，是否退出安装？"});
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

}  // namespace
