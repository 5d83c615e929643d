#include "ui/console_front_end.h"

#include "app/install_context.h"
#include "platform/console.h"

// The initialization sequence and the install flow are not wired in yet: start-up
// ends after reading its parameters, as after a cancelled initialization.
bool ConsoleFrontEnd::RunInitialization(CInstallContext& context) {
    platform::WriteStdout(L"comname=" + context.GetParam(L"comname") + L" appid=" +
                          context.GetParam(L"appid") + L"\n");
    exitCode_ = 1;
    return false;
}

void ConsoleFrontEnd::RunWizard(CInstallContext&) {}

void ConsoleFrontEnd::ShowMessage(CInstallContext&, const std::wstring& text) {
    platform::WriteStderr(text + L"\n");
}
