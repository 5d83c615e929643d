#pragma once
// Registers the installation in the system's list of installed programs and writes the
// install record (install.ini) beside the uninstaller the application ships.
#include <string>

#include "install/install_step_context.h"

// The directory of unins000.exe: the install directory, or the target directory of the
// last plan entry named unins000.rar or unins000.zip (letters compared without case).
std::wstring UninstallDirectory(const std::wstring& setupDir, const InstallPlan& plan);

// "<dir>\install.ini": the install record in the uninstall directory.
std::wstring InstallRecordPath(const std::wstring& uninstallDir);

// install.ini in the system code page with CR LF line ends: [InstallInfo] with the
// "companyname" record's names and the item count, then one [Item%d] per plan entry.
std::string BuildInstallRecord(const ServiceRecord& company, const std::wstring& setupDir,
                               const InstallPlan& plan);

// Sets the parameter UninstallPath, asks "companyname" and, when it answers, writes the
// uninstall entry and install.ini. Failures are logged and never stop the installation.
void RegisterInstallation(InstallStepContext& step);
