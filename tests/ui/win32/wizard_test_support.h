#pragma once
// Real windows of the wizard driven from the test thread: an install service with canned
// answers on 127.0.0.1, the wizard on a user-interface thread of its own, and a hook that
// answers its message boxes and records their texts.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/install_context.h"
#include "download/download_manager.h"
#include "download/proxy_router.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"
#include "ui/win32/main_sheet.h"

namespace wizard_test {

// Waits until `condition` holds, pumping this thread's messages; false after a generous
// bound (the bound only guards against a hang, it is never a timing assertion).
bool WaitFor(const std::function<bool()>& condition, unsigned limitMilliseconds = 60000);

std::wstring WindowText(HWND window);

// Answers every message box shown on one thread with the given button and records its text.
class MessageBoxAnswerer {
  public:
    MessageBoxAnswerer() = default;
    ~MessageBoxAnswerer();
    // Hooks the thread; `answer` is IDOK, IDYES or IDNO.
    void Install(DWORD threadId, int answer);
    void SetAnswer(int answer) { answer_.store(answer); }
    std::vector<std::wstring> Texts() const;
    std::vector<std::wstring> Captions() const;
    size_t Count() const;

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    std::atomic<int> answer_{IDOK};
    mutable std::mutex lock_;
    std::vector<std::wstring> texts_;
    std::vector<std::wstring> captions_;
};

// The canned install service: configuration, an account for every file, the plan, and
// "OK" for the reports. Packages are served by `mirror`.
class FakeService {
  public:
    FakeService();
    // Adds a package served by the mirror with `content`.
    void AddPackage(const std::string& name, const std::string& content);
    // The record of "needdown" (a JSON array).
    std::string PlanJson() const;
    std::vector<std::string> Actions() const;

    test_support::HttpTestServer service;
    test_support::HttpTestServer mirror;

  private:
    mutable std::mutex lock_;
    std::vector<std::pair<std::string, std::string>> packages_;
};

// A context and download manager against a fake service, with a temporary install and
// download directory, the log in the same place.
struct WizardEnvironment {
    WizardEnvironment();
    ScopedTempDir temp;
    FakeService fake;
    CInstallContext context;
    CDownloadManager downloads{ProxyRouter::Instance()};
};

// The wizard on a thread of its own.
class WizardRun {
  public:
    explicit WizardRun(WizardEnvironment& environment, int messageBoxAnswer = IDOK);
    ~WizardRun();

    CMainSheet& Sheet() { return *sheet_; }
    HWND Frame() const { return frame_; }
    MessageBoxAnswerer& Boxes() { return boxes_; }
    bool Closed() const { return closed_.load(); }
    DWORD ThreadId() const { return threadId_.load(); }
    // The control that has the keyboard focus on the wizard's thread.
    HWND Focus() const;
    // Presses a key in the focused control, as the keyboard would.
    void PressKey(WPARAM key);

    // The index of the page on screen, -1 once the wizard has closed.
    int CurrentPage() const;
    HWND PageWindow(int index) const;
    bool WaitForPage(int index);
    // From page 1, Next until page `index` is on screen; false when it did not appear.
    bool AdvanceTo(int index);
    bool WaitForClosed();
    // Presses Back, Next, Finish or Cancel as the user would (PSBTN_*).
    void Press(int button);
    bool ButtonEnabled(int id) const;
    bool ButtonVisible(int id) const;
    // Runs `action` on the wizard's thread and waits for it.
    void OnWizardThread(const std::function<void()>& action);

  private:
    void ThreadMain();
    std::unique_ptr<CMainSheet> sheet_;
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    std::atomic<HWND> frame_{nullptr};
    std::atomic<bool> closed_{false};
    MessageBoxAnswerer boxes_;
    int answer_;
};

// Ids of the frame's buttons.
inline constexpr int kBackButton = 0x3023;
inline constexpr int kNextButton = 0x3024;
inline constexpr int kFinishButton = 0x3025;
inline constexpr int kHelpButton = 9;

}  // namespace wizard_test
