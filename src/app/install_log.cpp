#include "app/install_log.h"

#include <algorithm>
#include <mutex>

#include "app/path_ops.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace install_log {

std::wstring DefaultPath() {
    std::wstring dir = platform::GetTempDirectory();
    while (!dir.empty() && IsPathSeparator(dir.back()))
        dir.pop_back();
    return dir + kPathSeparator + L"Install.log";
}
namespace {

std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}

std::string ToFileBytes(std::wstring_view text) {
    const std::string utf8 = text::WideToUtf8(MaskPasswords(text));
    std::string bytes;
    bytes.reserve(utf8.size() + 8);
    for (const char c : utf8) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}

void Append(const std::wstring& path, const std::string& bytes) {
    std::lock_guard<std::mutex> guard(LogLock());
    platform::File file;
    // The log has a fixed name in a shared directory: a link planted there must not make
    // an installer running as root write another file.
    if (!file.Open(path, platform::File::Mode::AppendRegular))
        return;
    std::string out;
    if (file.Size() == 0)
        out = "\xEF\xBB\xBF";
    out += bytes;
    file.Write(out.data(), out.size());
}

}  // namespace

void Truncate(const std::wstring& path) {
    std::lock_guard<std::mutex> guard(LogLock());
    platform::File file;
    file.Open(path, platform::File::Mode::WriteRegular);
}

void AppendLine(const std::wstring& path, std::wstring_view message) {
    std::wstring line = text::SystemToWide(platform::LocalTimestamp());
    line += L'\t';
    line += message;
    line += L'\n';
    Append(path, ToFileBytes(line));
}

void AppendText(const std::wstring& path, std::wstring_view text) {
    Append(path, ToFileBytes(text));
}

namespace {

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool MatchesNoCase(std::wstring_view text, size_t at, std::wstring_view lowerKey) {
    if (text.size() - at < lowerKey.size())
        return false;
    for (size_t i = 0; i < lowerKey.size(); ++i)
        if (Lower(text[at + i]) != lowerKey[i])
            return false;
    return true;
}

// Characters a URL can hold unescaped; "&" ends a parameter. Anything else (a blank, a
// line end, the full-width comma the log lines put after a URL) ends the URL.
bool InUrlParameter(wchar_t c) {
    return c > L' ' && c < 0x7F && c != L'&';
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The end of the secret value after a key that ends at `at`, or `at` when none follows:
// "=" and a URL parameter, or a closing quote, ":" and a quoted value.
size_t SecretValueEnd(std::wstring_view text, size_t at, size_t& valueBegin) {
    valueBegin = at;
    if (at < text.size() && text[at] == L'=') {
        size_t end = valueBegin = at + 1;
        while (end < text.size() && InUrlParameter(text[end]))
            ++end;
        return end;
    }
    if (at >= text.size() || (text[at] != L'\'' && text[at] != L'"'))
        return at;
    size_t i = at + 1;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i >= text.size() || text[i] != L':')
        return at;
    ++i;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i >= text.size() || (text[i] != L'\'' && text[i] != L'"'))
        return at;
    const wchar_t quote = text[i];
    size_t end = valueBegin = i + 1;
    while (end < text.size() && text[end] != quote)
        end += text[end] == L'\\' ? 2 : 1;
    return std::min(end, text.size());
}

}  // namespace

std::wstring MaskPasswords(std::wstring_view text) {
    static constexpr std::wstring_view kKeys[] = {L"password", L"rarpass"};
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t keyLength = 0;
        for (const std::wstring_view key : kKeys)
            if (MatchesNoCase(text, i, key))
                keyLength = key.size();
        if (keyLength == 0) {
            out += text[i++];
            continue;
        }
        size_t valueBegin = 0;
        const size_t end = SecretValueEnd(text, i + keyLength, valueBegin);
        if (end <= valueBegin) {
            out += text[i++];
            continue;
        }
        out.append(text.substr(i, valueBegin - i));
        out += L"***";
        i = end;
    }
    return out;
}

}  // namespace install_log
