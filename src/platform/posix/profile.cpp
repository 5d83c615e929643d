#include "platform/profile.h"

#include <dirent.h>
#include <unistd.h>

#include <mutex>

#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/posix/ini_text.h"
#include "platform/text_codec.h"

namespace platform {

namespace {

// The Windows functions serialise access to profile files; so do we, within the process.
std::mutex& ProfileLock() {
    static std::mutex lock;
    return lock;
}

bool SameNameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Windows file names match without letter case, so an application's "config\name.ini"
// and the installer's "config\Name.ini" are one file there. Keep that: when the exact
// name is missing, an existing file whose name differs only in case is used.
std::string ResolveFile(const std::wstring& file) {
    std::string path = text::WideToSystem(file);
    if (access(path.c_str(), F_OK) == 0)
        return path;
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash ? slash : 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* handle = opendir(dir.c_str());
    if (handle == nullptr)
        return path;
    while (const dirent* item = readdir(handle)) {
        if (SameNameNoCase(item->d_name, name)) {
            path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                   item->d_name;
            break;
        }
    }
    closedir(handle);
    return path;
}

}  // namespace

std::wstring ReadProfileValue(const std::wstring& file, const std::wstring& section,
                              const std::wstring& key) {
    std::lock_guard<std::mutex> guard(ProfileLock());
    std::string content;
    if (!ReadWholeFile(text::SystemToWide(ResolveFile(file)), content))
        return {};
    std::string value;
    if (!ini::Find(ini::Parse(content), text::WideToSystem(section), text::WideToSystem(key), value,
                   true))
        return {};
    // The narrow function fills a buffer of 260 bytes; cut on a character boundary.
    constexpr size_t kMaxBytes = 259;
    if (value.size() > kMaxBytes) {
        size_t cut = kMaxBytes;
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
            --cut;
        value.resize(cut);
    }
    return text::SystemToWide(value);
}

bool WriteProfileValue(const std::wstring& file, const std::wstring& section,
                       const std::wstring& key, const std::wstring& value) {
    std::lock_guard<std::mutex> guard(ProfileLock());
    const std::wstring path = text::SystemToWide(ResolveFile(file));
    std::string content;
    if (PathExists(path) && !ReadWholeFile(path, content))
        return false;
    ini::Document document = ini::Parse(content);
    ini::Set(document, text::WideToSystem(section), text::WideToSystem(key),
             text::WideToSystem(value));
    // Written beside the file and moved over it, so a failed write never leaves half a file.
    const std::wstring temporary = path + L"." + std::to_wstring(getpid()) + L".tmp";
    if (!WriteWholeFile(temporary, ini::Serialize(document)) || !MoveFileOver(temporary, path)) {
        RemoveFile(temporary);
        return false;
    }
    return true;
}

}  // namespace platform
