// Entry point of installer / installer.exe.
#include "app/install_app.h"
#include "app/install_context.h"
#include "app/startup_params.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "ui/console_front_end.h"

int main() {
    platform::AttachParentConsole();
    const std::wstring commandTail = platform::GetCommandTail();
    {
        // The usage text needs no context, log or service.
        CInstallContext words({}, L"");
        ReadCommandLineParams(words, commandTail);
        if (ConsoleFrontEnd::WantsHelp(words)) {
            platform::WriteStdout(ConsoleFrontEnd::UsageText());
            return 0;
        }
    }
    ConsoleFrontEnd frontEnd;
    CInstallApp app(CInstallContext::Instance(), frontEnd);
    app.InitInstance(commandTail);
    return frontEnd.ExitCode();
}
