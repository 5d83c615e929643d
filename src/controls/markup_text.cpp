#include "controls/markup_text.h"

#include <cwctype>

namespace controls {

namespace {

struct Entity {
    std::wstring_view name;
    std::wstring_view replacement;
};

// Applied in this order: "&amp;" first, so "&amp;lt;" becomes "&lt;" and then "<<".
constexpr Entity kEntities[] = {
    {L"&amp;", L"&"},        {L"&bull;", L"\u2022"}, {L"&copy;", L"\u00A9"},
    {L"&euro;", L"\u20AC"},  {L"&gt;", L">"},        {L"&iquest;", L"\u00BF"},
    {L"&lt;", L"<<"},        {L"&nbsp;", L" "},      {L"&para;", L"\u00B6"},
    {L"&pound;", L"\u00A3"}, {L"&quot;", L"\""},     {L"&reg;", L"\u00AE"},
    {L"&trade;", L"\u2122"},
};

void ReplaceAll(std::wstring& text, std::wstring_view from, std::wstring_view to) {
    std::wstring result;
    size_t start = 0;
    for (size_t found; (found = text.find(from, start)) != std::wstring::npos;
         start = found + from.size()) {
        result.append(text, start, found - start);
        result.append(to);
    }
    if (start == 0)
        return;
    result.append(text, start);
    text = std::move(result);
}

bool IsNameCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'.';
}

// Position of the opening "<table" (not an escaped "<<table") at or after `from`.
size_t FindTableStart(std::wstring_view text, size_t from) {
    for (size_t i = text.find(L"<table", from); i != std::wstring_view::npos;
         i = text.find(L"<table", i + 1)) {
        if (i == 0 || text[i - 1] != L'<')
            return i;
    }
    return std::wstring_view::npos;
}

// End (one past the ">") of the table starting at `start`, counting nested tables.
size_t FindTableEnd(std::wstring_view text, size_t start) {
    int depth = 0;
    size_t i = start;
    while (i < text.size()) {
        const size_t open = FindTableStart(text, i);
        const size_t close = text.find(L"</table", i);
        if (close == std::wstring_view::npos)
            return text.size();
        if (open != std::wstring_view::npos && open < close) {
            ++depth;
            i = open + 1;
            continue;
        }
        if (--depth <= 0) {
            const size_t end = text.find(L'>', close);
            return end == std::wstring_view::npos ? text.size() : end + 1;
        }
        i = close + 1;
    }
    return text.size();
}

}  // namespace

bool IsBlank(wchar_t c) {
    return c == L' ';
}

std::wstring PreprocessMarkup(std::wstring_view text, bool newLineMode) {
    std::wstring result(text);
    for (const Entity& entity : kEntities)
        ReplaceAll(result, entity.name, entity.replacement);
    ReplaceAll(result, L"\r", L"");
    ReplaceAll(result, L"\n", newLineMode ? L"<br>" : L"");
    ReplaceAll(result, L"\t", newLineMode ? L"<t>" : L"");
    return result;
}

std::vector<MarkupBlock> SplitBlocks(std::wstring_view text) {
    std::vector<MarkupBlock> blocks;
    size_t position = 0;
    while (position < text.size()) {
        const size_t table = FindTableStart(text, position);
        if (table == std::wstring_view::npos) {
            blocks.push_back({false, text.substr(position)});
            break;
        }
        if (table > position)
            blocks.push_back({false, text.substr(position, table - position)});
        const size_t end = FindTableEnd(text, table);
        blocks.push_back({true, text.substr(table, end - table)});
        position = end;
    }
    return blocks;
}

