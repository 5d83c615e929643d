#pragma once
// The markup's text level: preprocessing, the cut into text and table blocks, tokens and
// attributes. Nothing here knows what a tag does.
#include <string>
#include <string_view>
#include <vector>

namespace controls {

// Entities resolved (also inside tags), carriage returns removed, and in new-line mode
// line feeds and tabs turned into the br and t tags (otherwise removed).
std::wstring PreprocessMarkup(std::wstring_view text, bool newLineMode = true);

struct MarkupBlock {
    bool table = false;
    std::wstring_view text;  // a table block runs from "<table" to its closing tag's ">"
};
std::vector<MarkupBlock> SplitBlocks(std::wstring_view text);

struct MarkupToken {
    bool tag = false;
    bool closing = false;
    std::wstring text;             // a text run (literal), or a tag's name without "/"
    std::wstring_view attributes;  // a tag's attribute text, leading blanks removed
};
std::vector<MarkupToken> Tokenize(std::wstring_view block);

struct MarkupAttribute {
    std::wstring name;
    std::wstring value;
    bool hasValue = false;
};
std::vector<MarkupAttribute> ParseAttributes(std::wstring_view text);
// The value of the first attribute with this name; nullptr when there is none.
const MarkupAttribute* FindAttribute(const std::vector<MarkupAttribute>& attributes,
                                     std::wstring_view name);

// A table block split into rows and cells; cell texts may hold nested tables.
struct MarkupTableCell {
    std::wstring_view attributes;
    std::wstring_view text;
};
struct MarkupTableRow {
    std::wstring_view attributes;
    std::vector<MarkupTableCell> cells;
};
struct MarkupTable {
    std::wstring_view attributes;
    std::vector<MarkupTableRow> rows;
};
MarkupTable ParseTable(std::wstring_view block);

// What the markup shows as plain text: tags removed, entities resolved, line breaks as
// CR LF and tabs as TAB, table cells separated by TAB and rows by CR LF.
std::wstring MarkupToPlainText(std::wstring_view markup);

bool IsBlank(wchar_t c);

}  // namespace controls
