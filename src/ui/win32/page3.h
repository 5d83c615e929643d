#pragma once
// Page 3: the install plan and the runtime choice; its first Next starts the installation,
// whose events the page turns into its controls, timers, buttons and the wait dialog. The
// worker reaches the page only through messages to the page's window.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "install/install_events.h"
#include "install/install_plan.h"
#include "install/progress_tick.h"
#include "ui/win32/sky_blue_edit.h"
#include "ui/win32/wizard_page.h"

// Timers of the page.
inline constexpr int kProgressTimer = 2;  // progress tick, every 150 ms
inline constexpr int kActivityTimer = 3;  // log animation while an archive unpacks, 333 ms

class CDownloadManager;
class InstallEngine;
class CWaitThread;

// A log line from the worker: wParam points at lParam narrow bytes in the thread's ANSI
// code page.
inline constexpr UINT WM_INSTALL_LOG = WM_APP + 1;

class CPage3 : public CWizardPage, public IInstallEvents {
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
    // The wait dialog shown while a setup program runs: started, polled until it exists,
    // shown, and taken down when the program has finished (or on a confirmed cancel).
    void StartWaitDialog();
    bool WaitDialogReady();
    void ShowWaitDialog();
    void EndWaitDialog();

    // IInstallEvents, from the worker or the page's own thread.
    void PlanShown(const std::vector<PackageRow>& packages) override;
    void PackageChanged(int index, const PackageRow& package) override;
    void LogLineAdded(const std::wstring& line) override;
    void LastLogLineReplaced(const std::wstring& line) override;
    void StepBegun(InstallStep step, const std::wstring& name) override;
    void StepEnded(InstallStep step, const std::wstring& name) override;
    void RunEnded(RunOutcome outcome) override;
    RuntimeChoice ChosenRuntime() override;

    // How long the worker pauses after the setup programs (tests shorten it).
    unsigned settleMilliseconds = 2000;
    // How often and how long to look for the wait dialog before waiting without it.
    unsigned waitDialogPollMilliseconds = 1000;
    unsigned waitDialogPollLimit = 10;

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
    void ClearList();
    void InsertListRow(int row, const std::wstring& fileName);
    void SetListCell(int row, int column, const std::wstring& text);
    void SetWizardButtons(int value);
    void StopTimers();
    void OpenWaitDialog();
    void OnRuntimeClicked();
    void AddListLine(const std::wstring& line);
    void Tick();

    CDownloadManager& downloads_;
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
