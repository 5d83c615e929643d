#pragma once
// What happens when the installation has ended, shared by the wizard's finish page and
// the console front-end: shortcuts, the "setupok" report, config\Name.ini, and on
// finish the removal of the downloaded packages.
#include <string>
#include <vector>

#include "app/install_context.h"

// The texts the front-end shows.
struct FinishTexts {
    std::wstring body;  // "安装完成", or "安装未完成" when files are missing
    std::wstring tip;   // the missing files, the shortcuts, then "\n请双击打开"
};

// `failedFiles`: packages that could not be downloaded or installed (see
// InstallEngine::FailedFiles). When there are any, the installation is incomplete: they are listed
// in the tip text and "setupok" is not sent.
FinishTexts RunFinishSteps(CInstallContext& context, const std::vector<std::wstring>& failedFiles);

// Deletes the downloaded packages (InstallEngine::DownloadedPackages: never a file that
// was there before the run) when the user asked for it; files that cannot be deleted are left.
// Returns how many were deleted.
int DeleteDownloadedPackages(const std::vector<std::wstring>& packagePaths, bool deleteRequested);
