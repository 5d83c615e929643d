#pragma once
#include <string>

namespace platform {

// The command line without the installer's own name (the "command tail").
std::wstring GetCommandTail();

}  // namespace platform
