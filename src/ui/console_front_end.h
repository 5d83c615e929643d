#pragma once
// The unattended front-end (ui=console): runs the whole installation without windows and
// prints what it does. Running it means accepting the agreement, as the silent modes of
// other installers do.
#include <mutex>
#include <string>
#include <vector>

#include "app/front_end.h"
#include "app/init_sequence.h"
#include "install/download_page.h"
#include "install/install_front_end.h"
#include "install/progress_tick.h"
#include "ui/periodic_timer.h"

// Exit codes of the console front-end.
enum ConsoleExitCode {
    kExitInstalled = 0,
    kExitInitializationFailed = 1,
    kExitDirectoryCheckFailed = 2,
    kExitPlanUnavailable = 3,
    kExitPackageFailed = 4,
};

class ConsoleFrontEnd : public IStartupFrontEnd, public IInstallFrontEnd, public IInitDisplay {
  public:
    ConsoleFrontEnd();
    ~ConsoleFrontEnd() override;

    // The usage text printed for the word "help".
    static std::wstring UsageText();
    // True when the command line asked for the usage text.
    static bool WantsHelp(CInstallContext& context);

    int ExitCode() const { return exitCode_; }

    // IStartupFrontEnd
    bool RunInitialization(CInstallContext& context) override;
    void RunWizard(CInstallContext& context) override;
    void ShowMessage(CInstallContext& context, const std::wstring& text) override;

    // IInitDisplay
    void ShowText(const std::wstring& text) override;

    // IInstallFrontEnd (the download page's display)
    void AddLogLine(const std::wstring& line) override;
    void ClearRows() override {}
    void InsertRow(int, const std::wstring&) override {}
    void SetCell(int, int, const std::wstring&) override {}
    void StartTimer(int id, unsigned periodMilliseconds) override;
    void StopTimer(int id) override;
    void ShowStatusLine(bool) override {}
    void SetStatusText(const std::wstring& text) override;
    void StartWaitDialog() override {}
    bool WaitDialogReady() override { return true; }
    void ShowWaitDialog() override {}
    void EndWaitDialog() override {}
    RuntimeChoice GetRuntimeChoice() override { return runtimeChoice_; }
    void SetWizardButtons(int) override {}
    void GoToNextPage() override {}

  private:
    void RunInstallation(CInstallContext& context);
    void Tick();
    void DrawProgress(const std::vector<PackageRow>& rows, const ProgressTotals& totals);
    void Print(const std::wstring& text);

    int exitCode_ = kExitInstalled;
    RuntimeChoice runtimeChoice_ = RuntimeChoice::Default;
    DownloadPage* page_ = nullptr;
    PeriodicTimer progressTimer_;
    PeriodicTimer activityTimer_;
    std::mutex outputLock_;
    bool terminal_ = false;
    int drawnLines_ = 0;            // lines of the live display below the log, on a terminal
    unsigned ticksSincePrint_ = 0;  // plain output prints progress now and then
    std::wstring lastStatus_;
    std::wstring lastLogLine_;
    ProgressTotals totals_;
};
