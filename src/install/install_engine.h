#pragma once
// The download-and-install run: StartInstall turns the plan into download tasks with
// their mirrors (on the calling thread), then a worker thread downloads every task and
// runs the installation steps in their fixed order. It owns its package list and its
// log, and reports through IInstallEvents.
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/install_context.h"
#include "download/download_manager.h"
#include "install/install_events.h"
#include "install/install_plan.h"
#include "install/progress_tick.h"
#include "install/protected_files.h"
#include "install/run_journal.h"

class InstallEngine {
  public:
    InstallEngine(CInstallContext& context, CDownloadManager& downloads, IInstallEvents& events,
                  InstallPlan plan, std::wstring versionCaption);
    ~InstallEngine();
    InstallEngine(const InstallEngine&) = delete;
    InstallEngine& operator=(const InstallEngine&) = delete;

    // Sets up the download tasks and starts the worker thread.
    void StartInstall();
    // Blocks until the worker has ended.
    void Wait();

    // Packages that could not be downloaded, archives that could not be opened or of which
    // an entry could not be extracted, and setup programs that could not be started.
    std::vector<std::wstring> FailedFiles() const;
    // The paths of the packages this run downloaded: the only ones it may delete. A
    // package that was there before stays.
    std::vector<std::wstring> DownloadedPackages() const;

    // One progress tick over the download tasks (every 150 ms while the front-end shows
    // the run): the packages that changed are reported, the totals updated in place.
    void TickProgress(ProgressTotals& totals);
    // One step of the activity shown while an archive unpacks (every 333 ms).
    void AnimateLog();
    // A line from outside the run that belongs in its log.
    void Log(const std::wstring& line);

    const RunJournal& Journal() const { return journal_; }

    // How long the worker pauses after the setup programs (tests shorten it).
    unsigned settleMilliseconds = 2000;

  private:
    void RefuseUnconfinedEntries();
    void InstallThreadProc();
    void VerifyPresentPackages();
    void DownloadAll();
    void AddMirrors(CDownloadTask& task, const PackageEntry& entry);
    void AddFailed(const std::wstring& fileName);

    CInstallContext& context_;
    CDownloadManager& downloads_;
    RunJournal journal_;
    std::vector<std::wstring> packageNames_;  // of the journal's packages, set by StartInstall
    InstallPlan plan_;                        // confined by StartInstall before the worker starts
    const std::wstring versionCaption_;
    CProtectedFiles heldFiles_;
    std::thread worker_;
    mutable std::mutex failedLock_;  // guards failedFiles_ and downloaded_
    std::vector<std::wstring> failedFiles_;
    std::vector<std::wstring> downloaded_;
};
