#include "platform/uninstall_registry.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct NamedValue {
    const wchar_t* name;
    std::wstring UninstallEntry::*member;
};

constexpr NamedValue kValues[] = {
    {L"DisplayName", &UninstallEntry::displayName},
    {L"InstallDate", &UninstallEntry::installDate},
    {L"Publisher", &UninstallEntry::publisher},
    {L"InstallLocation", &UninstallEntry::installLocation},
    {L"UninstallString", &UninstallEntry::uninstallString},
    {L"QuietUninstallString", &UninstallEntry::quietUninstallString},
};

class Key {
  public:
    Key() = default;
    ~Key() {
        if (handle_ != nullptr)
            RegCloseKey(handle_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* put() { return &handle_; }
    HKEY get() const { return handle_; }

  private:
    HKEY handle_ = nullptr;
};

bool ReadText(HKEY key, const wchar_t* name, std::wstring& value) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    value.assign(buffer.data());
    return true;
}

}  // namespace

bool WriteUninstallEntry(const std::wstring& keyName, const UninstallEntry& entry) {
    Key parent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, parent.put()) !=
        ERROR_SUCCESS)
        return false;
    // Non-volatile: the entry must still be there after the next restart.
    Key key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(parent.get(), keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.put(), &disposition) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& value : kValues) {
        const std::wstring& text = entry.*value.member;
        const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        ok = RegSetValueExW(key.get(), value.name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS &&
             ok;
    }
    return ok;
}

bool ReadUninstallEntry(const std::wstring& keyName, UninstallEntry& entry) {
    const std::wstring path = std::wstring(kUninstallKey) + L"\\" + keyName;
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    UninstallEntry read;
    for (const auto& value : kValues)
        ReadText(key.get(), value.name, read.*value.member);
    entry = read;
    return true;
}

bool RemoveUninstallEntry(const std::wstring& keyName) {
    const std::wstring path = std::wstring(kUninstallKey) + L"\\" + keyName;
    const LSTATUS status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::wstring UninstallEntryLocation(const std::wstring& keyName) {
    return L"HKEY_LOCAL_MACHINE\\" + std::wstring(kUninstallKey) + L"\\" + keyName;
}

}  // namespace platform
