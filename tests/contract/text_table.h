// One table of names and texts for the contract suites: every kind of
// character the ports must carry exactly, in the port's UTF-8 (WTF-8 for the
// unpaired surrogate) and in the UTF-16 the wide API holds.
#pragma once

#include <string>
#include <vector>

namespace corvanta::testing {

struct TextCase {
  const char* label;
  std::string utf8;
  std::u16string utf16;
};

inline const std::vector<TextCase>& TextTable() {
  static const std::vector<TextCase> table = {
      {"ascii", "Plain name", u"Plain name"},
      {"latin1", "Caf\xC3\xA9 \xC3\x84rger", u"Caf\u00E9 \u00C4rger"},
      {"cyrillic", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", u"\u0418\u0432\u0430\u043D"},
      {"cjk", "\xE5\xBC\xA0\xE4\xB8\x89 Editor", u"\u5F20\u4E09 Editor"},
      {"astral", "Smile \xF0\x9F\x98\x80", u"Smile \U0001F600"},
      {"surrogate", "Half \xED\xA0\x80 pair", u"Half \xD800 pair"},
  };
  return table;
}

}  // namespace corvanta::testing
