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

    // Packages that could not be downloaded or whose archive could not be opened.
    std::vector<std::wstring> FailedFiles() const;

    // How long the worker pauses after the setup programs (tests shorten it).
    unsigned settleMilliseconds = 2000;
    SetupRunnerOptions setupOptions;

  private:
    void InstallThreadProc();
    void DownloadAll();
    void AddMirrors(CDownloadTask& task, const PackageEntry& entry);
    void AddFailed(const std::wstring& fileName);

    CInstallContext& context_;
    CDownloadManager& downloads_;
    DownloadPage& page_;
    const InstallPlan plan_;
    const std::wstring versionCaption_;
    CProtectedFiles heldFiles_;
    std::thread worker_;
    mutable std::mutex failedLock_;
    std::vector<std::wstring> failedFiles_;
};
