#pragma once
// The unattended front-end (ui=console): runs the whole installation without windows and
// prints what it does. Running it means accepting the agreement, as the silent modes of
// other installers do.
#include <mutex>
#include <string>
#include <vector>

#include "app/front_end.h"
#include "app/init_sequence.h"
#include "install/install_events.h"
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

class InstallEngine;

class ConsoleFrontEnd : public IStartupFrontEnd, public IInstallEvents, public IInitDisplay {
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

    // IInstallEvents: the log and the setup programs' status are printed, the progress
    // is drawn while the download runs.
    void LogLineAdded(const std::wstring& line) override;
    void StepBegun(InstallStep step, const std::wstring& name) override;
    void StepEnded(InstallStep step, const std::wstring& name) override;
    RuntimeChoice ChosenRuntime() override { return runtimeChoice_; }

  private:
    void RunInstallation(CInstallContext& context);
    void Tick();
    void DrawProgress(const std::vector<PackageRow>& rows, const ProgressTotals& totals);
    void Print(const std::wstring& text);
    void PrintStatus(const std::wstring& text);

    int exitCode_ = kExitInstalled;
    RuntimeChoice runtimeChoice_ = RuntimeChoice::Default;
    InstallEngine* engine_ = nullptr;
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
