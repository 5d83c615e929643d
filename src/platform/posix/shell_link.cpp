#include "platform/shell_link.h"

#include <sys/stat.h>

#include <string_view>

#include "platform/file.h"
#include "platform/text_codec.h"

namespace platform {

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

// Escapes of a desktop-entry string value.
std::string EscapeValue(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == ' ' && i == 0)
            out += "\\s";
        else
            out += c;
    }
    return out;
}

std::string UnescapeValue(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 's':
                out += ' ';
                break;
            default:
                out += value[i];
        }
    }
    return out;
}

// The program as one quoted argument of Exec: blanks and reserved characters in the
// installed path must not split it or be expanded.
std::string QuoteExecArgument(std::string_view path) {
    std::string out = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        if (c == '%')
            out += '%';
        out += c;
    }
    return out + "\"";
}

std::string UnquoteExecArgument(std::string_view exec) {
    if (exec.size() < 2 || exec.front() != '"' || exec.back() != '"')
        return std::string(exec);
    std::string out;
    for (size_t i = 1; i + 1 < exec.size(); ++i) {
        if ((exec[i] == '\\' || exec[i] == '%') && i + 2 < exec.size())
            ++i;
        out += exec[i];
    }
    return out;
}

std::string DisplayName(const std::wstring& linkPath) {
    std::string name = text::WideToSystem(linkPath);
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

}  // namespace

ShellLinkScope::ShellLinkScope() = default;
ShellLinkScope::~ShellLinkScope() = default;

bool SaveShellLink(const std::wstring& linkPath, const ShellLinkProperties& properties) {
    std::string entry(kGroup);
    entry += "\nType=Application\nVersion=1.0\n";
    entry += "Name=" + EscapeValue(DisplayName(linkPath)) + "\n";
    entry += "Exec=" + EscapeValue(QuoteExecArgument(text::WideToSystem(properties.target))) + "\n";
    entry += "Path=" + EscapeValue(text::WideToSystem(properties.workingDirectory)) + "\n";
    entry += "Icon=" + EscapeValue(text::WideToSystem(properties.iconPath)) + "\n";
    entry += "Terminal=false\n";
    if (!WriteWholeFile(linkPath, entry))
        return false;
    // Desktops start only launchers that are marked executable.
    chmod(text::WideToSystem(linkPath).c_str(), 0755);
    return true;
}

bool ReadShellLink(const std::wstring& linkPath, ShellLinkProperties& properties) {
    std::string content;
    if (!ReadWholeFile(linkPath, content) || content.rfind(kGroup, 0) != 0)
        return false;
    ShellLinkProperties read;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        const std::string_view line(content.data() + start, end - start);
        start = end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals);
        const std::string value = UnescapeValue(line.substr(equals + 1));
        if (key == "Exec")
            read.target = text::SystemToWide(UnquoteExecArgument(value));
        else if (key == "Path")
            read.workingDirectory = text::SystemToWide(value);
        else if (key == "Icon")
            read.iconPath = text::SystemToWide(value);
    }
    properties = read;
    return true;
}

}  // namespace platform
