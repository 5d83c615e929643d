#include "download/resume_record.h"

#include <algorithm>
#include <cstdlib>

#include "download/url_credentials.h"

namespace {

constexpr std::string_view kMagic = "installer-resume 1";
constexpr char kHex[] = "0123456789abcdef";

// FNV-1a: enough to tell a torn or edited record from a whole one.
uint64_t Checksum(std::string_view text) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string Hex64(uint64_t value) {
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        out[static_cast<size_t>(i)] = kHex[value & 0xF];
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Fields are single-line texts; a value with a line break cannot be saved.
bool Savable(std::string_view value) {
    return value.find('\n') == std::string_view::npos && value.find('\r') == std::string_view::npos;
}

bool ReadDecimal(std::string_view text, int64_t& value) {
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::strtoll(std::string(text).c_str(), nullptr, 10);
    return true;
}

// Splits off the next line (without its "\n"); false when no complete line is left.
bool NextLine(std::string_view& rest, std::string_view& line) {
    const size_t end = rest.find('\n');
    if (end == std::string_view::npos)
        return false;
    line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return true;
}

bool TakeField(std::string_view line, std::string_view key, std::string_view& value) {
    if (line.size() < key.size() + 1 || line.substr(0, key.size()) != key ||
        line[key.size()] != ' ')
        return false;
    value = line.substr(key.size() + 1);
    return true;
}

}  // namespace

int64_t ResumeRecord::DoneBytes(int64_t blockSize) const {
    int64_t bytes = 0;
    const int64_t count = static_cast<int64_t>(done.size());
    for (int64_t i = 0; i < count; ++i)
        if (done[static_cast<size_t>(i)])
            bytes += std::min(blockSize, size - i * blockSize);
    return bytes;
}

std::string FormatResumeRecord(const ResumeRecord& record) {
    std::string text(kMagic);
    text += "\nname " + record.name;
    text += "\nsize " + std::to_string(record.size);
    text += "\nsha256 " + record.sha256;
    for (const auto& [mirror, validator] : record.validators)
        if (Savable(mirror) && Savable(validator) && mirror.find(' ') == std::string::npos)
            text += "\nmirror " + mirror + " " + validator;
    text += "\nblocks " + std::to_string(record.done.size()) + " ";
    for (size_t i = 0; i < record.done.size(); i += 4) {
        int nibble = 0;
        for (size_t bit = 0; bit < 4 && i + bit < record.done.size(); ++bit)
            if (record.done[i + bit])
                nibble |= 8 >> bit;
        text += kHex[nibble];
    }
    text += "\n";
    text += "check " + Hex64(Checksum(text)) + "\n";
    return text;
}

bool ParseResumeRecord(std::string_view text, int64_t blockSize, ResumeRecord& record) {
    const size_t checkAt = text.rfind("check ");
    if (checkAt == std::string_view::npos || (checkAt > 0 && text[checkAt - 1] != '\n') ||
        text.substr(checkAt) != "check " + Hex64(Checksum(text.substr(0, checkAt))) + "\n")
        return false;
    std::string_view rest = text.substr(0, checkAt);
    std::string_view line;
    std::string_view value;
    ResumeRecord parsed;
    if (!NextLine(rest, line) || line != kMagic)
        return false;
    if (!NextLine(rest, line) || !TakeField(line, "name", value) || value.empty())
        return false;
    parsed.name = std::string(value);
    if (!NextLine(rest, line) || !TakeField(line, "size", value) ||
        !ReadDecimal(value, parsed.size) || parsed.size <= 0)
        return false;
    if (!NextLine(rest, line) || line.substr(0, 6) != "sha256")
        return false;
    parsed.sha256 = line.size() > 7 ? std::string(line.substr(7)) : std::string();
    while (NextLine(rest, line) && TakeField(line, "mirror", value)) {
        const size_t blank = value.find(' ');
        if (blank == std::string_view::npos)
            return false;
        parsed.validators.emplace_back(std::string(value.substr(0, blank)),
                                       std::string(value.substr(blank + 1)));
    }
    // The loop stopped at the bitmap line, which must be the last.
    int64_t count = 0;
    if (!TakeField(line, "blocks", value) || !rest.empty())
        return false;
    const size_t blank = value.find(' ');
    if (blank == std::string_view::npos || !ReadDecimal(value.substr(0, blank), count) ||
        count != (parsed.size + blockSize - 1) / blockSize)
        return false;
    const std::string_view bits = value.substr(blank + 1);
    if (static_cast<int64_t>(bits.size()) != (count + 3) / 4)
        return false;
    parsed.done.assign(static_cast<size_t>(count), false);
    for (size_t i = 0; i < bits.size(); ++i) {
        const int nibble = HexDigit(bits[i]);
        if (nibble < 0)
            return false;
        for (size_t bit = 0; bit < 4; ++bit) {
            const size_t index = i * 4 + bit;
            const bool set = (nibble & (8 >> bit)) != 0;
            if (index < parsed.done.size())
                parsed.done[index] = set;
            else if (set)
                return false;
        }
    }
    record = std::move(parsed);
    return true;
}

std::wstring ResumeMismatch(const ResumeRecord& saved, const ResumeRecord& current) {
    if (saved.name != current.name)
        return L"记录属于其他文件";
    if (saved.size != current.size)
        return L"文件大小已改变";
    if (saved.sha256 != current.sha256)
        return L"校验值已改变";
    if (!current.sha256.empty())
        return {};
    if (current.validators.empty())
        return L"没有校验值，也没有服务器的文件标识";
    for (const auto& [mirror, validator] : current.validators) {
        if (validator.empty())
            return L"没有校验值，也没有服务器的文件标识";
        const auto same = std::find(saved.validators.begin(), saved.validators.end(),
                                    std::make_pair(mirror, validator));
        if (same == saved.validators.end())
            return L"服务器上的文件已改变";
    }
    return {};
}

std::string MirrorKey(const std::string& url) {
    std::string bare = SplitUrlCredentials(url).url;
    const size_t query = bare.find_first_of("?#");
    if (query != std::string::npos)
        bare.erase(query);
    return bare;
}
