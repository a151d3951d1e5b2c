#include "ui/markup/markup.h"

#include <gtest/gtest.h>

#include "markup_lines.h"

namespace corvanta::markup {
namespace {

using markup_test::EmptySectionLine;
using markup_test::ProblemLine;
using markup_test::SummaryLine;

std::vector<const markup::Run*> TextRuns(const ParsedMarkup& p) {
  std::vector<const markup::Run*> out;
  for (const markup::Run& r : p.runs)
    if (r.kind == RunKind::Text) out.push_back(&r);
  return out;
}

TEST(MarkupParse, SummaryLineIsACentredParagraphAfterAnEmptyLine) {
  ParsedMarkup p = Parse(SummaryLine(7));
  EXPECT_EQ(PlainText(p),
            "\nFound a total of 7 Problems in your Windows Registry.\n To see the errors in each "
            "section please select a section on the left.");
  auto runs = TextRuns(p);
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0]->text, "Found a total of ");
  EXPECT_FALSE(runs[0]->bold);
  EXPECT_EQ(runs[1]->text, "7 Problems");
  EXPECT_TRUE(runs[1]->bold);
  EXPECT_EQ(runs[2]->text, " in your Windows Registry.");
  EXPECT_EQ(runs[3]->text,
            " To see the errors in each section please select a section on the left.");
  for (const markup::Run* r : runs) EXPECT_TRUE(r->centred);
  EXPECT_TRUE(p.params.empty());
}

TEST(MarkupParse, ProblemLineWithEscapedRegistryText) {
  const std::string line =
      ProblemLine("Invalid application path", 3, "Delete", "Software\\A&lt;b&gt;&amp;&quot;c", "",
                  "C:\\x &lt;y&gt;.exe");
  ParsedMarkup p = Parse(line);
  EXPECT_EQ(PlainText(p),
            "Invalid application path: Set to Delete\nLocation: Software\\A<b>&\"c\n\n"
            "(Default) = C:\\x <y>.exe\n" +
                std::string(155, '.'));
  auto runs = TextRuns(p);
  ASSERT_GE(runs.size(), 4u);
  EXPECT_EQ(runs[0]->text, "Invalid application path:");
  EXPECT_TRUE(runs[0]->bold);
  EXPECT_TRUE(runs[0]->hasColor);
  EXPECT_EQ(runs[0]->color, 0xFF0000u);
  EXPECT_EQ(runs[1]->text, " ");  // inside FONT, outside B
  EXPECT_FALSE(runs[1]->bold);
  EXPECT_TRUE(runs[1]->hasColor);
  EXPECT_EQ(runs[2]->text, "Set to ");
  EXPECT_FALSE(runs[2]->hasColor);
  EXPECT_EQ(runs[3]->text, "Delete");
  EXPECT_TRUE(runs[3]->bold);
  EXPECT_EQ(runs[3]->param, 0);
  // The escaped "<b>" of the key path is text, not a tag: nothing after it is bold.
  for (size_t i = 4; i < runs.size(); ++i) EXPECT_FALSE(runs[i]->bold) << runs[i]->text;

  auto params = ListParams(line);
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(params[0].href, "list3");
  EXPECT_EQ(params[0].text, "Delete");
  EXPECT_EQ(params[0].choices, (std::vector<std::string>{"Delete", "Ignore", "Always Ignore"}));
}

TEST(MarkupParse, EmptySectionLine) {
  ParsedMarkup p = Parse(EmptySectionLine("Sounds"));
  EXPECT_EQ(PlainText(p),
            "\nCould not find any invalid entries in the Sounds section of your registry");
  auto runs = TextRuns(p);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_TRUE(runs[1]->bold);
  EXPECT_EQ(runs[1]->text, "Sounds");
  for (const markup::Run* r : runs) EXPECT_TRUE(r->centred);
}

TEST(MarkupParse, ReplaceKeepsEveryOtherByte) {
  const std::string line = ProblemLine("Invalid shared file", 12, "Delete", "K&lt;", "v", "d");
  std::string expected = line;
  expected.replace(expected.find(">Delete</A>"), 11, ">Ignore</A>");
  EXPECT_EQ(ReplaceParamText(line, 0, "Ignore"), expected);
  EXPECT_EQ(ListParams(expected)[0].text, "Ignore");
  EXPECT_EQ(ReplaceParamText(line, 1, "Ignore"), line);
  EXPECT_EQ(ReplaceParamText(line, -1, "Ignore"), line);

  // The new text is escaped: a choice cannot add markup.
  std::string injected = ReplaceParamText(line, 0, "<b>x</b>&");
  EXPECT_EQ(ListParams(injected)[0].text, "<b>x</b>&");
  EXPECT_NE(PlainText(injected).find("Set to <b>x</b>&\n"), std::string::npos);
}

