#pragma once
// Page 3: the install plan and the runtime choice; its first Next starts the installation,
// whose worker reaches the page only through messages to the page's window.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "install/download_page.h"
#include "install/install_front_end.h"
#include "install/install_plan.h"
#include "install/progress_tick.h"
#include "ui/win32/sky_blue_edit.h"
#include "ui/win32/wizard_page.h"

class CDownloadManager;
class InstallEngine;
class CWaitThread;

// A log line from the worker: wParam points at lParam narrow bytes in the thread's ANSI
// code page.
inline constexpr UINT WM_INSTALL_LOG = WM_APP + 1;

class CPage3 : public CWizardPage, public IInstallFrontEnd {
  public:
    CPage3(CInstallContext& context, CDownloadManager& downloads);
    ~CPage3() override;

    // The packages that failed, once the run has ended.
    std::vector<std::wstring> FailedFiles() const;
    // The packages this run downloaded itself (the only ones Finish may delete).
    std::vector<std::wstring> DownloadedPackages() const;
    // True while a started run has not reached its end.
    bool RunInProgress() const;
    // The wait dialog's window while one is on screen, else null.
    HWND WaitDialogWindow() const;
    // Takes the wait dialog down (the cancel confirmation does this too).
    void EndWaitDialog() override;

    // IInstallFrontEnd, called from the worker or the page's own thread.
    void AddLogLine(const std::wstring& line) override;
    void ReplaceLastLogLine(const std::wstring& line) override;
    void ClearRows() override;
    void InsertRow(int row, const std::wstring& fileName) override;
    void SetCell(int row, int column, const std::wstring& text) override;
    void StartTimer(int id, unsigned periodMilliseconds) override;
    void StopTimer(int id) override;
    void ShowStatusLine(bool visible) override;
    void SetStatusText(const std::wstring& text) override;
    void StartWaitDialog() override;
    bool WaitDialogReady() override;
    void ShowWaitDialog() override;
    RuntimeChoice GetRuntimeChoice() override;
    void SetWizardButtons(int value) override;
    void GoToNextPage() override;

    DownloadPage& Page() { return page_; }
    // How long the worker pauses after the setup programs (tests shorten it).
    unsigned settleMilliseconds = 2000;

  protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnQueryCancel() override;
    void OnTimer(UINT_PTR id) override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

  private:
    // Runs `action` on the page's thread (directly when already there); nothing happens
    // once the window is gone.
    void OnPageThread(const std::function<void()>& action);
    void FillRows(bool withVersions);
    void OnRuntimeClicked();
    void AddListLine(const std::wstring& line);
    void Tick();

    CDownloadManager& downloads_;
    DownloadPage page_;
    InstallPlan plan_;
    std::unique_ptr<InstallEngine> engine_;
    int installState_ = 0;
    std::atomic<bool> runEnded_{false};
    std::atomic<HWND> pageWindow_{nullptr};
    ProgressTotals totals_;
    CSkyBlueEdit statusLine_;
    mutable std::mutex waitLock_;
    CWaitThread* waitThread_ = nullptr;
};
