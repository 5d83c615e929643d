// The language as the renderer applies it: style tags and their stack, font attributes,
// the style sheet, colours and the disabled colour.
#include <gtest/gtest.h>

#include "drawer_fixture.h"
#include "platform/system_colours.h"

namespace controls::testing {
namespace {

using StyleTest = DrawerTest;

TEST_F(StyleTest, StyleTagsOpenAndCloseOnlyTheMostRecentGroup) {
    const struct {
        const wchar_t* markup;
        const wchar_t* runs;
        std::vector<int> weights;
        std::vector<bool> italics;
    } cases[] = {
        // bold twice: 400 doubled twice is capped at 900; closing restores 800, then 400
        {L"<b>a<b>b</b>c</b>d", L"a|b|c|d", {800, 900, 800, 400}, {false, false, false, false}},
        // a closing em ends an i (same group), a closing b does not
        {L"<i>a</em>b", L"a|b", {400, 400}, {true, false}},
        {L"<i>a</b>b</i>c", L"a|b|c", {400, 400, 400}, {true, true, false}},
        {L"<b>a<i>b</b>c</i>d", L"a|b|c|d", {800, 800, 800, 800}, {false, true, true, false}},
        // upper-case names are not tags of the language: dropped, the text stays plain
        {L"<B>a</B>", L"a", {400}, {false}},
        {L"<unknown>a", L"a", {400}, {false}},
        {L"</b>a", L"a", {400}, {false}},
    };
    for (const auto& c : cases) {
        Render(c.markup);
        EXPECT_EQ(surface.RunTexts(), c.runs) << c.markup;
        ASSERT_EQ(surface.runs.size(), c.weights.size()) << c.markup;
        for (size_t i = 0; i < c.weights.size(); ++i) {
            EXPECT_EQ(surface.runs[i].style.weight, c.weights[i]) << c.markup << " run " << i;
            EXPECT_EQ(surface.runs[i].style.italic, c.italics[i]) << c.markup << " run " << i;
        }
    }
}

TEST_F(StyleTest, ColoursFromAttributesAndStyleSheet) {
    drawer.Sheet().Add(L".warn", L"color:Red");
    Render(
        L"<font color=#ff0000>a</font><font color=0xff0000>b</font>"
        L"<font color=green><font color=Red>c</font></font><span class=warn>d</span>"
        L"<font color='#12'>e</font>");
    EXPECT_EQ(Run(L"a").style.colour, MakeColour(255, 0, 0));
    EXPECT_EQ(Run(L"b").style.colour, MakeColour(0, 0, 255));
    // A capital letter in an attribute keeps the old colour; style text is lowered first.
    EXPECT_EQ(Run(L"c").style.colour, MakeColour(0, 128, 0));
    EXPECT_EQ(Run(L"d").style.colour, MakeColour(255, 0, 0));
    EXPECT_EQ(Run(L"e").style.colour, MakeColour(0, 0, 0));
}

TEST_F(StyleTest, FontSizes) {
    const struct {
        const wchar_t* markup;
        int size;
    } cases[] = {
        {L"<font size=3>x</font>", 12},
        {L"<font size=+1>x</font>", 8},
        {L"<font size=20>x</font>", 20},
        {L"<font size=10pt>x</font>", 13},  // 10 x 96 / 72
        {L"<font size='16'>x</font>", 16},
        {L"<font size=150%>x</font>", 24},
        {L"<big>x</big>", 20},
        {L"<h1>x</h1>", 18},
    };
    for (const auto& c : cases) {
        Render(c.markup);
        ASSERT_EQ(surface.runs.size(), 1u) << c.markup;
        EXPECT_EQ(surface.runs[0].style.size, c.size) << c.markup;
    }
}

TEST_F(StyleTest, FontAttributesAndDeclarations) {
    drawer.Sheet().Add(L".title",
                       L"text-transform:capitalize; text-decoration:underline, overline");
    Render(
        L"<font face='SimSun' style='bi-b+u' weight=bolder>a</font>"
        L"<font face=''>b</font><span class=title>hello big world</span>"
        L"<font bkgnd=yellow>c</font><h2>d</h2><code>e</code>");
    EXPECT_EQ(Run(L"a").style.family, L"SimSun");
    EXPECT_EQ(Run(L"a").style.weight, 900);  // weight= comes after style=
    EXPECT_TRUE(Run(L"a").style.italic);
    EXPECT_TRUE(Run(L"a").style.underline);
    EXPECT_EQ(Run(L"b").style.family, L"verdana");  // an empty face keeps the body's
    const DrawnRun& title = Run(L"Hello Big World");
    EXPECT_TRUE(title.style.underline);
    EXPECT_TRUE(title.style.overline);
    EXPECT_TRUE(Run(L"c").style.opaqueBackground);
    EXPECT_EQ(Run(L"c").style.backgroundColour, MakeColour(255, 255, 0));
    EXPECT_EQ(Run(L"d").style.colour, MakeColour(0xFF, 0x99, 0));
    EXPECT_EQ(Run(L"d").style.weight, 700);
    EXPECT_EQ(Run(L"e").style.family, L"arial");
    EXPECT_EQ(Run(L"e").style.colour, MakeColour(0x99, 0, 0));
}

TEST_F(StyleTest, OverlineIsALineAlongTheTopOfTheRun) {
    Render(L"<font style=o>ab</font><b><font style=o>cd</font></b>");
    ASSERT_EQ(surface.lines.size(), 2u);
    const DrawnRun& ab = Run(L"ab");
    EXPECT_EQ(surface.lines[0].y1, ab.y);
    EXPECT_EQ(surface.lines[0].x1, ab.x);
    EXPECT_EQ(surface.lines[0].x2, ab.x + 16);
    EXPECT_EQ(surface.lines[0].width, 1);
    EXPECT_EQ(surface.lines[1].width, 2);  // weight 700 and above
}

TEST_F(StyleTest, DisabledRendererShowsEveryMarkedUpColourInTheDisabledColour) {
    drawer.SetEnabled(false);
    Render(L"<font color=red>a</font><a href='x'>b</a><h2>c</h2>d");
    const Colour shadow = platform::SystemColour(16);
    EXPECT_EQ(drawer.DisabledColour(), shadow);
    for (const DrawnRun& run : surface.runs)
        EXPECT_EQ(run.style.colour, shadow) << std::wstring(run.text);
}

TEST(StyleSheet, DefaultSheetHasItsSeventeenRulesAndEmptyTextRestoresIt) {
    const std::wstring_view text = StyleSheet::DefaultText();
    size_t lines = 0;
    for (size_t at = text.find(L"\r\n"); at != std::wstring_view::npos;
         at = text.find(L"\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 17u);
    EXPECT_TRUE(text.ends_with(L"}\r\n"));
    StyleSheet sheet;
    ASSERT_NE(sheet.Find(L"A:HOVER"), nullptr);
    EXPECT_EQ(*sheet.Find(L"a:hover"), L"text-decoration:underline; color:blue");
    EXPECT_EQ(*sheet.Find(L".cpp-comment"), L"color:green; font-style:italic");
    sheet.Load(L"p {color:red}");
    EXPECT_EQ(sheet.Find(L"body"), nullptr);
    sheet.Add(L"P", L"color:blue");  // replaces, no merging
    EXPECT_EQ(*sheet.Find(L"p"), L"color:blue");
    sheet.Load(L"");
    EXPECT_NE(sheet.Find(L"body"), nullptr);
}

TEST(ApplyDeclarations, ReadsEveryPropertyOfTheSubset) {
    const ColourNames names;
    StyleContext context;
    context.names = &names;
    context.lengths = {8, 16, 96};
    const struct {
        const wchar_t* declarations;
        bool (*check)(const MarkupStyle&);
    } cases[] = {
        {L"font-size: 10pt", [](const MarkupStyle& s) { return s.size == 13; }},
        {L"FONT-FAMILY:\"Courier New\"",
         [](const MarkupStyle& s) { return s.family == L"courier new"; }},
        {L"font-family:", [](const MarkupStyle& s) { return s.family == L"Verdana"; }},
        {L"font-style:oblique", [](const MarkupStyle& s) { return s.italic; }},
        {L"font-weight:bold", [](const MarkupStyle& s) { return s.weight == 700; }},
        {L"text-align:right",
         [](const MarkupStyle& s) { return s.horizontalAlign == HorizontalAlign::kRight; }},
        {L"text-align:justify",
         [](const MarkupStyle& s) { return s.horizontalAlign == HorizontalAlign::kLeft; }},
        {L"text-transform:uppercase",
         [](const MarkupStyle& s) { return s.textTransform == TextTransform::kUppercase; }},
        {L"color:ButtonShadow",
         [](const MarkupStyle& s) { return s.colour == platform::SystemColour(16); }},
        {L"background-color:#fbedbb",
         [](const MarkupStyle& s) {
             return s.opaqueBackground && s.backgroundColour == MakeColour(0xFB, 0xED, 0xBB);
         }},
        {L"background-color:red; background-color:transparent",
         [](const MarkupStyle& s) { return !s.opaqueBackground; }},
        {L"text-decoration:underline line-through",
         [](const MarkupStyle& s) { return s.underline && s.strikeOut && !s.overline; }},
        {L"text-decoration:underline; text-decoration:",
         [](const MarkupStyle& s) { return !s.underline; }},
        {L"vertical-align:top",
         [](const MarkupStyle& s) { return s.verticalAlign == VerticalAlign::kTop; }},
        {L"vertical-align:",
         [](const MarkupStyle& s) { return s.verticalAlign == VerticalAlign::kBaseline; }},
        {L"border-color:red",
         [](const MarkupStyle& s) {
             return s.borderLight == MakeColour(255, 0, 0) && s.borderDark == s.borderLight;
         }},
        {L"border-width:4px",
         [](const MarkupStyle& s) {
             return s.borderWidth == 4 && s.borderStyle == BorderStyle::kSolid;
         }},
        {L"border-width:8px; border-width:thin",
         [](const MarkupStyle& s) { return s.borderWidth == 6; }},
        {L"border-width:4px; border-width:0",
         [](const MarkupStyle& s) {
             return s.borderWidth == 0 && s.borderStyle == BorderStyle::kNone;
         }},
        {L"border-style:dashed",
         [](const MarkupStyle& s) {
             return s.borderStyle == BorderStyle::kDashed && s.borderWidth == 1;
         }},
        {L"margin:5px; padding:3px",
         [](const MarkupStyle& s) { return s.margin == 5 && s.padding == 3; }},
        {L"unknown:1; color:red",
         [](const MarkupStyle& s) { return s.colour == MakeColour(255, 0, 0); }},
    };
    for (const auto& c : cases) {
        MarkupStyle style;
        ApplyDeclarations(style, c.declarations, context);
        EXPECT_TRUE(c.check(style)) << c.declarations;
    }
}

TEST_F(StyleTest, StringTagDrawsTheResourceAsPlainText) {
    surface.strings[{7, L""}] = L"<b>plain</b>";
    surface.strings[{9, L"lib.dll"}] = L"from library";
    Render(L"<string idres=7> <string iddll=9 srcdll='lib.dll'><string idres=8>");
    EXPECT_EQ(surface.RunTexts(), L"<b>plain</b>| |from library");
}

}  // namespace
}  // namespace controls::testing
