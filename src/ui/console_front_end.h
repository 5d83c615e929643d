#pragma once
// The unattended front-end: runs the installer without windows and prints what it does.
#include "app/front_end.h"

class ConsoleFrontEnd : public IStartupFrontEnd {
  public:
    bool RunInitialization(CInstallContext& context) override;
    void RunWizard(CInstallContext& context) override;
    void ShowMessage(CInstallContext& context, const std::wstring& text) override;

    int ExitCode() const { return exitCode_; }

  private:
    int exitCode_ = 0;
};
