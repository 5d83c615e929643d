#pragma once
// Opens a link's address the way the user's system opens web pages.
#include <string>

namespace controls {

// The shell's "open" first; when that fails, the command registered for ".htm" files.
// False when neither could be started.
bool OpenAddress(const std::wstring& target);

}  // namespace controls
