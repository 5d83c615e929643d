#pragma once
// Text output of the console front-end.
#include <string_view>

namespace platform {

// Windows GUI programs have no console of their own: join the one they were started
// from, if any, so that output reaches it.
void AttachParentConsole();
void WriteStdout(std::wstring_view text);
void WriteStderr(std::wstring_view text);
bool StdoutIsTerminal();

}  // namespace platform
