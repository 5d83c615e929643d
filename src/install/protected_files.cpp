#include "install/protected_files.h"

#include "app/path_ops.h"
#include "platform/directory.h"

CProtectedFiles::AddResult CProtectedFiles::Add(const std::wstring& path) {
    // Two patterns may name the same file; Windows would refuse the second exclusive
    // open anyway, Linux needs the check.
    if (IsHeld(path))
        return AddResult::NotHeld;
    if (holds_.size() >= kMaxHeldFiles)
        return AddResult::TooMany;
    auto hold = std::make_unique<platform::FileHold>();
    if (!hold->Hold(path))
        return AddResult::NotHeld;
    if (hold->Size() == 0)
        return AddResult::NotHeld;  // an empty file is nothing worth keeping
    const bool copied = hold->HasCopy();
    holds_.push_back(std::move(hold));
    return copied ? AddResult::Held : AddResult::HeldWithoutCopy;
}

bool CProtectedFiles::IsHeld(const std::wstring& path) const {
    for (const auto& hold : holds_)
        if (hold->Covers(path))
            return true;
    return false;
}

std::vector<std::wstring> CProtectedFiles::Paths() const {
    std::vector<std::wstring> paths;
    for (const auto& hold : holds_)
        paths.push_back(hold->Path());
    return paths;
}

std::vector<std::wstring> CProtectedFiles::ReleaseAll() {
    std::vector<std::wstring> failed;
    for (auto& hold : holds_) {
        const std::wstring path = hold->Path();
        if (!hold->Release())
            failed.push_back(path);
    }
    holds_.clear();
    return failed;
}

namespace {

// The directory and every directory below it, depth first, in listing order. Symbolic
// links are not followed, so a link cannot lead the search outside or round in circles.
void CollectDirectories(const std::wstring& dir, std::vector<std::wstring>& out) {
    out.push_back(dir);
    std::vector<platform::DirectoryEntry> entries;
    if (!platform::ListDirectory(dir, L"*", entries))
        return;
    for (const auto& entry : entries)
        if (entry.isDirectory && !entry.isSymlink)
            CollectDirectories(dir + kPathSeparator + entry.name, out);
}

// A pattern may name a sub-directory ("config\*.ini"): the listing then runs in that
// sub-directory and the match keeps it in its path.
void SplitPattern(const std::wstring& pattern, std::wstring& subdir, std::wstring& name) {
    size_t last = std::wstring::npos;
    for (size_t i = 0; i < pattern.size(); ++i)
        if (IsPathSeparator(pattern[i]))
            last = i;
    subdir.clear();
    name = pattern;
    if (last == std::wstring::npos)
        return;
    name = pattern.substr(last + 1);
    for (size_t i = 0; i < last; ++i) {
        const wchar_t c = pattern[i];
        if (IsPathSeparator(c)) {
            if (!subdir.empty() && subdir.back() != kPathSeparator)
                subdir += kPathSeparator;
        } else {
            subdir += c;
        }
    }
    while (!subdir.empty() && subdir.back() == kPathSeparator)
        subdir.pop_back();
}

}  // namespace

void ProtectExistingFiles(InstallStepContext& step, CProtectedFiles& held) {
    std::wstring root = step.context.GetParam(L"SetupFullPath");
    while (root.size() > 1 && IsPathSeparator(root.back()))
        root.pop_back();
    std::vector<std::wstring> directories;
    if (!root.empty())
        CollectDirectories(root, directories);

    ServiceRecordList patterns;
    std::wstring resultText;
    step.context.AppFilesNot(patterns, resultText);  // a failed answer leaves the list empty

    std::vector<std::wstring> candidates;
    for (const auto& record : patterns) {
        std::wstring subdir;
        std::wstring name;
        SplitPattern(FieldOf(record, L"filename"), subdir, name);
        if (name.empty())
            continue;
        for (const auto& dir : directories) {
            const std::wstring searchDir = subdir.empty() ? dir : dir + kPathSeparator + subdir;
            std::vector<platform::DirectoryEntry> matches;
            if (!platform::ListDirectory(searchDir, name, matches))
                continue;
            for (const auto& match : matches)
                if (!match.name.empty() && match.name.front() != L'.')
                    candidates.push_back(searchDir + kPathSeparator + match.name);
        }
    }

    held.ReleaseAll();
    size_t notHeld = 0;
    for (const auto& candidate : candidates) {
        const CProtectedFiles::AddResult result = held.Add(candidate);
        if (result == CProtectedFiles::AddResult::TooMany)
            ++notHeld;
        if (result != CProtectedFiles::AddResult::Held &&
            result != CProtectedFiles::AddResult::HeldWithoutCopy)
            continue;
        step.journal.Log(text::Format(L"检测到文件“%s”已存在，解压不覆盖", candidate));
        if (result == CProtectedFiles::AddResult::HeldWithoutCopy)
            step.context.Log(
                L"Protect\t%s is held without a copy: changes by setup programs "
                L"cannot be undone",
                candidate);
    }
    if (notHeld > 0)
        step.context.Log(L"Protect\t%d more files match the patterns; only the first %d are held",
                         static_cast<int64_t>(notHeld),
                         static_cast<int64_t>(CProtectedFiles::kMaxHeldFiles));
}

void ReleaseProtectedFiles(InstallStepContext& step, CProtectedFiles& held) {
    for (const auto& path : held.ReleaseAll())
        step.context.Log(L"Protect\t%s was changed meanwhile and could not be restored", path);
}
