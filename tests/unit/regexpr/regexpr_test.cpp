#include "regexpr/regexpr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fuzz_pcre2.h"

namespace corvanta {
namespace {

const std::string kResourceIndex = "(?i)((\\.){1}([A-Z0-9]+)(\\\\[0-9]))";
const std::string kDrivePath =
    "(?i)(([A-Z]{1}:\\\\)([_A-Z\\-0-9\\\\~\\.\\+ \xC2\xAE!]+)((\\.)+([A-Z0-9]+)))";

struct Span {
  bool matched = false;
  std::ptrdiff_t pos = -1;
  std::ptrdiff_t len = -1;
  bool operator==(const Span& o) const {
    return matched == o.matched && pos == o.pos && len == o.len;
  }
};

std::ostream& operator<<(std::ostream& os, const Span& s) {
  if (!s.matched) return os << "no match";
  return os << "match at " << s.pos << " length " << s.len;
}

// The reference: PCRE2 in UTF-8 mode (the fuzz harnesses' oracle), its spans
// as Span.
class Pcre2 {
 public:
  explicit Pcre2(const std::string& pattern) : ref_(pattern) {}
  bool ok() const { return ref_.ok(); }
  Span Exec(const std::string& s) {
    EXPECT_GE(ref_.Exec(s), 0) << "pcre2 error";
    return Group(0);
  }
  // Group n of the last successful Exec.
  Span Group(int n) const {
    Span r;
    ref_.Group(n, &r.pos, &r.len);
    r.matched = r.pos >= 0;
    return r;
  }

