#pragma once
// Page 1: welcome, the agreement and its box, the version and tool lines.
#include "ui/win32/dialog_keys.h"
#include "ui/win32/wizard_page.h"

class CPage1 : public CWizardPage {
  public:
    explicit CPage1(CInstallContext& context);

  protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    bool OnCommand(int id, int code) override;
    LRESULT OnWizardNext() override;
    bool OnQueryCancel() override { return ConfirmCancel(); }

  private:
    win32::DialogKeysBox agreementBox_;
};
