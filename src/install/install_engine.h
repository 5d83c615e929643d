#pragma once
// The download-and-install run: StartInstall turns the plan into download tasks with
// their mirrors (on the calling thread), then a worker thread downloads every task and
// runs the installation steps in their fixed order, ending on the finish page.
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/install_context.h"
#include "download/download_manager.h"
#include "install/download_page.h"
#include "install/install_plan.h"
#include "install/protected_files.h"
#include "install/setup_runner.h"

class InstallEngine {
  public:
    InstallEngine(CInstallContext& context, CDownloadManager& downloads, DownloadPage& page,
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

    // How long the worker pauses after the setup programs (tests shorten it).
    unsigned settleMilliseconds = 2000;
    SetupRunnerOptions setupOptions;

  private:
    void RefuseUnconfinedEntries();
    void InstallThreadProc();
    void VerifyPresentPackages();
    void DownloadAll();
    void AddMirrors(CDownloadTask& task, const PackageEntry& entry);
    void AddFailed(const std::wstring& fileName);

    CInstallContext& context_;
    CDownloadManager& downloads_;
    DownloadPage& page_;
    InstallPlan plan_;  // confined by StartInstall before the worker starts
    const std::wstring versionCaption_;
    CProtectedFiles heldFiles_;
    std::thread worker_;
    mutable std::mutex failedLock_;  // guards failedFiles_ and downloaded_
    std::vector<std::wstring> failedFiles_;
    std::vector<std::wstring> downloaded_;
};
