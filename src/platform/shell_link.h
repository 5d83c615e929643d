#pragma once
// Shortcuts to installed programs. Windows saves shell links (.lnk) through IShellLinkW
// and IPersistFile; Linux writes a freedesktop desktop entry (Type=Application, Name,
// Exec, Path, Icon) under the same file name.
#include <string>

namespace platform {

struct ShellLinkProperties {
    std::wstring target;
    std::wstring workingDirectory;
    std::wstring iconPath;
    int iconIndex = 0;
};

// Keeps the component library initialised for the calling thread while it lives
// (nothing to do on Linux). Links are saved and read inside such a scope.
class ShellLinkScope {
  public:
    ShellLinkScope();
    ~ShellLinkScope();
    ShellLinkScope(const ShellLinkScope&) = delete;
    ShellLinkScope& operator=(const ShellLinkScope&) = delete;

  private:
    [[maybe_unused]] bool initialised_ = false;  // used by the Windows build only
};

// Saves a link at `linkPath` to the target with its working directory and icon, shown
// normally. True when it was saved.
bool SaveShellLink(const std::wstring& linkPath, const ShellLinkProperties& properties);

// Reads a saved link back; false when it cannot be loaded.
bool ReadShellLink(const std::wstring& linkPath, ShellLinkProperties& properties);

}  // namespace platform