 private:
  fuzz::Oracle ref_;
};

Span Search(TRegExpr& re, const std::string& s) {
  Span r;
  r.matched = re.Exec(s);
  r.pos = re.MatchPos(0);
  r.len = re.MatchLen(0);
  return r;
}

std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

// Registry-like texts: paths, quotes, lists, parameters, stray high bytes and
// long runs of one token, which is where a backtracking engine suffers.
std::string RegistryText(std::mt19937& rng) {
  static const std::vector<std::string> tokens = {"C:\\",
                                                  "c:\\",
                                                  "G:\\",
                                                  "D:",
                                                  "Z:\\\\",
                                                  "\\",
                                                  "\\\\",
                                                  ".",
                                                  "..",
                                                  "exe",
                                                  "DLL",
                                                  "tlb",
                                                  "\\2",
                                                  "\\x",
                                                  "Program Files",
                                                  "system32",
                                                  "a",
                                                  "Z",
                                                  "_",
                                                  "-",
                                                  "~",
                                                  "+",
                                                  "!",
                                                  " ",
                                                  "\xAE",
                                                  "\xC2\xAE",
                                                  "\xC3\xA9",
                                                  "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD",
                                                  "\xE7\x94\xA8\xE6\x88\xB7",
                                                  "\xF0\x9F\x98\x80",
                                                  "\xE7\x94",
                                                  "\xE9",
                                                  "\x80",
                                                  "\xFF",
                                                  "\"",
                                                  "'",
                                                  ";",
                                                  ",",
                                                  "(",
                                                  ")",
                                                  "%",
                                                  "/",
                                                  ":",
                                                  "0",
                                                  "9",
                                                  "%SystemRoot%",
                                                  "rundll32.exe",
                                                  "app.exe",
                                                  "x.tlb\\2",
                                                  "\n",
                                                  "#",
                                                  "&",
                                                  "="};
  std::uniform_int_distribution<int> count(0, 24);
  std::uniform_int_distribution<std::size_t> pick(0, tokens.size() - 1);
  std::uniform_int_distribution<int> percent(0, 99);
  std::string s;
  int n = count(rng);
  for (int i = 0; i < n; ++i) {
    const std::string& t = tokens[pick(rng)];
    if (percent(rng) < 4) {
      std::uniform_int_distribution<int> run(20, 400);
      for (int k = run(rng); k > 0; --k) s += t;
    } else {
      s += t;
    }
  }
  return s;
}

TEST(RegExprTest, ProgramPatternsAgreeWithPcre2OnGeneratedTexts) {
  std::mt19937 rng(20261208);
  for (const std::string& pattern : {kResourceIndex, kDrivePath}) {
    Pcre2 ref(pattern);
    ASSERT_TRUE(ref.ok());
    TRegExpr re;
    re.SetExpression(pattern);
    int matches = 0;
    for (int i = 0; i < 6000; ++i) {
      std::string s = RegistryText(rng);
      Span want = ref.Exec(s);
      ASSERT_EQ(Search(re, s), want) << Printable(pattern) << " on " << Printable(s);
      if (want.matched) {
        ++matches;
        EXPECT_EQ(re.Match(0), s.substr(want.pos, want.len));
        for (int g = 1; g <= re.SubExprMatchCount(); ++g) {
          Span got{re.MatchPos(g) >= 0, re.MatchPos(g), re.MatchLen(g)};
          ASSERT_EQ(got, ref.Group(g)) << "group " << g << " on " << Printable(s);
        }
      }
    }
    EXPECT_GT(matches, 300) << "the generator should produce plenty of matches";
  }
}

TEST(RegExprTest, GenericSyntaxAgreesWithPcre2) {
  const std::vector<std::string> patterns = {"a",
                                             "ab|a",
                                             "a|ab",
                                             "(a|ab)(c|bcd)(d*)",
                                             "a*b",
                                             "a+?b",
                                             "a*?",
                                             "(ab)+",
                                             "(a|b)*c",
                                             "a{2}",
                                             "a{2,}",
                                             "a{1,3}b",
                                             "a{0,2}?a",
                                             "x{2,3}",
                                             "[a-c]+",
                                             "[^a]+",
                                             "[]a]",
                                             "[^]a]b",
                                             "[a\\-]+",
                                             "\\.\\\\",
                                             "(?i)AB+",
                                             "a(?i)b|c",
                                             "(?i:a)b",
                                             "((?i)a)b",
                                             "[[:alpha:]]+",
                                             "\\d\\w\\s",
                                             "\\Bb",
                                             "\\bb",
                                             "^a",
                                             "b$",
                                             "(?m)^b",
                                             "(?m)a$",
                                             ".+",
                                             "(?s).+",
                                             "a{,2}",
                                             "a{x}",
                                             "\\x41|\\x{62}",
                                             "(a*)+b",
                                             "(a|)+b",
                                             "(a|)*",
                                             "(a?)*?b",
                                             "(a?"
                                             "?)*",  // "??)" would read as a trigraph
                                             "(?:a?"
                                             "?)*b?",
                                             "(a*?|b)*",
                                             "(a|b|)+c",
                                             "(?:(a)|b)*c",
                                             "(?:a|b)?c?",
                                             "[\\x80-\\xff]+",
                                             "(?i)\xC3\xA9+",
                                             "(?i)[\xD0\xB0-\xD1\x8F]+",
                                             "[^\xD0\xB6]+",
                                             "\\x{436}|\\x{1F600}.",
                                             "[\xC2\xAE-\\x{4E2D}]+",
                                             "\\W+",
                                             "\\S\\D",
                                             "a.c",
                                             "(?#note)a"};
  const std::vector<std::string>& alphabet = fuzz::TextAlphabet();
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> len(0, 14);
  for (const std::string& p : patterns) {
    Pcre2 ref(p);
    ASSERT_TRUE(ref.ok()) << p;
    TRegExpr re;
    re.SetExpression(p);
    for (int i = 0; i < 400; ++i) {
      std::string s;
      for (int k = len(rng); k > 0; --k) s += alphabet[pick(rng)];
      ASSERT_EQ(Search(re, s), ref.Exec(s)) << p << " on " << Printable(s);
      // Groups of a loop whose body can match empty may differ when two
      // iterations meet in one thread; match 0 never does.
      if (p == "(a*)+b" || p == "(a|)+b" || p == "(a|)*" || p == "(a?)*?b" || p == "(a|b|)+c" ||
          p == "(a?"
               "?)*" ||
          p == "(a*?|b)*") {
        continue;
      }
      for (int g = 1; g <= re.SubExprMatchCount(); ++g) {
        Span got{re.MatchPos(g) >= 0, re.MatchPos(g), re.MatchLen(g)};
        ASSERT_EQ(got, ref.Group(g)) << p << " group " << g << " on " << Printable(s);
      }
    }
  }
}

TEST(RegExprTest, WorkedReadingsOfTheFileReferenceCheck) {
  TRegExpr re;
  re.SetExpression(kDrivePath);

  ASSERT_TRUE(re.Exec("\"C:\\Program Files\\App\\app.exe\" /min"));
  EXPECT_EQ(re.Match(), "C:\\Program Files\\App\\app.exe");
  EXPECT_EQ(re.MatchPos(), 1);

  EXPECT_FALSE(re.Exec("C:\\Program Files (x86)\\App\\app.exe"));
  EXPECT_FALSE(re.Exec("%SystemRoot%\\system32\\gone.dll"));
  ASSERT_TRUE(re.Exec("C:\\WINDOWS\\system32\\gone.dll"));
  EXPECT_EQ(re.Match(), "C:\\WINDOWS\\system32\\gone.dll");
  ASSERT_TRUE(re.Exec("c:\\old\\gone.exe"));
  EXPECT_EQ(re.Match(), "c:\\old\\gone.exe");
  ASSERT_TRUE(re.Exec("G:\\old\\gone.exe"));
  EXPECT_EQ(re.Match(), "G:\\old\\gone.exe");
  EXPECT_FALSE(re.Exec("C:\\Data\\archive"));
  ASSERT_TRUE(re.Exec("C:\\Backup.old"));
  EXPECT_EQ(re.Match(), "C:\\Backup.old");

  // Only the first drive path counts; the class stops at the second ":".
  ASSERT_TRUE(re.Exec("C:\\present.exe C:\\gone.exe"));
  EXPECT_EQ(re.Match(), "C:\\present.exe");
  // Greedy class, then giving back to the last dot with an extension.
  ASSERT_TRUE(re.Exec("C:\\app\\a.b.c d"));
  EXPECT_EQ(re.Match(), "C:\\app\\a.b.c");
  ASSERT_TRUE(re.Exec("x C:\\dir\\file.txt, y"));
  EXPECT_EQ(re.Match(2), "C:\\");
  EXPECT_EQ(re.Match(3), "dir\\file");
  EXPECT_EQ(re.Match(4), ".txt");
  EXPECT_EQ(re.Match(6), "txt");
  EXPECT_EQ(re.MatchPos(6), 14);
  // The registered sign is in the path class, other characters above ASCII
  // are not.
  ASSERT_TRUE(re.Exec("C:\\Brand\xC2\xAE Tools\\x.exe"));
  EXPECT_EQ(re.MatchLen(), 22);
  EXPECT_FALSE(re.Exec("C:\\Caf\xC3\xA9\\x.exe"));

  re.SetExpression(kResourceIndex);
  ASSERT_TRUE(re.Exec("C:\\Windows\\system32\\x.tlb\\2"));
  EXPECT_EQ(re.Match(), ".tlb\\2");
  EXPECT_FALSE(re.Exec("C:\\Windows\\system32\\x.tlb"));
  EXPECT_EQ(re.Match(), "");
  EXPECT_EQ(re.MatchPos(), -1);
  EXPECT_EQ(re.MatchLen(), -1);
}

// Text is UTF-8, matched a character at a time; a byte that is no UTF-8 is
// a character of its own that no class member matches.
TEST(RegExprTest, Utf8Characters) {
  struct Case {
    const char* pattern;
    const char* text;
    std::ptrdiff_t pos;  // -1: no match
    std::ptrdiff_t len;
  };
  const Case cases[] = {
      {".", "\xD0\x96", 0, 2},
      {"^.$", "\xF0\x9F\x98\x80", 0, 4},
      {"^..$", "\xC3\xA9", -1, -1},
      {"[^a]", "\xE4\xB8\xAD", 0, 3},
      {"\\W\\w", "\xC3\xA9x", 0, 3},
      {"[\\x{430}-\\x{44F}]+", "x\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBDy", 1, 8},
      {"[\xC2\xAE-\\x{4E2D}]+", "\xC2\xA9\xC2\xAE\xE4\xB8\xAD\xE4\xB8\xAE", 2, 5},
      // Never a start inside a character: the A9 of "\xC3\xA9" is no character.
      {"[^\\x{E9}]", "\xC3\xA9", -1, -1},
      {"\\x{A9}", "\xC3\xA9", -1, -1},
      // Case folds as names do, beyond ASCII too.
      {"(?i)\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD", "C:\\\xD0\x98\xD0\x92\xD0\x90\xD0\x9D", 3, 8},
      {"(?i)[\xD0\xB0-\xD1\x8F]+", "\xD0\x98\xD0\xB2!", 0, 4},
      {"(?i)[^\xD0\xB6]", "\xD0\x96x", 2, 1},
      {"(?i)\xC3\xBF", "\xC5\xB8", 0, 2},
      {"(?i)\xC3\xA9", "\xC3\x89", 0, 2},
      {"\xC3\xA9", "\xC3\x89", -1, -1},
      {"(?i)\xE7\x94\xA8", "\xE7\x94\xA8", 0, 3},
      // Bytes that are no UTF-8: "." and negated classes take one each,
      // members never, the same byte in the pattern does.
      {".", "\xE9", 0, 1},
      {"..", "\xC3", -1, -1},
      {".\\(", "\xC3(", 0, 2},
      {"[\\x{E9}]", "\xE9", -1, -1},
      {"[\xC3\xA9]", "\xE9", -1, -1},
      {"[^\xC3\xA9]", "\xE9", 0, 1},
      {"\\W", "\xE0\x80\x80", 0, 1},
      {"\xE9",
       "\xC3\xA9"
       "a\xE9",
       3, 1},
      {"(?i)a\xE9", "A\xE9", 0, 2},
      {"x.y", "x\xED\xA0\x80y", 0, 5},  // a lone surrogate (WTF-8) is one character
  };
  TRegExpr re;
  for (const Case& c : cases) {
    // The same pattern with an assertion that never holds runs the VM
    // instead of the DFA: both must agree.
    for (const std::string& p :
         {std::string(c.pattern), "(?:" + std::string(c.pattern) + ")|\\b\\B"}) {
      re.SetExpression(p);
      const bool matched = re.Exec(c.text);
      EXPECT_EQ(matched, c.pos >= 0) << Printable(p) << " on " << Printable(c.text);
      EXPECT_EQ(re.MatchPos(), c.pos) << Printable(p) << " on " << Printable(c.text);
      EXPECT_EQ(re.MatchLen(), c.len) << Printable(p) << " on " << Printable(c.text);
    }
  }
}

TEST(RegExprTest, InterfaceBehaviour) {
  TRegExpr re;
  EXPECT_THROW(re.Exec("abc"), RegExprError);

  re.SetExpression("(a)|(b)");
  EXPECT_EQ(re.Expression(), "(a)|(b)");
  EXPECT_EQ(re.SubExprMatchCount(), 2);
  ASSERT_TRUE(re.Exec("xb"));
  EXPECT_EQ(re.Match(1), "");
  EXPECT_EQ(re.MatchPos(1), -1);
  EXPECT_EQ(re.Match(2), "b");
  EXPECT_EQ(re.MatchPos(2), 1);
  EXPECT_EQ(re.Match(7), "");
  EXPECT_EQ(re.MatchLen(-1), -1);

  // Empty pattern and empty text.
  re.SetExpression("");
  ASSERT_TRUE(re.Exec(""));
  EXPECT_EQ(re.MatchPos(), 0);
  EXPECT_EQ(re.MatchLen(), 0);

  // Switching back and forth keeps each program's own behaviour.
  for (int i = 0; i < 3; ++i) {
    re.SetExpression(kResourceIndex);
    EXPECT_FALSE(re.Exec("C:\\a\\b.exe"));
    re.SetExpression(kDrivePath);
    EXPECT_TRUE(re.Exec("C:\\a\\b.exe"));
  }

  // A rejected pattern leaves the previous one in effect.
  EXPECT_THROW(re.SetExpression("(unclosed"), RegExprError);
  EXPECT_EQ(re.Expression(), kDrivePath);
  EXPECT_TRUE(re.Exec("C:\\a\\b.exe"));

  // "." stops at a newline; a byte that is no UTF-8 stands for itself.
  re.SetExpression("a.c");
  EXPECT_FALSE(re.Exec("a\nc"));
  re.SetExpression("(?i)\xC4+");
  ASSERT_TRUE(re.Exec("x\xC4\xC4\xE4"));
  EXPECT_EQ(re.MatchLen(), 2);
}

TEST(RegExprTest, MalformedPatternsAreRejected) {
  const std::vector<std::string> bad = {"(",       ")",           "a)",
                                        "[abc",    "[]",          "a**",
                                        "*a",      "+",           "?",
                                        "{2}",     "a{3,2}",      "a{70000}",
                                        "\\",      "[a\\",        "(?<n>x)",
                                        "(?=x)",   "(?z)",        "(?i",
                                        "\\1",     "\\q",         "[z-a]",
                                        "[a-\\d]", "[[:bogus:]]", "a++",
                                        "(?#open", "\\x{110000}", "(a{1000}){1000}",
                                        "[a-\xFF]"};
  TRegExpr re;
  for (const std::string& p : bad) {
    EXPECT_THROW(re.SetExpression(p), RegExprError) << p;
  }
  // Deep nesting is refused instead of exhausting the stack.
  EXPECT_THROW(re.SetExpression(std::string(100000, '(')), RegExprError);
  EXPECT_THROW(re.SetExpression(std::string(5000, '(') + "a" + std::string(5000, ')')),
               RegExprError);
  EXPECT_NO_THROW(re.SetExpression(std::string(50, '(') + "a" + std::string(50, ')')));
}

TEST(RegExprTest, HugeInputsComplete) {
  const std::size_t kTen = 10u * 1000u * 1000u;
  TRegExpr re;
  re.SetExpression(kDrivePath);

  std::string path = "C:\\" + std::string(kTen, 'a');
  EXPECT_FALSE(re.Exec(path));
  path += ".exe";
  ASSERT_TRUE(re.Exec(path));
  EXPECT_EQ(re.MatchPos(), 0);
  EXPECT_EQ(re.MatchLen(), static_cast<std::ptrdiff_t>(path.size()));

  // Many dots: every one of them is a place the extension might start.
  std::string dotted = "C:\\";
  while (dotted.size() < kTen) dotted += "a.b\\.";
  ASSERT_TRUE(re.Exec(dotted + "("));
  EXPECT_EQ(re.MatchLen(), static_cast<std::ptrdiff_t>(dotted.size()) - 2);

  std::string drives;
  while (drives.size() < kTen) drives += "C:\\x C:\\";
  EXPECT_FALSE(re.Exec(drives));

  std::mt19937 rng(1);
  std::string noise(kTen, '\0');
  for (char& c : noise) c = static_cast<char>(rng() & 0xFF);
  re.Exec(noise);

  re.SetExpression(kResourceIndex);
  EXPECT_FALSE(re.Exec(std::string(kTen, '.')));
  EXPECT_TRUE(re.Exec(std::string(kTen, '.') + "x\\1"));
  EXPECT_EQ(re.MatchPos(), static_cast<std::ptrdiff_t>(kTen) - 1);

  re.SetExpression("(a|aa)*b");
  EXPECT_FALSE(re.Exec(std::string(kTen, 'a')));

  // Long runs of multi-byte characters, whole and cut.
  std::string cjk;
  while (cjk.size() < kTen / 10) cjk += "\xE7\x94\xA8";
  re.SetExpression("[\\x{4E00}-\\x{9FFF}]+x");
  EXPECT_FALSE(re.Exec(cjk));
  ASSERT_TRUE(re.Exec(cjk + "x"));
  EXPECT_EQ(re.MatchLen(), static_cast<std::ptrdiff_t>(cjk.size()) + 1);
  re.SetExpression("(?i)[^a]*\\xE7z");
  EXPECT_FALSE(re.Exec(cjk.substr(0, cjk.size() - 1)));

  // More distinct thread lists than the DFA keeps: the VM answers.
  std::string ab(20000, 'a');
  for (char& c : ab) c = (rng() & 1) ? 'a' : 'b';
  re.SetExpression("(a|b)*a(a|b){14}c");
  ab[ab.size() - 14] = 'b';
  EXPECT_FALSE(re.Exec(ab + "c"));
  ab[ab.size() - 15] = 'a';
  ASSERT_TRUE(re.Exec(ab + "c"));
  EXPECT_EQ(re.MatchLen(), static_cast<std::ptrdiff_t>(ab.size()) + 1);
}

}  // namespace
}  // namespace corvanta
