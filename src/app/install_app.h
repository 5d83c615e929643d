#pragma once
#include <string>

class CInstallContext;
class IStartupFrontEnd;

// The application object: start-up order from parameters to the wizard.
class CInstallApp {
  public:
    CInstallApp(CInstallContext& context, IStartupFrontEnd& frontEnd)
        : context_(context), frontEnd_(frontEnd) {}

    // Runs the whole installer; always false, so the process ends afterwards.
    bool InitInstance(const std::wstring& commandTail);

  private:
    CInstallContext& context_;
    IStartupFrontEnd& frontEnd_;
};
