#include "platform/text_convert.h"

#include <gtest/gtest.h>

#include "platform/name_case.h"

namespace corvanta {
namespace {

// One row per kind of text a name or value may hold.
struct TextCase {
  const char* what;
  std::u16string units;
  std::string utf8;
  bool ansi;  // fits Windows-1252
};

TEST(TextConvert, EveryKindOfTextRoundTripsThroughEachForm) {
  const TextCase cases[] = {
      {"ASCII", u"Editor 2.0", "Editor 2.0", true},
      {"Latin-1 and the 0x80 row", u"Caf\u00e9 \u20ac\u0160", "Caf\xc3\xa9 \xe2\x82\xac\xc5\xa0",
       true},
      {"Cyrillic", u"\u0418\u0432\u0430\u043d", "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd", false},
      {"CJK", u"\u5f20\u4e09 Editor", "\xe5\xbc\xa0\xe4\xb8\x89 Editor", false},
      {"astral", u"\U0001F600", "\xf0\x9f\x98\x80", false},
      {"unpaired surrogate", std::u16string(1, char16_t(0xD800)) + u"x", "\xed\xa0\x80x", false},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Utf16ToUtf8(c.units), c.utf8);
    bool exact = false;
    EXPECT_EQ(Utf8ToUtf16(c.utf8, &exact), c.units);
    EXPECT_TRUE(exact);
    EXPECT_TRUE(IsUtf8(c.utf8));
    const std::string le = Utf8ToUtf16Le(c.utf8);
    EXPECT_EQ(Utf16LeToUtf8(reinterpret_cast<const unsigned char*>(le.data()), le.size()), c.utf8);
    EXPECT_EQ(FitsAnsi(c.utf8), c.ansi);
    if (c.ansi) {
      EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(c.utf8)), c.utf8);
    }
  }
  // Bytes that are no UTF-8 (a stray continuation, an overlong slash, a cut
  // sequence) are not taken for text.
  for (const std::string bad : {"\x80", "\xc0\xaf", "a\xe5\xbc"}) {
    bool exact = true;
    Utf8ToUtf16(bad, &exact);
    EXPECT_FALSE(exact) << bad;
    EXPECT_FALSE(IsUtf8(bad));
  }
  bool exact = true;
  EXPECT_EQ(Utf8ToAnsi("\xf0\x9f\x98\x80", &exact), "??");
  EXPECT_FALSE(exact);
  // Each bad byte is one U+FFFD, after what the buffer already held.
  std::u16string held = u"x";
  EXPECT_FALSE(AppendUtf8AsUtf16(held, "a\xe5\xbc\xf0\x9f\x98\x80"));
  EXPECT_EQ(held, u"xa\uFFFD\uFFFD\U0001F600");
  const unsigned char odd[] = {'A', 0, 0x34, 0xD8, 'B'};  // a lone high surrogate, half a unit
  EXPECT_EQ(Utf16LeToUtf8(odd, sizeof odd, &exact), "A\xed\xa0\xb4");
  EXPECT_FALSE(exact);
}

TEST(TextConvert, UpperCaseFoldsTheLettersWindowsFolds) {
  EXPECT_EQ(Utf8Upper("caf\xc3\xa9 \xc5\xa1\xc3\xbf"), "CAF\xc3\x89 \xc5\xa0\xc5\xb8");
  EXPECT_EQ(Utf8Upper("\xd0\xb8\xd0\xb2\xd0\xb0\xd0\xbd \xd1\x91"),
            "\xd0\x98\xd0\x92\xd0\x90\xd0\x9d \xd0\x81");
  EXPECT_EQ(Utf8Upper("\xce\xb1\xcf\x82"), "\xce\x91\xce\xa3");
  // Sharp s, dotless i, CJK and bytes that are no UTF-8 stay as they are.
  EXPECT_EQ(Utf8Upper("\xc3\x9f\xc4\xb1\xe5\xbc\xa0\x80"), "\xc3\x9f\xc4\xb1\xe5\xbc\xa0\x80");
}

TEST(TextConvert, AsciiFoldedSearchFindsEachPlaceAndNothingPastTheEnd) {
  const struct {
    const char* text;
    const char* needle;
    std::size_t from, at;
  } cases[] = {
      {"C:\\%WinDir%\\x.exe", "%windir%", 0, 3},
      {"%SYSTEMROOT%", "%systemroot%", 0, 0},
      {"ends in %windi", "%windir%", 0, std::string::npos},
      {"%windir%%WINDIR%", "%windir%", 1, 8},
      {"no percent", "%windir%", 0, std::string::npos},
      {"Path", "path", 0, 0},
      {"xPATH", "path", 0, 1},
      {"\xc3\x89PATH", "path", 0, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindAsciiIgnoreCase(c.text, c.needle, c.from), c.at) << c.text;
  }
  EXPECT_TRUE(EqualsAsciiIgnoreCase("Path", "PATH"));
  EXPECT_FALSE(EqualsAsciiIgnoreCase("Pat", "PATH"));
  EXPECT_FALSE(EqualsAsciiIgnoreCase("\xc3\xa9", "\xc3\x89"));  // only ASCII folds
}

}  // namespace
}  // namespace corvanta
