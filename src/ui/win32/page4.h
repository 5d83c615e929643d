#pragma once
// Page 4: shortcuts, the "setupok" report and config\Name.ini when it opens; on Finish the
// downloaded packages are deleted when its box is checked.
#include "ui/win32/wizard_page.h"

class CPage3;

class CPage4 : public CWizardPage {
  public:
    CPage4(CInstallContext& context, const CPage3& downloadPage);

  protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardFinish() override;
    // The installation is over: the wizard closes without asking.
    bool OnQueryCancel() override { return true; }

  private:
    const CPage3& downloadPage_;
};
