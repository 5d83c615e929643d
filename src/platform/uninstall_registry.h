#pragma once
// The entry in the system's list of installed programs. Windows keeps it in the registry
// below HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall; Linux has no such list
// and keeps one INI file per entry, $XDG_DATA_HOME/installer/uninstall/<name>.ini
// ($XDG_DATA_HOME defaults to ~/.local/share), section [Uninstall], same value names.
#include <string>

namespace platform {

// The six text values of an entry.
struct UninstallEntry {
    std::wstring displayName;
    std::wstring installDate;
    std::wstring publisher;
    std::wstring installLocation;
    std::wstring uninstallString;
    std::wstring quietUninstallString;
};

// Creates or opens the entry `keyName` (kept across restarts) and stores the six
// values. False when the entry could not be created or a value not stored.
bool WriteUninstallEntry(const std::wstring& keyName, const UninstallEntry& entry);

// Reads an entry back; false when it does not exist.
bool ReadUninstallEntry(const std::wstring& keyName, UninstallEntry& entry);

// Removes an entry; true when it is gone afterwards.
bool RemoveUninstallEntry(const std::wstring& keyName);

// Where the entry lives, for messages and documentation: the registry key path on
// Windows, the file path on Linux.
std::wstring UninstallEntryLocation(const std::wstring& keyName);

}  // namespace platform
