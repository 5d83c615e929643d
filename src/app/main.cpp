// Entry point of installer / installer.exe.
#include "app/install_app.h"
#include "app/install_context.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "ui/console_front_end.h"

int main() {
    platform::AttachParentConsole();
    ConsoleFrontEnd frontEnd;
    CInstallApp app(CInstallContext::Instance(), frontEnd);
    app.InitInstance(platform::GetCommandTail());
    return frontEnd.ExitCode();
}
