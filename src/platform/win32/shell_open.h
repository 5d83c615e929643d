#pragma once
// Opening a document or address as the user's shell would, for the wizard's links.
// Windows only: portable logic never opens links.
#include <string>

namespace platform {

// The shell's "open" verb on `target`; false when the shell could not start anything.
bool ShellOpen(const std::wstring& target);
// The command line registered for opening ".htm" files (the default value of the
// ".htm" type's "shell\open\command"), as written there; false when there is none.
bool ReadHtmOpenCommand(std::wstring& command);
// Starts `commandLine` with its window shown and does not wait for it.
bool StartShownProcess(const std::wstring& commandLine);

}  // namespace platform
