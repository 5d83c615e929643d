#pragma once
// Page 2: the install and download directories, their folder choosers and the checks of
// Next.
#include "ui/win32/wizard_page.h"

class CPage2 : public CWizardPage {
  public:
    explicit CPage2(CInstallContext& context);

  protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    bool OnCommand(int id, int code) override;
    LRESULT OnWizardNext() override;
    bool OnQueryCancel() override { return ConfirmCancel(); }

  private:
    void ChooseFolder(int boxId);
};
