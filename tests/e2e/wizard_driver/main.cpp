// wizard_driver.exe: clicks through installer.exe as a person would, for the end-to-end
// tests. It reads one command per line on standard input and answers each with one line
// (see driver_commands.cpp for the commands and tests/e2e/wizard_driver.py for the side
// that sends them).
#include "wizard_driver/command_line_protocol.h"
#include "wizard_driver/driver_commands.h"

int main() {
    wizard_driver::DriverCommands commands;
    std::vector<std::wstring> request;
    while (wizard_driver::ReadRequest(request)) {
        if (request.size() == 1 && request[0] == L"quit") {
            break;
        }
        wizard_driver::WriteAnswer(commands.Run(request));
    }
    return 0;
}
