#pragma once
// Reading one header line of an HTTP answer as libcurl hands it over.
#include <cctype>
#include <string>
#include <string_view>

// Whether the line starts with `prefix` (given in lower case), in any case.
inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// The value after the first `nameLength` characters ("Name:"), without the blanks around
// it and the line break.
inline std::string TrimmedHeaderValue(std::string_view line, size_t nameLength) {
    std::string_view value = line.substr(nameLength);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ' ||
                              value.back() == '\t'))
        value.remove_suffix(1);
    return std::string(value);
}