TEST(MarkupParse, AnchorsAndParameters) {
  // Names are case-insensitive, values may be unquoted or single-quoted.
  auto params = ListParams(
      "<A HREF='l1' CLASS=list PROPS=a|b>x</a> <a href=plain>link</A>"
      "<a class=\"LIST\" props=\"\"></a>");
  ASSERT_EQ(params.size(), 2u);
  EXPECT_EQ(params[0].href, "l1");
  EXPECT_EQ(params[0].choices, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(params[1].text, "");
  EXPECT_TRUE(params[1].choices.empty());

  // An empty parameter shows "?", and stops doing so once it has a text.
  const std::string empty = "Set to <a href=\"list0\" class=\"LIST\" props=\"Delete|Ignore\"></a>.";
  ParsedMarkup p = Parse(empty);
  EXPECT_EQ(PlainText(p), "Set to ?.");
  auto runs = TextRuns(p);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_TRUE(runs[1]->placeholder);
  EXPECT_EQ(runs[1]->param, 0);
  EXPECT_EQ(PlainText(ReplaceParamText(empty, 0, "Delete")), "Set to Delete.");

  // An unclosed anchor ends at the next anchor or at the end of the input.
  const std::string open = "<a class=LIST>one<a class=LIST props=x|y>two";
  params = ListParams(open);
  ASSERT_EQ(params.size(), 2u);
  EXPECT_EQ(params[0].text, "one");
  EXPECT_EQ(params[1].text, "two");
  EXPECT_EQ(ReplaceParamText(open, 0, "Z"), "<a class=LIST>Z<a class=LIST props=x|y>two");
  EXPECT_EQ(ReplaceParamText(open, 1, "y"), "<a class=LIST>one<a class=LIST props=x|y>y");

  // Nested tags inside a parameter are part of its content and replaced with it.
  EXPECT_EQ(ReplaceParamText("<a class=LIST><b>D</b>el</a>!", 0, "I"), "<a class=LIST>I</a>!");
  // Entities in attribute values are decoded.
  EXPECT_EQ(ListParams("<a class=LIST href=\"a&amp;b\" props=\"&lt;x&gt;|y\">v</a>")[0].href,
            "a&b");
}

TEST(MarkupParse, TextEntitiesAndStrayCharacters) {
  EXPECT_EQ(PlainText("&lt;&gt;&amp;&quot;&#65;&#x42;&nbsp;&bogus;&#0;&#999;&;&"),
            "<>&\"AB &bogus;&#0;&#999;&;&");
  // "<" not followed by a letter or "/" is text; "<<x>" is text then an unknown tag.
  EXPECT_EQ(PlainText("a < b <3 <<x> </ c"), "a < b <3 < </ c");
  // A tag never closed by ">" is text.
  EXPECT_EQ(PlainText("abc<b def"), "abc<b def");
  EXPECT_EQ(PlainText("<i>x</i><table border=1>y</TABLE><!-- c -->z"), "xyz");
  // Control characters show as spaces; NUL bytes too.
  EXPECT_EQ(PlainText(std::string("a\tb\r\nc\0d", 8)), "a b  c d");
  // A break that ends the item opens no empty line; two open one.
  EXPECT_EQ(PlainText("a<br>"), "a");
  EXPECT_EQ(PlainText("a<br><BR/><br />b"), "a\n\n\nb");
  EXPECT_EQ(EscapeText("<a href=\"x\">&</a>"), "&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;");
}

TEST(MarkupParse, StylesNestAndTolerateStrayCloses) {
  ParsedMarkup p = Parse(
      "</b></font></p><b><b>x</b>y</b>z<font color=\"#00ff00\">g<FONT COLOR=#00F>b</font>"
      "g</font>n<font color=\"zzz\">i</font><p align=CENTER>c</p>l");
  auto runs = TextRuns(p);
  ASSERT_EQ(runs.size(), 8u);
  EXPECT_EQ(runs[0]->text, "xy");
  EXPECT_TRUE(runs[0]->bold);
  EXPECT_EQ(runs[1]->text, "z");
  EXPECT_FALSE(runs[1]->bold);
  EXPECT_EQ(runs[2]->color, 0x00FF00u);
  EXPECT_EQ(runs[3]->color, 0x0000FFu);
  EXPECT_EQ(runs[4]->text, "g");
  EXPECT_EQ(runs[4]->color, 0x00FF00u);
  EXPECT_EQ(runs[5]->text, "ni");  // a colour we cannot read keeps the current one
  EXPECT_FALSE(runs[5]->hasColor);
  EXPECT_EQ(runs[6]->text, "c");
  EXPECT_TRUE(runs[6]->centred);
  EXPECT_FALSE(runs[7]->centred);
  EXPECT_EQ(PlainText(p), "xyzgbgni\nc\nl");
}

}  // namespace
}  // namespace corvanta::markup
