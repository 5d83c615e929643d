#include "platform/posix/ini_text.h"

namespace platform::ini {

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return false;
    const size_t close = line.find(']');
    name = Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
    return true;
}

bool KeyAndValue(std::string_view line, std::string_view& key, std::string_view& value) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return true;
}

// [begin, end) of the lines after the header of the first matching section; false when
// the section is missing.
bool SectionRange(const Document& document, std::string_view section, size_t& begin, size_t& end) {
    const size_t count = document.lines.size();
    for (size_t i = 0; i < count; ++i) {
        std::string_view name;
        if (!SectionName(document.lines[i].text, name) || !EqualNoCase(name, section))
            continue;
        begin = i + 1;
        end = begin;
        std::string_view ignored;
        while (end < count && !SectionName(document.lines[end].text, ignored))
            ++end;
        return true;
    }
    return false;
}

}  // namespace

Document Parse(std::string_view content) {
    Document document;
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        document.bom = "\xEF\xBB\xBF";
        content.remove_prefix(3);
    }
    const size_t firstLf = content.find('\n');
    if (firstLf != std::string_view::npos && (firstLf == 0 || content[firstLf - 1] != '\r'))
        document.newLine = "\n";
    while (!content.empty()) {
        Line line;
        const size_t lf = content.find('\n');
        if (lf == std::string_view::npos) {
            // A carriage return that ends the file ends its last line, as it would before a
            // line feed: otherwise the line would change its meaning once a line is added
            // after it (an unclosed "[Item1\r" header would turn from "Item1\r" to "Item1").
            const bool cr = content.back() == '\r';
            line.text = content.substr(0, content.size() - (cr ? 1 : 0));
            line.end = cr ? "\r" : "";
            content = {};
        } else {
            const bool crlf = lf > 0 && content[lf - 1] == '\r';
            line.text = content.substr(0, crlf ? lf - 1 : lf);
            line.end = crlf ? "\r\n" : "\n";
            content.remove_prefix(lf + 1);
        }
        document.lines.push_back(std::move(line));
    }
    return document;
}

std::string Serialize(const Document& document) {
    std::string out = document.bom;
    for (const auto& line : document.lines)
        out += line.text + line.end;
    return out;
}

bool Find(const Document& document, std::string_view section, std::string_view key,
          std::string& value, bool unquote) {
    size_t begin = 0;
    size_t end = 0;
    if (!SectionRange(document, section, begin, end))
        return false;
    for (size_t i = begin; i < end; ++i) {
        std::string_view name;
        std::string_view text;
        if (!KeyAndValue(document.lines[i].text, name, text) || !EqualNoCase(name, key))
            continue;
        if (unquote && text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
            text.back() == text.front())
            text = text.substr(1, text.size() - 2);
        value = text;
        return true;
    }
    return false;
}

void Set(Document& document, std::string_view section, std::string_view key,
         std::string_view value) {
    const std::string newLine = document.newLine;
    const std::string entry = std::string(key) + "=" + SingleLine(value);
    auto insertAt = [&](size_t position, std::string text) {
        Line* previous = position > 0 ? &document.lines[position - 1] : nullptr;
        if (previous != nullptr && (previous->end.empty() || previous->end == "\r")) {
            // A line whose own text ends in a CR keeps it: followed by a lone LF, that CR
            // would become part of its line end and the line would change its meaning.
            const bool ownCr = !previous->text.empty() && previous->text.back() == '\r';
            previous->end = ownCr ? "\r\n" : newLine;
        }
        document.lines.insert(document.lines.begin() + static_cast<std::ptrdiff_t>(position),
                              Line{std::move(text), newLine});
    };

    size_t begin = 0;
    size_t end = 0;
    if (!SectionRange(document, section, begin, end)) {
        const size_t at = document.lines.size();
        insertAt(at, "[" + std::string(section) + "]");
        insertAt(at + 1, entry);
        return;
    }
    size_t lastFilled = begin;  // insert after the section's last non-blank line
    for (size_t i = begin; i < end; ++i) {
        std::string_view name;
        std::string_view text;
        if (KeyAndValue(document.lines[i].text, name, text) && EqualNoCase(name, key)) {
            // The key keeps its own spelling; only the value changes.
            document.lines[i].text = std::string(name) + "=" + SingleLine(value);
            return;
        }
        if (!Trim(document.lines[i].text).empty())
            lastFilled = i + 1;
    }
    insertAt(lastFilled, entry);
}

std::string SingleLine(std::string_view value) {
    std::string out(value);
    for (auto& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

}  // namespace platform::ini