std::vector<MarkupToken> Tokenize(std::wstring_view block) {
    std::vector<MarkupToken> tokens;
    auto appendText = [&tokens](std::wstring_view text) {
        if (text.empty())
            return;
        if (tokens.empty() || tokens.back().tag)
            tokens.push_back({});
        tokens.back().text.append(text);
    };
    size_t i = 0;
    while (i < block.size()) {
        const size_t less = block.find(L'<', i);
        if (less == std::wstring_view::npos) {
            appendText(block.substr(i));
            break;
        }
        appendText(block.substr(i, less - i));
        if (less + 1 == block.size() || block[less + 1] == L'<') {
            appendText(L"<");
            i = less + 2;
            continue;
        }
        const size_t greater = block.find(L'>', less + 1);
        if (greater == std::wstring_view::npos) {
            i = less + 1;  // a "<" that is never closed is dropped
            continue;
        }
        std::wstring_view content = block.substr(less + 1, greater - less - 1);
        i = greater + 1;
        MarkupToken token;
        token.tag = true;
        size_t nameEnd = 0;
        while (nameEnd < content.size() && !IsBlank(content[nameEnd]) && content[nameEnd] != L'=')
            ++nameEnd;
        std::wstring_view name = content.substr(0, nameEnd);
        if (!name.empty() && name[0] == L'/') {
            token.closing = true;
            name.remove_prefix(1);
        }
        token.text = std::wstring(name);
        std::wstring_view rest = content.substr(nameEnd);
        while (!rest.empty() && IsBlank(rest.front()))
            rest.remove_prefix(1);
        token.attributes = rest;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::vector<MarkupAttribute> ParseAttributes(std::wstring_view text) {
    std::vector<MarkupAttribute> attributes;
    size_t i = 0;
    while (true) {
        while (i < text.size() && !IsNameCharacter(text[i]))
            ++i;
        if (i >= text.size())
            break;
        MarkupAttribute attribute;
        const size_t nameStart = i;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != L'=')
            ++i;
        attribute.name = std::wstring(text.substr(nameStart, i - nameStart));
        size_t next = i;
        while (next < text.size() && IsBlank(text[next]))
            ++next;
        if (next < text.size() && text[next] == L'=') {
            attribute.hasValue = true;
            i = next;
            while (i < text.size() && (IsBlank(text[i]) || text[i] == L'='))
                ++i;
            if (i < text.size() && (text[i] == L'\'' || text[i] == L'"')) {
                const wchar_t quote = text[i];
                const size_t end = text.find(quote, i + 1);
                const size_t stop = end == std::wstring_view::npos ? text.size() : end;
                attribute.value = std::wstring(text.substr(i + 1, stop - i - 1));
                i = stop == text.size() ? stop : stop + 1;
            } else {
                const size_t start = i;
                while (i < text.size() && !IsBlank(text[i]))
                    ++i;
                attribute.value = std::wstring(text.substr(start, i - start));
            }
        }
        attributes.push_back(std::move(attribute));
    }
    return attributes;
}

const MarkupAttribute* FindAttribute(const std::vector<MarkupAttribute>& attributes,
                                     std::wstring_view name) {
    for (const MarkupAttribute& attribute : attributes) {
        if (attribute.name == name)
            return &attribute;
    }
    return nullptr;
}

MarkupTable ParseTable(std::wstring_view block) {
    MarkupTable table;
    size_t i = 0;
    MarkupTableRow* row = nullptr;
    MarkupTableCell* cell = nullptr;
    size_t cellStart = 0;
    bool first = true;
    while (i < block.size()) {
        const size_t less = block.find(L'<', i);
        if (less == std::wstring_view::npos)
            break;
        if (less + 1 < block.size() && block[less + 1] == L'<') {
            i = less + 2;
            continue;
        }
        const size_t greater = block.find(L'>', less + 1);
        if (greater == std::wstring_view::npos)
            break;
        const std::wstring_view content = block.substr(less + 1, greater - less - 1);
        size_t nameEnd = 0;
        while (nameEnd < content.size() && !IsBlank(content[nameEnd]) && content[nameEnd] != L'=')
            ++nameEnd;
        const std::wstring_view name = content.substr(0, nameEnd);
        std::wstring_view attributes = content.substr(nameEnd);
        while (!attributes.empty() && IsBlank(attributes.front()))
            attributes.remove_prefix(1);
        i = greater + 1;
        if (first) {
            table.attributes = attributes;
            first = false;
            continue;
        }
        if (name == L"table" && cell != nullptr) {
            // A nested table belongs to the cell's text: skip over it whole.
            i = less + FindTableEnd(block.substr(less), 0);
            continue;
        }
        auto closeCell = [&](size_t end) {
            if (cell != nullptr)
                cell->text = block.substr(cellStart, end - cellStart);
            cell = nullptr;
        };
        if (name == L"tr") {
            closeCell(less);
            table.rows.push_back({attributes, {}});
            row = &table.rows.back();
        } else if (name == L"td") {
            closeCell(less);
            if (row == nullptr) {
                table.rows.push_back({});
                row = &table.rows.back();
            }
            row->cells.push_back({attributes, {}});
            cell = &row->cells.back();
            cellStart = i;
        } else if (name == L"/td") {
            closeCell(less);
        } else if (name == L"/tr") {
            closeCell(less);
            row = nullptr;
        } else if (name == L"/table") {
            closeCell(less);
            break;
        }
    }
    if (cell != nullptr)
        cell->text = block.substr(cellStart);
    return table;
}

std::wstring MarkupToPlainText(std::wstring_view markup) {
    const std::wstring text = PreprocessMarkup(markup);
    std::wstring plain;
    for (const MarkupBlock& block : SplitBlocks(text)) {
        if (block.table) {
            if (!plain.empty() && !plain.ends_with(L"\r\n"))
                plain += L"\r\n";
            for (const MarkupTableRow& row : ParseTable(block.text).rows) {
                for (size_t c = 0; c < row.cells.size(); ++c) {
                    if (c > 0)
                        plain += L'\t';
                    plain += MarkupToPlainText(row.cells[c].text);
                }
                plain += L"\r\n";
            }
            continue;
        }
        for (const MarkupToken& token : Tokenize(block.text)) {
            if (!token.tag)
                plain += token.text;
            else if (token.text == L"br")
                plain += L"\r\n";
            else if (token.text == L"t")
                plain += L'\t';
        }
    }
    return plain;
}

}  // namespace controls
