// Malformed markup, generated deterministically: the parser and layout must
// neither crash nor loop, and what they produce must hang together.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ui/markup/layout.h"
#include "ui/markup/markup.h"

namespace corvanta::markup {
namespace {

class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  uint32_t Next() {  // xorshift64*: the same sequence on every platform
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return static_cast<uint32_t>((s_ * 2685821657736338717ULL) >> 32);
  }
  size_t Below(size_t n) { return n ? Next() % n : 0; }

 private:
  uint64_t s_;
};

const char* const kTokens[] = {
    "<",
    ">",
    "</",
    "/",
    "<a ",
    "<A href=\"",
    "class=LIST ",
    "class=\"list\"",
    "props=\"a|b\"",
    "props=",
    "|",
    "\"",
    "'",
    "=",
    "&",
    "&lt;",
    "&gt;",
    "&amp;",
    "&quot;",
    "&#",
    "&#x",
    ";",
    "65",
    "<br>",
    "<BR/>",
    "<p align=center>",
    "<p align=\"center\"",
    "</p>",
    "<p>",
    "<b>",
    "</B>",
    "<font color=#",
    "FF0000",
    "\">",
    "</font>",
    "</a>",
    "</A",
    " ",
    "  ",
    "x",
    "word",
    "\t",
    "\n",
    "<!--",
    "-->",
    "<?",
    "<table>",
    "</",
    "<<",
    ">>",
    "..........",
};

std::string RandomMarkup(Rng& rng, size_t tokens) {
  std::string s;
  for (size_t i = 0; i < tokens; ++i) {
    if (rng.Below(8) == 0) {
      s.push_back(static_cast<char>(rng.Next() & 0xFF));  // any byte, NUL included
    } else {
      s += kTokens[rng.Below(sizeof kTokens / sizeof kTokens[0])];
    }
  }
  return s;
}

int Measure(const std::string& text, bool bold) {
  return static_cast<int>(text.size()) * (bold ? 8 : 6);
}

std::string WithoutBlanks(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\n') out.push_back(c);
  return out;
}

// Everything that must hold for any input.
void CheckInvariants(const std::string& input, int width) {
  ParsedMarkup p = Parse(input);
  for (const Run& r : p.runs) {
    if (r.kind == RunKind::Break) {
      ASSERT_TRUE(r.text.empty());
      continue;
    }
    ASSERT_FALSE(r.text.empty());
    for (char c : r.text) ASSERT_GE(static_cast<unsigned char>(c), 0x20u);
    ASSERT_LT(r.anchor, static_cast<int>(p.anchors.size()));
    ASSERT_LT(r.param, static_cast<int>(p.params.size()));
  }
  for (const Anchor& a : p.anchors) {
    ASSERT_LE(a.contentBegin, a.contentEnd);
    ASSERT_LE(a.contentEnd, input.size());
  }

  ItemLayout l = Layout(p, width, Measure);
  ASSERT_GE(l.lines, 1);
  ASSERT_EQ(l.height, l.lines * 16);
  std::string laidOut;
  for (const Fragment& f : l.fragments) {
    ASSERT_FALSE(f.text.empty());
    ASSERT_GE(f.x, 0);
    ASSERT_LE(f.x + f.width, width - 2);
    ASSERT_LT(f.line, l.lines);
    laidOut += f.text;
  }
  // Wrapping only drops spaces: every other character is laid out, in order.
  ASSERT_EQ(WithoutBlanks(laidOut), WithoutBlanks(PlainText(p)));

  // Replacing a parameter changes that parameter only.
  if (!p.params.empty()) {
    int k = static_cast<int>(p.params.size()) - 1;
    std::vector<ParamInfo> before = ListParams(input);
    std::vector<ParamInfo> after = ListParams(ReplaceParamText(input, k, "Ign<o>re"));
    ASSERT_EQ(after.size(), before.size());
    ASSERT_EQ(after[static_cast<size_t>(k)].text, "Ign<o>re");
    for (int i = 0; i < k; ++i)
      ASSERT_EQ(after[static_cast<size_t>(i)].text, before[static_cast<size_t>(i)].text);
  }
}

TEST(MarkupFuzz, RandomMalformedMarkup) {
  Rng rng(0x5eed);
  for (int i = 0; i < 5000; ++i) {
    std::string input = RandomMarkup(rng, 1 + rng.Below(120));
    int width = 40 + static_cast<int>(rng.Below(600));
    CheckInvariants(input, width);
    if (HasFatalFailure()) {
      ADD_FAILURE() << "input #" << i << ": " << ::testing::PrintToString(input);
      return;
    }
  }
}

TEST(MarkupFuzz, HugeInputsStayLinear) {
  const size_t mb = 1 << 20;
  auto repeat = [&](const std::string& unit) {
    std::string s;
    while (s.size() < mb) s += unit;
    return s;
  };
  Rng rng(42);
  std::string noise(mb, ' ');
  for (char& c : noise) c = static_cast<char>(rng.Next() & 0xFF);
  const std::string inputs[] = {
      repeat("<a "),                           // tags that never close
      repeat("<b>"),                           // nesting a million deep
      repeat("<font color=#00ff00>"),          //
      repeat("<a class=LIST props=\"a|b\">"),  // a million empty parameters
      repeat("&"),
      repeat("&#x4"),
      "<a class=LIST props=\"" + repeat("x|"),  // an attribute value never ended
      repeat("x"),                              // one word of a megabyte
      repeat("<br>"),
      noise,
      RandomMarkup(rng, 200000),
  };
  for (const std::string& input : inputs) {
    CheckInvariants(input, 600);
    if (HasFatalFailure()) {
      ADD_FAILURE() << "input starting " << ::testing::PrintToString(input.substr(0, 40));
      return;
    }
  }
  // Capped layout of a huge item stops early.
  LayoutOptions capped;
  capped.maxLines = 15;
  ItemLayout l = Layout(Parse(repeat("word ")), 300, Measure, capped);
  EXPECT_EQ(l.lines, 15);
  EXPECT_TRUE(l.truncated);
}

}  // namespace
}  // namespace corvanta::markup
