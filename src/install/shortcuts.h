#pragma once
// The application's shortcuts on the desktop and in the start menu, as the install
// service lists them ("createicon").
#include <string>

#include "app/install_context.h"

// Creates every shortcut of the "createicon" answer, records each link as "Link%d" in
// section InstallInfo of install.ini in UninstallPath, and appends one tip line per
// shortcut to `tipText`. Records of another type than "desktop" or "menu" are skipped
// and logged. Nothing happens when the request fails.
void CreateShortcuts(CInstallContext& context, std::wstring& tipText);

// Saves "<folder>\<linkFileName>" pointing at the target, with its working directory
// and icon (index 0). False when it was not saved; an empty folder is refused rather
// than writing to the root of the drive.
bool CreateShortcut(const std::wstring& folder, const std::wstring& iconPath,
                    const std::wstring& targetPath, const std::wstring& workingDirectory,
                    const std::wstring& linkFileName);
