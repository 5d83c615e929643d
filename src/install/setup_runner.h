#pragma once
// Runs the setup programs of the plan: all are started hidden in the install directory,
// then waited for one after the other.
#include <string>
#include <vector>

#include "install/install_step_context.h"
#include "platform/process.h"

// One started setup program, in start order.
struct SetupProcessRecord {
    std::wstring fileName;  // the plan entry's "filename", shown in the status texts
    platform::Process process;
};

// Splits a command line into arguments the way Windows programs read theirs: blanks and
// tabs separate, double quotes group, 2n backslashes before a quote give n backslashes
// and a grouping quote, 2n+1 give n backslashes and a literal quote, "" inside a group
// gives a literal quote.
std::vector<std::wstring> SplitWindowsCommandLine(const std::wstring& commandLine);

// The quoted program path, a blank and the parameters as they are.
std::wstring BuildSetupCommandLine(const std::wstring& setupPath, const std::wstring& parameters);

// A program that cannot be started is logged and skipped; the others still run. The
// step Setup begins and ends around the wait for each program.
// Returns the "filename" of every program that could not be started.
std::vector<std::wstring> RunSetupPrograms(InstallStepContext& step);
