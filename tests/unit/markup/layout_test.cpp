#include "ui/markup/layout.h"

#include <gtest/gtest.h>

#include "markup_lines.h"

namespace corvanta::markup {
namespace {

// 6 pixels a character, 8 in bold: wrong font choices show up in positions.
int Measure(const std::string& text, bool bold) {
  return static_cast<int>(text.size()) * (bold ? 8 : 6);
}

ItemLayout Lay(const std::string& markup, int width, LayoutOptions opt = {}) {
  return Layout(Parse(markup), width, Measure, opt);
}

std::vector<std::string> LineTexts(const ItemLayout& l) {
  std::vector<std::string> lines(static_cast<size_t>(l.lines));
  for (const Fragment& f : l.fragments) lines[static_cast<size_t>(f.line)] += f.text;
  return lines;
}

TEST(MarkupLayout, ProblemLineHeightAndParameterBox) {
  const std::string line = markup_test::ProblemLine("Invalid application path", 0, "Delete",
                                                    "Software\\X", "", "C:\\a.exe");
  ItemLayout l = Lay(line, 2000);
  EXPECT_EQ(l.lines, 5);
  EXPECT_EQ(l.height, 80);
  EXPECT_FALSE(l.truncated);
  EXPECT_EQ(LineTexts(l)[2], "");
  // "Invalid application path:" bold (25 * 8) from x 2, " " and "Set to " normal.
  ASSERT_EQ(l.paramRects.size(), 1u);
  EXPECT_EQ(l.paramRects[0].rect, (Rect{250, 0, 298, 16}));
  EXPECT_EQ(HitTestParam(l, 250, 0), 0);
  EXPECT_EQ(HitTestParam(l, 297, 15), 0);
  EXPECT_EQ(HitTestParam(l, 249, 5), -1);
  EXPECT_EQ(HitTestParam(l, 298, 5), -1);
  EXPECT_EQ(HitTestParam(l, 260, 16), -1);

  // Too narrow for the separator: the 155 dots are cut, the item grows by lines.
  ItemLayout narrow = Lay(line, 504);  // 500 usable: 83 characters
  EXPECT_EQ(narrow.lines, 6);
  EXPECT_EQ(LineTexts(narrow)[4], std::string(83, '.'));
  EXPECT_EQ(LineTexts(narrow)[5], std::string(72, '.'));

  // A list box item is at most 255 pixels high: lines past the limit are left out.
  LayoutOptions capped;
  capped.maxLines = 3;
  ItemLayout c = Lay(line, 2000, capped);
  EXPECT_EQ(c.lines, 3);
  EXPECT_EQ(c.height, 48);
  EXPECT_TRUE(c.truncated);
  EXPECT_EQ(c.paramRects.size(), 1u);
}

TEST(MarkupLayout, WrapsAtSpacesAndCutsOnlyOverlongWords) {
  // 52 wide = 48 usable = 8 normal characters, 6 bold.
  EXPECT_EQ(LineTexts(Lay("aaa bbb ccc", 52)), (std::vector<std::string>{"aaa bbb", "ccc"}));
  EXPECT_EQ(LineTexts(Lay("aaaa    bbb", 52)), (std::vector<std::string>{"aaaa", "bbb"}));
  EXPECT_EQ(LineTexts(Lay("abcdefghijkl", 52)), (std::vector<std::string>{"abcdefgh", "ijkl"}));
  // A word that does not fit after an earlier run moves to the next line whole.
  ItemLayout l = Lay("<b>abcd </b>efghijk", 52);
  EXPECT_EQ(LineTexts(l), (std::vector<std::string>{"abcd ", "efghijk"}));
  EXPECT_EQ(l.fragments[1].x, 2);
  EXPECT_EQ(l.fragments[1].y, 16);
  // Bold is measured bold: "abcdefg" bold is 56 > 48.
  EXPECT_EQ(LineTexts(Lay("<b>abcdefg</b>", 52)), (std::vector<std::string>{"abcdef", "g"}));
  // A wrap right before a break opens no empty line; spaces at a wrap vanish.
  EXPECT_EQ(LineTexts(Lay("aaaa bbb   <br>c", 52)), (std::vector<std::string>{"aaaa bbb", "c"}));
  EXPECT_EQ(LineTexts(Lay("", 52)), (std::vector<std::string>{""}));
  EXPECT_EQ(Lay("", 52).height, 16);
  // Width below one character still makes progress, one character a line.
  EXPECT_EQ(Lay("abc", 0).lines, 3);
}

TEST(MarkupLayout, WithoutWrappingALineIsCutWithAnEllipsis) {
  LayoutOptions cut;
  cut.wrap = false;
  // 52 wide = 48 usable: "..." (18) leaves room for 5 normal characters.
  EXPECT_EQ(LineTexts(Lay("aaa bbb ccc<br>dd", 52, cut)),
            (std::vector<std::string>{"aaa b...", "dd"}));
  EXPECT_EQ(LineTexts(Lay("abcdefgh", 52, cut)), (std::vector<std::string>{"abcdefgh"}));
  // Cut in a bold run: the rest of the line, later runs too, is dropped.
  EXPECT_EQ(LineTexts(Lay("ab<b>cdefgh</b>ij<br>k", 52, cut)),
            (std::vector<std::string>{"abc...", "k"}));
  // The separator of a problem line ends at the edge instead of wrapping.
  const std::string line = markup_test::ProblemLine("Invalid application path", 0, "Delete",
                                                    std::string(300, 'k'), "", "C:\\a.exe");
  ItemLayout l = Lay(line, 452, cut);
  EXPECT_EQ(l.lines, 5);
  for (const Fragment& f : l.fragments) EXPECT_LE(f.x + f.width, 450);
  EXPECT_EQ(LineTexts(l)[4], std::string(74, '.'));
}

TEST(MarkupLayout, LinesEndOnWholeCharacters) {
  // Three bytes a character here (6 pixels a byte): 52 wide holds 8 bytes,
  // two whole characters; an edge never falls inside one.
  const std::string z = "\xE5\xBC\xA0", s = "\xE4\xB8\x89", l = "\xE6\x9D\x8E", f = "\xE5\x9B\x9B";
  EXPECT_EQ(LineTexts(Lay(z + s + l + f, 52)), (std::vector<std::string>{z + s, l + f}));
  EXPECT_EQ(LineTexts(Lay(z + s, 0)), (std::vector<std::string>{z, s}));
  LayoutOptions cut;
  cut.wrap = false;
  EXPECT_EQ(LineTexts(Lay(z + s + l + f, 52, cut)), (std::vector<std::string>{z + "..."}));
}

TEST(MarkupLayout, CentredParagraphs) {
  const std::string line = markup_test::EmptySectionLine("Sounds");
  ItemLayout l = Lay(line, 1000);
  ASSERT_EQ(l.lines, 2);
  EXPECT_EQ(l.height, 32);
  const int w =
      6 * static_cast<int>(std::string("Could not find any invalid entries in the ").size() +
                           std::string(" section of your registry").size()) +
      8 * 6;
  ASSERT_FALSE(l.fragments.empty());
  EXPECT_EQ(l.fragments[0].x, 2 + (996 - w) / 2);
  EXPECT_EQ(l.fragments[0].y, 16);

  // Summary: empty line, then two centred lines; each wrapped line centred alone.
  EXPECT_EQ(Lay(markup_test::SummaryLine(0), 2000).height, 48);
  ItemLayout p = Lay("<p align=\"center\">aa bbbbbbb</p>left", 52);
  ASSERT_EQ(LineTexts(p), (std::vector<std::string>{"aa", "bbbbbbb", "left"}));
  EXPECT_EQ(p.fragments[0].x, 2 + (48 - 12) / 2);
  EXPECT_EQ(p.fragments[1].x, 2 + (48 - 42) / 2);
  EXPECT_EQ(p.fragments[2].x, 2);
}

TEST(MarkupLayout, ParametersOverSeveralLinesAndEmptyParameters) {
  // 66 usable = 11 characters: the parameter wraps and gets one box per line.
  ItemLayout l = Lay("Set to <a class=LIST props=x>one two</a> end", 70);
  ASSERT_EQ(LineTexts(l), (std::vector<std::string>{"Set to one", "two end"}));
  ASSERT_EQ(l.paramRects.size(), 2u);
  EXPECT_EQ(l.paramRects[0].rect, (Rect{44, 0, 62, 16}));
  EXPECT_EQ(l.paramRects[1].rect, (Rect{2, 16, 20, 32}));
  Rect first;
  ASSERT_TRUE(ParamBounds(l, 0, first));
  EXPECT_EQ(first, l.paramRects[0].rect);
  EXPECT_FALSE(ParamBounds(l, 1, first));

  // Parts of one parameter in different styles make one box; "?" stands for empty.
  ItemLayout m = Lay("<a class=LIST>a<b>b</b></a> <a class=LIST></a>", 1000);
  ASSERT_EQ(m.paramRects.size(), 2u);
  EXPECT_EQ(m.paramRects[0].rect, (Rect{2, 0, 16, 16}));
  EXPECT_EQ(m.paramRects[1].rect, (Rect{22, 0, 28, 16}));
  EXPECT_EQ(HitTestParam(m, 23, 3), 1);
}

}  // namespace
}  // namespace corvanta::markup
