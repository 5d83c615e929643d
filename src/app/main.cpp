// Entry point of installer / installer.exe.
#include "app/install_app.h"
#include "app/install_context.h"
#include "app/startup_params.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "ui/console_front_end.h"
#ifdef _WIN32
#include "ui/win32/wizard_front_end.h"
#endif

#ifdef _WIN32
#include <cstdlib>

// An exception nobody catches ends the process. The library's own handler would print the
// exception's type to a console that a windowed program does not have, and it brings the
// C++ name demangler (about 45 KB) into the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
#endif

int main() {
    platform::AttachParentConsole();
    const std::wstring commandTail = platform::GetCommandTail();
    [[maybe_unused]] bool console = true;
    {
        // The usage text needs no context, log or service.
        CInstallContext words({}, L"");
        ReadCommandLineParams(words, commandTail);
        if (ConsoleFrontEnd::WantsHelp(words)) {
            platform::WriteStdout(ConsoleFrontEnd::UsageText());
            return 0;
        }
#ifdef _WIN32
        // Windows shows the wizard unless the console is asked for.
        console = words.GetParam(L"ui") == L"console";
#endif
    }
#ifdef _WIN32
    if (!console) {
        WizardFrontEnd frontEnd;
        CInstallApp app(CInstallContext::Instance(), frontEnd);
        app.InitInstance(commandTail);
        frontEnd.EndProcessIfAbandoned();
        return 0;
    }
#endif
    ConsoleFrontEnd frontEnd;
    CInstallApp app(CInstallContext::Instance(), frontEnd);
    app.InitInstance(commandTail);
    return frontEnd.ExitCode();
}
