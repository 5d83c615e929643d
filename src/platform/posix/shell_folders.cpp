// The XDG user directories stand in for the shell's special folders.
#include "platform/shell_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace platform {
namespace {

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return {};
}

std::string EnvironmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    // The XDG rules ignore relative values.
    return value != nullptr && value[0] == '/' ? std::string(value) : fallback;
}

// The value of `key` in user-dirs.dirs: KEY="$HOME/sub" or KEY="/absolute". Empty when
// the file or the key is missing or the value has another form.
std::string UserDirectory(const std::string& home, const std::string& key) {
    const std::string configHome = EnvironmentOr("XDG_CONFIG_HOME", home + "/.config");
    std::ifstream in(configHome + "/user-dirs.dirs");
    std::string line, found;
    while (std::getline(in, line)) {
        size_t pos = line.find_first_not_of(" \t");
        if (pos == std::string::npos || line[pos] == '#')
            continue;
        if (line.compare(pos, key.size(), key) != 0)
            continue;
        pos = line.find_first_not_of(" \t", pos + key.size());
        if (pos == std::string::npos || line[pos] != '=')
            continue;
        pos = line.find_first_not_of(" \t", pos + 1);
        if (pos == std::string::npos || line[pos] != '"')
            continue;
        const size_t close = line.find('"', pos + 1);
        if (close == std::string::npos)
            continue;
        const std::string value = line.substr(pos + 1, close - pos - 1);
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/'))
            found = home + value.substr(5);
        else if (!value.empty() && value[0] == '/')
            found = value;
        // A later line of the same key wins, as the shell that sources the file sees it.
    }
    while (found.size() > 1 && found.back() == '/')
        found.pop_back();
    return found;
}

bool MakeDirectories(const std::string& path) {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (!partial.empty() && !CreateDirectoryLevel(text::SystemToWide(partial)))
            return false;
    }
    return true;
}

}  // namespace

bool GetSpecialFolderPath(SpecialFolder folder, std::wstring& path, bool create) {
    path.clear();
    const std::string home = HomeDirectory();
    if (home.empty())
        return false;
    std::string result;
    switch (folder) {
        case SpecialFolder::Documents:
            result = UserDirectory(home, "XDG_DOCUMENTS_DIR");
            if (result.empty())
                result = home + "/Documents";
            break;
        case SpecialFolder::Desktop:
            result = UserDirectory(home, "XDG_DESKTOP_DIR");
            if (result.empty())
                result = home + "/Desktop";
            break;
        case SpecialFolder::StartMenuPrograms:
            result = EnvironmentOr("XDG_DATA_HOME", home + "/.local/share") + "/applications";
            break;
        case SpecialFolder::ProgramFiles:
            result = geteuid() == 0 ? "/opt" : home + "/.local/opt";
            break;
        default:
            return false;
    }
    if (!IsDirectory(text::SystemToWide(result)) && (!create || !MakeDirectories(result)))
        return false;
    path = text::SystemToWide(result);
    return true;
}

}  // namespace platform
