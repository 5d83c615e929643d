#pragma once
// Where a run of text that does not fit the rest of a line is cut.
#include <algorithm>
#include <string_view>
#include <vector>

#include "controls/markup_text.h"

namespace controls {

inline constexpr std::wstring_view kBreakCharacters = L" -.,!:;)}]?";

inline int CountBlanks(std::wstring_view text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), IsBlank));
}

inline std::wstring_view TrimRight(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

inline std::wstring_view TrimLeft(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

// A run cut for the rest of a line: the piece that stays on it and the remainder.
struct RunCut {
    std::wstring_view piece;
    std::wstring_view remainder;
};

// Cuts a run that is wider than `available` after the last break character at which the
// piece still fits (blanks at the cut trimmed on both sides); with no such place, an empty
// line takes the characters that fit (at least one) and a started line none.
template <typename Width>
RunCut CutRun(std::wstring_view rest, int available, bool emptyLine, const Width& width) {
    // Only a prefix of a long run can be on this line: a window of it, doubled until it is
    // wider than the line, holds every place worth trying.
    size_t span = std::min<size_t>(rest.size(), 64);
    while (span < rest.size() && width(rest.substr(0, span)) <= available)
        span = std::min(rest.size(), span * 2);
    const std::wstring_view window = rest.substr(0, span);
    if (width(window) <= available)
        return {rest, {}};
    // The trimmed piece grows with the break's position: a binary search finds the last.
    std::vector<size_t> breaks;
    for (size_t i = 0; i < window.size(); ++i) {
        if (kBreakCharacters.find(window[i]) != std::wstring_view::npos)
            breaks.push_back(i);
    }
    size_t low = 0;
    size_t high = breaks.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (width(TrimRight(rest.substr(0, breaks[middle] + 1))) <= available)
            low = middle + 1;
        else
            high = middle;
    }
    if (low > 0) {
        const size_t at = breaks[low - 1] + 1;
        return {TrimRight(rest.substr(0, at)), TrimLeft(rest.substr(at))};
    }
    if (!emptyLine)
        return {{}, rest};
    size_t fit = 1;
    size_t most = window.size() - 1;
    while (fit < most) {
        const size_t middle = (fit + most + 1) / 2;
        if (width(rest.substr(0, middle)) <= available)
            fit = middle;
        else
            most = middle - 1;
    }
    if (fit < rest.size() && rest[fit - 1] >= 0xD800 && rest[fit - 1] < 0xDC00)
        ++fit;  // keep a surrogate pair whole
    return {rest.substr(0, fit), rest.substr(fit)};
}

}  // namespace controls
