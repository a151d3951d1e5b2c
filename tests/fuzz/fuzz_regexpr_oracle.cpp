// libFuzzer entry for the pattern matcher against PCRE2: the input picks a
// pattern from the syntax the program supports and a UTF-8 text over a small
// alphabet of characters that fold alike in both; both engines must find the
// same match 0, and the same groups when
// no group is repeated (the two may then differ legitimately, when two
// iterations of an empty-matching body meet in one thread).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_pcre2.h"
#include "regexpr/regexpr.h"

namespace {

struct Generator {
  FuzzedDataProvider& in;
  bool repeatedGroup = false;
  bool nestedRepeat = false;  // a repeated group inside a repeated group
  bool emptyBody = false;     // a repeated group that can match empty

  std::string Atom(int depth) {
    static const char* const kAtoms[] = {
        "a", "b", "c", "A", ".", "\\.", "\\\\", "[a-c]", "[^a]", "[]a]", "[a\\-]", "\\d", "\\w",
        "\\s", "\\W", "\\x41", "[[:alpha:]]", "^", "$", "\\b", "\\B", "-", " ",
        // Characters of two to four bytes, as literals, escapes and ranges.
        "\xC3\xA9", "\xD0\x96", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\\x{436}",
        "[\xC3\xA0-\xD0\xB6]", "[^\xD0\xB6]", "[a\xC3\xA9\xD0\x96]", "[\\x{80}-\\x{7FF}]",
        "[\\x{800}-\\x{10FFFF}]"};
    constexpr int kAtomCount = sizeof kAtoms / sizeof kAtoms[0];
    const int pick = in.ConsumeIntegralInRange(0, depth > 0 ? kAtomCount + 3 : kAtomCount - 1);
    if (pick < kAtomCount) return kAtoms[pick];
    static const char* const kOpen[] = {"(", "(?:", "(?i:", "(?i)("};
    return std::string(kOpen[pick - kAtomCount]) + Alternation(depth - 1) + ")";
  }

  std::string Quantified(int depth) {
    const bool outside = repeatedGroup;
    repeatedGroup = false;
    std::string atom = Atom(depth);
    const bool inside = repeatedGroup;
    repeatedGroup = outside || inside;
    static const char* const kQuantifiers[] = {"",   "",   "",    "*",    "+",     "?",     "*?",
                                               "+?", "??", "{2}", "{1,}", "{0,2}", "{1,3}?"};
    const std::string q = kQuantifiers[in.ConsumeIntegralInRange<int>(0, 12)];
    // An anchor or word boundary repeated is left bare.
    if (atom == "^" || atom == "$" || atom == "\\b" || atom == "\\B") return atom;
    if (!q.empty() && atom.size() > 1 && atom.back() == ')' && atom[0] == '(') {
      nestedRepeat = nestedRepeat || inside;
      repeatedGroup = true;
      corvanta::fuzz::Oracle empty("^(?:" + atom + ")$");
      emptyBody = emptyBody || !empty.ok() || empty.Exec("") != 0;
    }
    return atom + q;
  }

  std::string Sequence(int depth) {
    std::string s;
    for (int n = in.ConsumeIntegralInRange(1, 4); n > 0; --n) s += Quantified(depth);
    return s;
  }

  std::string Alternation(int depth) {
    std::string s = Sequence(depth);
    while (in.ConsumeBool() && s.size() < 60) s += "|" + Sequence(depth);
    return s;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvanta;
  FuzzedDataProvider in(data, size);
  Generator gen{in};
  std::string pattern = in.ConsumeBool() ? "(?i)" : "";
  pattern += gen.Alternation(3);
  // Bytes that are no UTF-8 match nothing in PCRE2 but are characters of
  // their own here: the text is valid UTF-8 (the scan's harness covers them).
  std::string text;
  for (const uint8_t c : in.ConsumeRemainingBytes<uint8_t>()) {
    text += fuzz::TextAlphabet()[c % fuzz::TextAlphabet().size()];
    if (text.size() >= 64) break;
  }
  fuzz::Oracle oracle(pattern);
  if (!oracle.ok()) return 0;
  TRegExpr re;
  try {
    re.SetExpression(pattern);
  } catch (const RegExprError&) {
    std::abort();  // every generated pattern is of the supported syntax
  }
  // Left out: a repeated group that can match empty, where an iteration
  // that matches empty ends the loop by rules the matcher follows only for a
  // single loop (e.g. (?:((.*?|a)??){1,}){2}(\w*?)a, one byte longer than
  // PCRE2's match).
  if (gen.nestedRepeat || gen.emptyBody) return 0;
  if (!fuzz::Agrees(re, oracle, text, !gen.repeatedGroup)) {
    std::fprintf(stderr, "pattern %s differs from PCRE2 on \"%s\"\n", pattern.c_str(),
                 text.c_str());
    std::abort();
  }
  return 0;
}
