#include "app/installer_tag.h"

#include "platform/text_codec.h"

namespace {

bool IsNameCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'.' || c == L'_' || c == L'-';
}

}  // namespace

std::vector<StartupWord> SplitStartupWords(const std::wstring& text) {
    std::vector<StartupWord> words;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start) {
            const std::wstring word = text.substr(start, end - start);
            const size_t equals = word.find(L'=');
            if (equals == std::wstring::npos)
                words.emplace_back(L"", word);
            else
                words.emplace_back(word.substr(0, equals), word.substr(equals + 1));
        }
        start = end + 1;
    }
    return words;
}

bool ParseInstallerTag(const std::string& tag, std::vector<StartupWord>& words,
                       std::wstring& problem) {
    words.clear();
    if (tag.size() > kMaxInstallerTagBytes) {
        problem = L"longer than " + std::to_wstring(kMaxInstallerTagBytes) + L" bytes (" +
                  std::to_wstring(tag.size()) + L")";
        return false;
    }
    // Invalid sequences come back as U+FFFD, which does not read back as the same bytes.
    const std::wstring wide = text::Utf8ToWide(tag);
    if (text::WideToUtf8(wide) != tag) {
        problem = L"not UTF-8";
        return false;
    }
    std::vector<StartupWord> found = SplitStartupWords(wide);
    for (const auto& [key, value] : found) {
        if (key != L"comname" && key != L"appid" && key != L"--ver") {
            problem = L"names the key \"" + key + L"\"";
            return false;
        }
        // The values go into service queries, directory names and the log: only the
        // characters a catalog's names are made of, so that none can reach a line break
        // or a path separator.
        for (const wchar_t c : value)
            if (!IsNameCharacter(c)) {
                problem =
                    L"the value of " + key + L" holds a character other than A-Z a-z 0-9 . _ -";
                return false;
            }
    }
    words.swap(found);
    return true;
}
