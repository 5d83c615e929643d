#include "controls/markup_text.h"

#include <gtest/gtest.h>

namespace controls {
namespace {

TEST(PreprocessMarkup, ResolvesEntitiesInOrderAndTurnsLineFeedsAndTabsIntoTags) {
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"a &lt;b&gt; c", L"a <<b> c"},
        {L"&amp;lt;", L"<<"},  // "&amp;" first: the result is an escaped less-than
        {L"&copy;&euro;&bull;&nbsp;&quot;&trade;", L"\u00A9\u20AC\u2022 \"\u2122"},
        {L"<font face=&quot;x&quot;>", L"<font face=\"x\">"},  // inside tags too
        {L"one\r\ntwo", L"one<br>two"},
        {L"a\tb", L"a<t>b"},
        {L"&unknown;", L"&unknown;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PreprocessMarkup(c.text), c.expected) << c.text;
    EXPECT_EQ(PreprocessMarkup(L"a\r\nb\tc", false), L"abc");
}

std::wstring Describe(const std::vector<MarkupToken>& tokens) {
    std::wstring out;
    for (const MarkupToken& token : tokens) {
        if (!out.empty())
            out += L"|";
        if (token.tag)
            out += L"<" + std::wstring(token.closing ? L"/" : L"") + token.text + L"[" +
                   std::wstring(token.attributes) + L"]>";
        else
            out += token.text;
    }
    return out;
}

TEST(Tokenize, SplitsTextAndTags) {
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"a <<b> c", L"a <b> c"},
        {L"x<", L"x<"},       // a trailing "<" is literal
        {L"a < b", L"a  b"},  // a "<" that is never closed is dropped
        {L"<b>x</b>", L"<b[]>|x|</b[]>"},
        {L"<br=3>", L"<br[=3]>"},
        {L"<font   face='A B' size=3>", L"<font[face='A B' size=3]>"},
        {L"<B>x</B>", L"<B[]>|x|</B[]>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(Tokenize(c.text)), c.expected) << c.text;
}

TEST(ParseAttributes, ReadsQuotedUnquotedAndBareAttributes) {
    const auto attributes =
        ParseAttributes(L"face='Times New Roman' size = 3 color=\"red\" nowrap");
    ASSERT_EQ(attributes.size(), 4u);
    EXPECT_EQ(attributes[0].name, L"face");
    EXPECT_EQ(attributes[0].value, L"Times New Roman");
    EXPECT_EQ(attributes[1].value, L"3");
    EXPECT_EQ(attributes[2].value, L"red");
    EXPECT_EQ(attributes[3].name, L"nowrap");
    EXPECT_FALSE(attributes[3].hasValue);
    EXPECT_EQ(FindAttribute(attributes, L"color")->value, L"red");
    EXPECT_EQ(FindAttribute(attributes, L"COLOR"), nullptr);
    // An unclosed quote runs to the end instead of past it.
    EXPECT_EQ(ParseAttributes(L"face='abc")[0].value, L"abc");
}

TEST(SplitBlocks, CutsTablesOutCountingNestedOnes) {
    const std::wstring text =
        L"before<table><tr><td><table><tr><td>in</td></tr></table></td></tr></table>after"
        L"<<table>";
    const auto blocks = SplitBlocks(text);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].text, L"before");
    EXPECT_TRUE(blocks[1].table);
    EXPECT_EQ(blocks[1].text,
              L"<table><tr><td><table><tr><td>in</td></tr></table></td></tr></table>");
    EXPECT_FALSE(blocks[2].table);
    EXPECT_EQ(blocks[2].text, L"after<<table>");
}

TEST(ParseTable, FindsRowsAndCellsWithNestedTablesInsideCells) {
    const MarkupTable table = ParseTable(
        L"<table border=1><tr><td colspan=2>a</td><td>b<table><tr><td>x</td></tr></table></td>"
        L"</tr><tr align=center><td>c</td></tr></table>");
    EXPECT_EQ(table.attributes, L"border=1");
    ASSERT_EQ(table.rows.size(), 2u);
    ASSERT_EQ(table.rows[0].cells.size(), 2u);
    EXPECT_EQ(table.rows[0].cells[0].attributes, L"colspan=2");
    EXPECT_EQ(table.rows[0].cells[0].text, L"a");
    EXPECT_EQ(table.rows[0].cells[1].text, L"b<table><tr><td>x</td></tr></table>");
    EXPECT_EQ(table.rows[1].attributes, L"align=center");
    EXPECT_EQ(table.rows[1].cells[0].text, L"c");
}

TEST(MarkupToPlainText, GivesWhatTheLabelShows) {
    const struct {
        const wchar_t* markup;
        const wchar_t* expected;
    } cases[] = {
        {L"<font face='x' color=red>Hello</font> &amp; <b>bye</b>", L"Hello & bye"},
        {L"one\ntwo<br>three", L"one\r\ntwo\r\nthree"},
        {L"a &lt;b&gt; c", L"a <b> c"},
        {L"<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>", L"1\t2\r\n3\r\n"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarkupToPlainText(c.markup), c.expected) << c.markup;
}

}  // namespace
}  // namespace controls
