#pragma once
// What the four pages share: the install context, the frame's cancel confirmation and
// the page's special controls.
#include "app/install_context.h"
#include "ui/win32/dialog_layer.h"
#include "ui/win32/page_controls.h"

// Wizard button values (Back 1, Next 2, Finish 4; 16 shows none of them).
inline constexpr int kWizardNext = 2;
inline constexpr int kWizardBackNext = 3;
inline constexpr int kWizardFinish = 4;
inline constexpr int kWizardNone = 16;

class CWizardPage : public win32::PropertyPage {
  public:
    CWizardPage(int templateId, CInstallContext& context)
        : PropertyPage(templateId), context_(context) {}

  protected:
    // "安装正在进行，是否退出安装？" with Yes and No; true for Yes.
    bool ConfirmCancel() const;
    int ShowMessage(const std::wstring& text) const;
    // Opens the install log with the shell, maximized.
    void OpenInstallLog() const;

    CInstallContext& context_;
    win32::PageControls controls_;
};
