#pragma once
// Folders of the user's shell. Windows asks the shell; Linux follows the XDG user
// directories (Documents, Desktop), $XDG_DATA_HOME/applications for the programs menu
// and /opt (root) or $HOME/.local/opt for installed programs.
#include <string>

namespace platform {

// Values are the Windows CSIDL numbers.
enum class SpecialFolder {
    Desktop = 0,
    StartMenuPrograms = 2,
    Documents = 5,
    ProgramFiles = 38,
};

// Creates the folder when it is missing and `create` is set; false and an empty path
// when it cannot be obtained.
bool GetSpecialFolderPath(SpecialFolder folder, std::wstring& path, bool create);

}  // namespace platform
