#pragma once
// The front-end of an installer started as end users start it: the initialization dialog,
// then the wizard; messages in message boxes captioned with the application's name.
#include <memory>

#include "app/front_end.h"

class CMainSheet;

class WizardFrontEnd : public IStartupFrontEnd {
  public:
    WizardFrontEnd();
    ~WizardFrontEnd() override;

    bool RunInitialization(CInstallContext& context) override;
    void RunWizard(CInstallContext& context) override;
    void ShowMessage(CInstallContext& context, const std::wstring& text) override;

    // After a confirmed Cancel during the installation the worker is still running: the
    // process ends at once instead of waiting for it.
    void EndProcessIfAbandoned();

  private:
    bool abandoned_ = false;
    bool oleStarted_ = false;
};
