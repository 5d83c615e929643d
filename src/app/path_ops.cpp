#include "app/path_ops.h"

#include <string_view>

#include "platform/file_system.h"
#include "platform/module_info.h"

bool IsPathSeparator(wchar_t c) {
#ifdef _WIN32
    return c == L'\\' || c == L'/';
#else
    return c == L'/' || c == L'\\';
#endif
}

namespace {

// Which characters JoinPath trims: Windows keeps its historical rule of backslashes only.
bool IsJoinSeparator(wchar_t c) {
#ifdef _WIN32
    return c == L'\\';
#else
    return IsPathSeparator(c);
#endif
}

std::wstring Trim(const std::wstring& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsJoinSeparator(s[begin]))
        ++begin;
    while (end > begin && IsJoinSeparator(s[end - 1]))
        --end;
    std::wstring part = s.substr(begin, end - begin);
#ifndef _WIN32
    for (auto& c : part)
        if (c == L'\\')
            c = L'/';
#endif
    return part;
}

}  // namespace

namespace {

bool IsAnySeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "..", and names Windows would read as "..": dots with trailing dots or blanks.
bool IsParentLike(std::wstring_view part) {
    size_t dots = 0;
    for (wchar_t c : part) {
        if (c == L'.')
            ++dots;
        else if (c != L' ')
            return false;
    }
    return dots >= 2;
}

}  // namespace

bool IsConfinedServicePath(const std::wstring& value) {
    if (value.size() >= 2 && IsAnySeparator(value[0]) && IsAnySeparator(value[1]))
        return false;
    if (value.size() >= 2 && value[1] == L':')
        return false;
#ifdef _WIN32
    if (value.find(L':') != std::wstring::npos)
        return false;
#endif
    size_t start = 0;
    for (size_t i = 0; i <= value.size(); ++i) {
        if (i == value.size() || IsAnySeparator(value[i])) {
            if (IsParentLike(std::wstring_view(value).substr(start, i - start)))
                return false;
            start = i + 1;
        }
    }
    return true;
}

std::wstring JoinPath(const std::wstring& dir, const std::wstring& file) {
    std::wstring joined;
#ifndef _WIN32
    if (!dir.empty() && IsPathSeparator(dir.front()))
        joined = L"/";
#endif
    joined += Trim(dir);
    joined += kPathSeparator;
    joined += Trim(file);
    return joined;
}

std::wstring GetFileNameOfPath(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find(L'.');
    if (dot == std::wstring::npos || dot == 0)
        return {};
    return name;
}

bool PathExists(const std::wstring& path) {
    return platform::PathExists(path);
}

bool EnsureDirectory(const std::wstring& path) {
    if (platform::PathExists(path))
        return true;
    size_t last = std::wstring::npos;
    for (size_t i = path.size(); i-- > 0;) {
        if (IsPathSeparator(path[i])) {
            last = i;
            break;
        }
    }
    if (last == std::wstring::npos)
        return false;
    bool ok = true;
    for (size_t i = 1; i <= last; ++i) {
        if (!IsPathSeparator(path[i]) || IsPathSeparator(path[i - 1]))
            continue;
        const std::wstring level = path.substr(0, i);
        // Drive roots such as "C:" are not directories to create.
        if (level.size() == 2 && level[1] == L':')
            continue;
        if (!platform::IsDirectory(level))
            ok = platform::CreateDirectoryLevel(level);
    }
    return ok && platform::IsDirectory(path.substr(0, last == 0 ? 1 : last));
}

std::wstring GetModulePath() {
    return platform::GetModuleFilePath();
}

std::wstring GetModuleDir() {
    const std::wstring path = GetModulePath();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}
