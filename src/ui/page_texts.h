#pragma once
// The texts the wizard's pages and dialogs show, built from the install context, so that
// they can be checked without windows.
#include <string>

#include "app/install_context.h"

// "<font face='%s' size='%s' color='%s'>%s</font>" from the configuration's title values;
// page 1 passes its own face.
std::wstring TitleMarkup(CInstallContext& context, const std::wstring& face);
std::wstring TitleMarkup(CInstallContext& context);

// Page 1's version line: "%s/%s 当前版本号:%s".
std::wstring VersionLine(CInstallContext& context);

// The agreement file read line by line in the system's narrow code page, each line ended
// by "\r\n" (a file that ends with a line feed yields one more empty line). Lines longer
// than 1022 bytes are cut into pieces of at most that size, never inside a character.
// Empty when the file cannot be opened.
std::wstring ReadAgreementText(const std::wstring& path);

// The wait dialog's message; with elapsed seconds once the first second has passed.
std::wstring WaitMessageMarkup();
std::wstring WaitMessageMarkup(int elapsedSeconds);

// The status line while a setup program runs and once it has finished.
std::wstring SetupStatusText(const std::wstring& fileName, bool finished);
