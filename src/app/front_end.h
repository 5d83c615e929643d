#pragma once
// What start-up needs from whichever front-end runs the installer (the Win32 wizard,
// the console, a test): the initialization step, the wizard and a message to the user.
#include <string>

class CInstallContext;

class IStartupFrontEnd {
  public:
    virtual ~IStartupFrontEnd() = default;
    // Runs the initialization sequence with its display; true when it succeeded.
    virtual bool RunInitialization(CInstallContext& context) = 0;
    // Runs the installation wizard (or its unattended equivalent) to its end.
    virtual void RunWizard(CInstallContext& context) = 0;
    // Tells the user something and waits for acknowledgement where that applies.
    virtual void ShowMessage(CInstallContext& context, const std::wstring& text) = 0;
};
