#include "ui/win32/wizard_page.h"

#include <shellapi.h>

bool CWizardPage::ConfirmCancel() const {
    return win32::ShowAppMessage(window_, L"安装正在进行，是否退出安装？", MB_YESNO) == IDYES;
}

int CWizardPage::ShowMessage(const std::wstring& text) const {
    return win32::ShowAppMessage(window_, text, MB_OK);
}

void CWizardPage::OpenInstallLog() const {
    ShellExecuteW(window_, L"open", context_.logPath.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}
