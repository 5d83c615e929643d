#include "app/install_log.h"

#include <mutex>

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/text_codec.h"

namespace install_log {
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
    if (!file.Open(path, platform::File::Mode::Append))
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
    file.Open(path, platform::File::Mode::Write);
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

std::wstring MaskPasswords(std::wstring_view text) {
    static constexpr std::wstring_view kKey = L"password=";
    std::wstring out(text);
    size_t at = 0;
    while ((at = out.find(kKey, at)) != std::wstring::npos) {
        const size_t begin = at + kKey.size();
        size_t end = begin;
        while (end < out.size() && out[end] != L'&' && out[end] != L' ' && out[end] != L'\t' &&
               out[end] != L'\r' && out[end] != L'\n' && out[end] != L',' && out[end] != 0xFF0C)
            ++end;
        if (end > begin)
            out.replace(begin, end - begin, L"***");
        at = begin;
    }
    return out;
}

}  // namespace install_log
