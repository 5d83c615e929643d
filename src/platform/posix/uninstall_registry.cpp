#include "platform/uninstall_registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/posix/ini_text.h"
#include "platform/text_codec.h"

namespace platform {

namespace {

constexpr const char kSection[] = "Uninstall";

struct NamedValue {
    const char* name;
    std::wstring UninstallEntry::*member;
};

constexpr NamedValue kValues[] = {
    {"DisplayName", &UninstallEntry::displayName},
    {"InstallDate", &UninstallEntry::installDate},
    {"Publisher", &UninstallEntry::publisher},
    {"InstallLocation", &UninstallEntry::installLocation},
    {"UninstallString", &UninstallEntry::uninstallString},
    {"QuietUninstallString", &UninstallEntry::quietUninstallString},
};

// $XDG_DATA_HOME when it is an absolute path, otherwise ~/.local/share.
std::string DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    return std::string(home) + "/.local/share";
}

std::string EntryDirectory() {
    const std::string home = DataHome();
    return home.empty() ? std::string() : home + "/installer/uninstall";
}

// The name comes from the install service: a "/" would lead out of the directory.
std::string EntryFile(const std::wstring& keyName) {
    const std::string dir = EntryDirectory();
    if (dir.empty())
        return {};
    std::string name = text::WideToSystem(keyName);
    for (auto& c : name)
        if (c == '/' || c == '\0')
            c = '_';
    return dir + "/" + name + ".ini";
}

bool MakeDirectories(const std::string& dir) {
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string level = dir.substr(0, slash);
        struct stat st;
        if (mkdir(level.c_str(), 0755) != 0 &&
            !(errno == EEXIST && stat(level.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

}  // namespace

bool WriteUninstallEntry(const std::wstring& keyName, const UninstallEntry& entry) {
    const std::string file = EntryFile(keyName);
    if (file.empty() || !MakeDirectories(EntryDirectory()))
        return false;
    ini::Document document;
    document.newLine = "\n";
    for (const auto& value : kValues)
        ini::Set(document, kSection, value.name, text::WideToSystem(entry.*value.member));
    const std::wstring path = text::SystemToWide(file);
    const std::wstring temporary = path + L"." + std::to_wstring(getpid()) + L".tmp";
    if (!WriteWholeFile(temporary, ini::Serialize(document)) || !MoveFileOver(temporary, path)) {
        RemoveFile(temporary);
        return false;
    }
    return true;
}

bool ReadUninstallEntry(const std::wstring& keyName, UninstallEntry& entry) {
    const std::string file = EntryFile(keyName);
    std::string content;
    if (file.empty() || !ReadWholeFile(text::SystemToWide(file), content))
        return false;
    const ini::Document document = ini::Parse(content);
    UninstallEntry read;
    for (const auto& value : kValues) {
        std::string text;
        if (ini::Find(document, kSection, value.name, text, false))
            read.*value.member = text::SystemToWide(text);
    }
    entry = read;
    return true;
}

bool RemoveUninstallEntry(const std::wstring& keyName) {
    const std::string file = EntryFile(keyName);
    return !file.empty() && (unlink(file.c_str()) == 0 || errno == ENOENT);
}

std::wstring UninstallEntryLocation(const std::wstring& keyName) {
    return text::SystemToWide(EntryFile(keyName));
}

}  // namespace platform
