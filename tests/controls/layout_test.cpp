// Line breaking, alignment, vertical placement and the other layout items, measured and
// drawn on the recording surface (characters 8 pixels wide, lines 16 high).
#include <gtest/gtest.h>

#include "drawer_fixture.h"

namespace controls::testing {
namespace {

using LayoutTest = DrawerTest;

TEST_F(LayoutTest, LinesBreakAtBreakCharactersOrAfterTheLastFittingCharacter) {
    const struct {
        const wchar_t* markup;
        int maxWidth;
        const wchar_t* runs;
        std::vector<int> tops;
    } cases[] = {
        // cut after the last break character that still fits; blanks at the cut trimmed
        {L"hello world, this is", 80, L"hello|world,|this is", {0, 16, 32}},
        {L"one-two-three", 64, L"one-two-|three", {0, 16}},
        // nothing fits an empty line: cut after the last fitting character
        {L"abcdefghij", 40, L"abcde|fghij", {0, 16}},
        // a run that does not fit a started line moves to the next one
        {L"<b>ab</b>cdefgh", 40, L"ab|cdefg|h", {0, 16, 32}},
        // without a maximum width lines end only at br
        {L"hello world, this is", 0, L"hello world, this is", {0}},
        {L"one\ntwo", 0, L"one|two", {0, 16}},
        {L"one</br>two", 0, L"one|two", {0, 16}},  // a closing br breaks too
        {L"a<br=3>b", 0, L"a|b", {0, 48}},         // three line heights
        {L"a<br=0>b", 0, L"a|b", {0, 16}},
    };
    for (const auto& c : cases) {
        Render(c.markup, c.maxWidth);
        EXPECT_EQ(surface.RunTexts(), c.runs) << c.markup;
        ASSERT_EQ(surface.runs.size(), c.tops.size()) << c.markup;
        for (size_t i = 0; i < c.tops.size(); ++i)
            EXPECT_EQ(surface.runs[i].y, c.tops[i]) << c.markup << " run " << i;
    }
}

TEST_F(LayoutTest, LongTextsBreakIntoFullLines) {
    // 10 characters per line of 80 pixels.
    Render(std::wstring(5000, L'a'), 80);
    EXPECT_EQ(drawer.Lines().size(), 500u);
    std::wstring words;
    for (int i = 0; i < 3000; ++i)
        words += L"abcd ";
    Render(words, 80);  // "abcd abcd" (9 characters) per line
    EXPECT_EQ(drawer.Lines().size(), 1500u);
    EXPECT_EQ(surface.runs.back().text, L"abcd abcd");
}

TEST_F(LayoutTest, MeasureRecordsOneLineInfoPerLine) {
    const Size size = Render(L"hello world, this is", 80);
    ASSERT_EQ(drawer.Lines().size(), 3u);
    const LineInfo& first = drawer.Lines()[0];
    EXPECT_EQ(first.width, 40);
    EXPECT_EQ(first.height, 16);
    EXPECT_EQ(first.descent, 4);
    EXPECT_EQ(first.wrapped, 1);
    EXPECT_EQ(drawer.Lines()[1].width, 48);
    EXPECT_EQ(drawer.Lines()[2].blanks, 1);
    EXPECT_EQ(drawer.Lines()[2].wrapped, 0);
    EXPECT_EQ(size, (Size{57, 49}));  // widest line and the three lines, plus one
    EXPECT_EQ(drawer.MeasureMarkup(surface, L"", 80), (Size{0, 0}));
    EXPECT_TRUE(drawer.Lines().size() == 3u);  // an empty text leaves the last layout alone
}

TEST_F(LayoutTest, TabsAdvanceToTheNextMultipleOf32) {
    const struct {
        const wchar_t* markup;
        int x;
    } cases[] = {{L"ab\tc", 32}, {L"\tc", 32}, {L"abcd<t>c", 64}, {L"ab<t=2>c", 64}};
    for (const auto& c : cases) {
        Render(c.markup);
        EXPECT_EQ(Run(L"c").x, c.x) << c.markup;
    }
}

TEST_F(LayoutTest, JustifiedParagraphFillsTheWidthExceptItsLastLine) {
    Render(L"<justify>aa <b>bb</b> cc dd ee ff gg</justify>", 80, 80);
    ASSERT_EQ(drawer.Lines().size(), 3u);
    // Line one: "aa ", "bb", " cc" (64 pixels, two blanks) spread to 80.
    EXPECT_EQ(surface.RunTexts(), L"aa |bb| cc|dd ee ff|gg");
    EXPECT_EQ(Run(L"aa ").x, 0);
    EXPECT_EQ(Run(L" cc").x + Run(L" cc").width, 80);
    EXPECT_EQ(Run(L"dd ee ff").width, 80);
    EXPECT_EQ(Run(L"gg").x, 0);
    EXPECT_EQ(Run(L"gg").width, 16);
}

TEST_F(LayoutTest, JustifiedLineDropsTheTrailingBlankOfItsLastPiece) {
    Render(L"<justify>aa bb <b>cc </b>dddddd</justify>", 80, 80);
    EXPECT_EQ(surface.RunTexts(), L"aa bb |cc|dddddd");
    EXPECT_EQ(Run(L"cc").x + Run(L"cc").width, 80);
}

TEST_F(LayoutTest, RunsOfDifferentSizesShareTheBaseline) {
    Render(L"<font size=16px>a</font><font size=32px>B</font><br><font size=16px>c</font>");
    ASSERT_EQ(drawer.Lines().size(), 2u);
    // largest ascent (24) plus largest descent (8)
    EXPECT_EQ(drawer.Lines()[0].height, 32);
    EXPECT_EQ(drawer.Lines()[0].descent, 8);
    const DrawnRun& small = Run(L"a");
    const DrawnRun& big = Run(L"B");
    EXPECT_EQ(small.y + RecordingSurface::Ascent(16), big.y + RecordingSurface::Ascent(32));
    EXPECT_EQ(Run(L"c").y, 32);
    EXPECT_EQ(drawer.Lines()[1].height, 16);
}

TEST_F(LayoutTest, VerticalAlignPlacesRunsInTheLine) {
    Render(
        L"<font size=32px>B</font><top>t</top><middle>m</middle><bottom>b</bottom>"
        L"<sub>s</sub>");
    const int lineHeight = drawer.Lines()[0].height;
    ASSERT_EQ(lineHeight, 32);
    EXPECT_EQ(Run(L"t").y, 0);
    EXPECT_EQ(Run(L"m").y, (32 - 16) / 2);
    EXPECT_EQ(Run(L"b").y, 32 - 12);  // line height less the font's ascent
    EXPECT_EQ(Run(L"s").style.size, 10);
}

TEST_F(LayoutTest, LinesAlignInTheDrawingRectangle) {
    Render(L"<center>ab</center><br><right>ab</right><br>ab", 0, 100);
    ASSERT_EQ(surface.runs.size(), 3u);
    EXPECT_EQ(surface.runs[0].x, (100 - 16) / 2);
    EXPECT_EQ(surface.runs[1].x, 100 - 16);
    EXPECT_EQ(surface.runs[2].x, 0);
}

TEST_F(LayoutTest, CentredLineWiderThanTheRectangleStartsAtItsLeftEdge) {
    // The rule's percentage is of the drawing width, which the measured text alone fills.
    Render(L"<center>abcd<hr width=50%></center><br><right>ab<hr width=90%></right>", 0, 0);
    ASSERT_EQ(surface.runs.size(), 2u);
    EXPECT_EQ(surface.runs[0].x, 0);
    EXPECT_EQ(surface.runs[1].x, 0);
}

TEST_F(LayoutTest, HorizontalRulesTakePercentagesOfTheWidth) {
    Render(L"<hr width=50%><br><hr width=30 size=3 color=red><br><hr>", 0, 200);
    ASSERT_EQ(drawer.Lines().size(), 3u);
    EXPECT_EQ(drawer.Lines()[0].percent, 50);
    EXPECT_EQ(drawer.Lines()[0].height, 9);  // thickness + 8
    ASSERT_EQ(surface.lines.size(), 3u);
    EXPECT_EQ(surface.lines[0].x1, 0);
    EXPECT_EQ(surface.lines[0].x2, 100);
    EXPECT_EQ(surface.lines[0].y1, 4);
    EXPECT_EQ(surface.lines[1].x2, 30);
    EXPECT_EQ(surface.lines[1].width, 3);
    EXPECT_EQ(surface.lines[1].colour, MakeColour(255, 0, 0));
    EXPECT_EQ(surface.lines[2].x2, 200);
    drawer.Sheet().Add(L"hr", L"size:20px");
    Render(L"<hr>", 0, 200);
    EXPECT_EQ(drawer.Lines()[0].height, 28);
    EXPECT_EQ(surface.lines[0].width, 20);
}

TEST_F(LayoutTest, ImageWiderThanTheRestOfTheLineStartsANewLine) {
    Render(L"abcdef<bmp file=40x20.bmp>", 80);
    ASSERT_EQ(surface.images.size(), 1u);
    EXPECT_EQ(surface.images[0].place, (Rect{0, 16, 40, 36}));
    EXPECT_EQ(drawer.Lines()[0].wrapped, 1);
    // Also on an empty line, which then stays empty at the font's height.
    Render(L"<bmp file=100x20.bmp>", 80);
    ASSERT_EQ(drawer.Lines().size(), 2u);
    EXPECT_EQ(drawer.Lines()[0].height, 16);
    EXPECT_EQ(surface.images[0].place, (Rect{0, 16, 100, 36}));
}

TEST_F(LayoutTest, ImagesSitOnTheBaselineAndScale) {
    Render(
        L"ab<bmp file=40x20.bmp width=50% height=10px style=g><icon idres=3>"
        L"<bmp idres=5><bmp file=40x20.bmp style=s>");
    ASSERT_EQ(surface.images.size(), 3u);  // the idres bitmap has no size here
    // 32-pixel icon: line height 32 + 4 descent; baseline at 32
    EXPECT_EQ(drawer.Lines()[0].height, 36);
    EXPECT_EQ(surface.images[0].place, (Rect{16, 22, 36, 32}));
    EXPECT_EQ(surface.images[0].image.effects, L"g");
    EXPECT_EQ(surface.images[1].place, (Rect{36, 0, 68, 32}));
    // A shadow adds its offsets.
    EXPECT_EQ(surface.images[2].place.Width(), 44);
    EXPECT_EQ(surface.images[2].image.mask, MakeColour(255, 0, 255));
    EXPECT_EQ(Run(L"ab").y, 36 - 4 - 12);
}

TEST_F(LayoutTest, LinksGetAreasAndTheHotLinkItsHoverStyle) {
    Render(
        L"go <a href='http://example.test/'>here</a> or <a msg=note>there</a> "
        L"<a>none</a>");
    ASSERT_EQ(drawer.LinkAreas().size(), 3u);
    const LinkArea here = drawer.LinkAreas()[0];
    EXPECT_EQ(here.number, 0);
    EXPECT_EQ(here.kind, LinkKind::kAddress);
    EXPECT_EQ(here.left, 24);
    EXPECT_EQ(here.right, 24 + 32 - 1);
    EXPECT_EQ(drawer.LinkAreas()[1].number, 1);
    EXPECT_EQ(drawer.LinkAreas()[1].kind, LinkKind::kMessage);
    EXPECT_EQ(Run(L"here").style.colour, MakeColour(0, 0, 255));
    EXPECT_FALSE(Run(L"here").style.underline);
    EXPECT_EQ(drawer.HotLink(), kNoHotLink);

    // Onto the first link: hand cursor, one repaint notification with its number.
    EXPECT_TRUE(drawer.HitTestLink({here.left, here.top}));
    EXPECT_TRUE(drawer.HitTestLink({here.right, here.bottom}));
    EXPECT_EQ(repaints, (std::vector<int>{0}));
    // The repaint draws the recorded lines again, without measuring.
    const std::vector<LineInfo> measured = drawer.Lines();
    Redraw(300, 20);
    EXPECT_TRUE(Run(L"here").style.underline);
    EXPECT_FALSE(Run(L"there").style.underline);
    EXPECT_EQ(drawer.Lines().size(), measured.size());

    // A message link shows the hand too; a link without a target does not.
    const LinkArea there = drawer.LinkAreas()[1];
    EXPECT_TRUE(drawer.HitTestLink({there.left + 1, there.top + 1}));
    const LinkArea none = drawer.LinkAreas()[2];
    EXPECT_FALSE(drawer.HitTestLink({none.left, none.top}));
    EXPECT_EQ(drawer.HotLink(), 2);
    // Off every link: back to -2, notified once.
    EXPECT_FALSE(drawer.HitTestLink({here.left - 1, here.top}));
    EXPECT_FALSE(drawer.HitTestLink({500, 500}));
    EXPECT_EQ(repaints, (std::vector<int>{0, 1, 2, kNoHotLink}));
    Redraw(300, 20);
    EXPECT_FALSE(Run(L"here").style.underline);

    const LinkActivation address = drawer.ActivateLink({here.left, here.top});
    EXPECT_EQ(address.kind, LinkKind::kAddress);
    EXPECT_EQ(address.target, L"http://example.test/");
    EXPECT_EQ(drawer.ActivateLink({there.left, there.top}).kind, LinkKind::kMessage);
    EXPECT_EQ(drawer.ActivateLink({there.left, there.top}).target, L"note");
    EXPECT_EQ(drawer.ActivateLink({none.left, none.top}).kind, LinkKind::kNone);
    EXPECT_EQ(drawer.ActivateLink({0, 0}).kind, LinkKind::kNone);
}

TEST_F(LayoutTest, ImageLinksUseTheirHotStyle) {
    Render(L"<a href=x><bmp file=20x20.bmp style=g hotstyle=l></a>");
    ASSERT_EQ(surface.images.size(), 1u);
    EXPECT_EQ(surface.images[0].image.effects, L"g");
    ASSERT_TRUE(drawer.HitTestLink({5, 5}));
    Redraw(30, 30);
    EXPECT_EQ(surface.images[0].image.effects, L"l");
}

TEST_F(LayoutTest, HostileMarkupStaysBounded) {
    std::wstring deep;
    for (int i = 0; i < 5000; ++i)
        deep += L"<b>";
    deep += L"x<hr width=99999999%><t=99999999><br=99999999>y";
    for (int i = 0; i < 2000; ++i)
        deep += L"<t=99999><hr width=99999><font size=99999>z<br=99999></font>";
    const Size size = Render(deep, 100);
    EXPECT_GT(size.height, 0);
    EXPECT_EQ(Run(L"x").style.weight, 900);
}

}  // namespace
}  // namespace controls::testing
