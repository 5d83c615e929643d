#include "platform/directory.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_codec.h"

namespace platform {

bool ListDirectory(const std::wstring& dir, const std::wstring& pattern,
                   std::vector<DirectoryEntry>& entries) {
    const std::string narrowDir = text::WideToSystem(dir);
    const std::string narrowPattern = text::WideToSystem(pattern);
    DIR* handle = opendir(narrowDir.c_str());
    if (handle == nullptr)
        return false;
    while (const dirent* item = readdir(handle)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        if (fnmatch(narrowPattern.c_str(), name.c_str(), 0) != 0)
            continue;
        struct stat st;
        const std::string full = narrowDir + "/" + name;
        DirectoryEntry entry;
        entry.name = text::SystemToWide(name);
        if (lstat(full.c_str(), &st) == 0) {
            entry.isSymlink = S_ISLNK(st.st_mode);
            entry.isDirectory = S_ISDIR(st.st_mode);
        }
        entries.push_back(std::move(entry));
    }
    closedir(handle);
    return true;
}

bool RemoveDirectoryTree(const std::wstring& path) {
    std::vector<DirectoryEntry> entries;
    ListDirectory(path, L"*", entries);
    bool ok = true;
    for (const auto& entry : entries) {
        const std::wstring full = path + L"/" + entry.name;
        if (entry.isDirectory && !entry.isSymlink)
            ok = RemoveDirectoryTree(full) && ok;
        else
            ok = unlink(text::WideToSystem(full).c_str()) == 0 && ok;
    }
    return rmdir(text::WideToSystem(path).c_str()) == 0 && ok;
}

}  // namespace platform
