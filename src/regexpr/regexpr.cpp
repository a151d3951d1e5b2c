#include "regexpr/regexpr.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/text_convert.h"

namespace corvanta {
namespace regexpr_detail {
namespace {

// Patterns come from the program itself and are tiny; these bounds keep a
// hostile one from exhausting the stack while parsing or memory while compiling.
constexpr int kMaxNesting = 100;
constexpr int kMaxCount = 65535;
constexpr std::size_t kMaxProgram = 100000;
constexpr std::size_t kMaxCachedPrograms = 32;

}  // namespace

// Text is UTF-8, matched a character at a time. A byte that starts no valid
// sequence is a character of its own, kInvalidChar + the byte: no code point,
// so only ".", a negated class or that very byte in the pattern matches it.
constexpr std::uint32_t kInvalidChar = 0x110000;
constexpr std::uint32_t kCharEnd = kInvalidChar + 0x100;  // one past the last character

struct ByteSet {
  std::uint64_t w[4] = {0, 0, 0, 0};
  bool Test(unsigned char c) const { return (w[c >> 6] >> (c & 63)) & 1u; }
  void Add(unsigned char c) { w[c >> 6] |= std::uint64_t{1} << (c & 63); }
  void AddRange(int lo, int hi) {
    for (int c = lo; c <= hi; ++c) Add(static_cast<unsigned char>(c));
  }
  void AddSet(const ByteSet& o) {
    for (int i = 0; i < 4; ++i) w[i] |= o.w[i];
  }
  void Invert() {
    for (auto& x : w) x = ~x;
  }
  int Count() const {
    int n = 0;
    for (auto x : w) {
      for (; x; x &= x - 1) ++n;
    }
    return n;
  }
  int First() const {
    for (int c = 0; c < 256; ++c) {
      if (Test(static_cast<unsigned char>(c))) return c;
    }
    return -1;
  }
  bool AnyAbove7F() const { return (w[2] | w[3]) != 0; }
  // The first bytes of the UTF-8 forms of the characters lo..hi.
  void AddLeadBytes(std::uint32_t lo, std::uint32_t hi) {
    struct Band {
      std::uint32_t from, to, shift, mark;
    };
    static const Band kBands[] = {{0, 0x7F, 0, 0},
                                  {0x80, 0x7FF, 6, 0xC0},
                                  {0x800, 0xFFFF, 12, 0xE0},
                                  {0x10000, 0x10FFFF, 18, 0xF0},
                                  {kInvalidChar, kCharEnd - 1, 0, 0}};
    for (const Band& b : kBands) {
      const std::uint32_t a = std::max(lo, b.from);
      const std::uint32_t z = std::min(hi, b.to);
      if (a > z) continue;
      const std::uint32_t base = b.from == kInvalidChar ? kInvalidChar : 0;
      AddRange(static_cast<int>(((a - base) >> b.shift) | b.mark),
               static_cast<int>(((z - base) >> b.shift) | b.mark));
    }
  }
};

// A set of characters (code points and kInvalidChar + byte) as sorted,
// disjoint, inclusive ranges.
struct CharSet {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;

  void Add(std::uint32_t c) { AddRange(c, c); }
  void AddRange(std::uint32_t lo, std::uint32_t hi) {
    ranges.emplace_back(lo, hi);
    Normalize();
  }
  void AddSet(const CharSet& o) {
    ranges.insert(ranges.end(), o.ranges.begin(), o.ranges.end());
    Normalize();
  }
  bool Has(std::uint32_t c) const {
    auto it = std::upper_bound(ranges.begin(), ranges.end(), std::make_pair(c, kCharEnd));
    return it != ranges.begin() && std::prev(it)->second >= c;
  }
  void Invert() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    std::uint32_t next = 0;
    for (const auto& r : ranges) {
      if (r.first > next) out.emplace_back(next, r.first - 1);
      next = r.second + 1;
    }
    if (next < kCharEnd) out.emplace_back(next, kCharEnd - 1);
    ranges = std::move(out);
  }
  // Adds the other case of every member, by the names' folding rule: two
  // characters are one letter when their upper cases are the same.
  void FoldCase() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> added;
    for (const std::vector<std::uint32_t>& group : FoldGroups()) {
      bool hit = false;
      for (std::uint32_t c : group) hit = hit || Has(c);
      if (hit) {
        for (std::uint32_t c : group) added.emplace_back(c, c);
      }
    }
    ranges.insert(ranges.end(), added.begin(), added.end());
    Normalize();
  }
  bool Single() const { return ranges.size() == 1 && ranges[0].first == ranges[0].second; }

 private:
  void Normalize() {
    std::sort(ranges.begin(), ranges.end());
    std::size_t k = 0;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      if (k > 0 && ranges[i].first <= ranges[k - 1].second + 1) {
        ranges[k - 1].second = std::max(ranges[k - 1].second, ranges[i].second);
      } else {
        ranges[k++] = ranges[i];
      }
    }
    ranges.resize(k);
  }
  // The characters that share an upper case, for every upper case shared.
  static const std::vector<std::vector<std::uint32_t>>& FoldGroups() {
    static const std::vector<std::vector<std::uint32_t>> groups = [] {
      std::map<std::uint32_t, std::vector<std::uint32_t>> byUpper;
      for (std::uint32_t c = 0; c < 0x10000; ++c) {
        const std::uint32_t up = UpperCodePoint(c);
        if (up != c) byUpper[up].push_back(c);
      }
      std::vector<std::vector<std::uint32_t>> out;
      for (auto& [up, members] : byUpper) {
        if (UpperCodePoint(up) == up) members.push_back(up);
        out.push_back(std::move(members));
      }
      return out;
    }();
    return groups;
  }
};

// The slot of a character: an ASCII character is its own slot, and the rest
// fall into the classes between the boundaries of the program's sets, whose
// members are all alike for every instruction.
struct Slots {
  std::vector<std::uint32_t> bounds;  // ascending, from 0x80 to kCharEnd
  int width = 128;
  int Of(std::uint32_t c) const {
    if (c < 0x80) return static_cast<int>(c);
    return 127 +
           static_cast<int>(std::upper_bound(bounds.begin(), bounds.end(), c) - bounds.begin());
  }
};

// A set as a bitmap over slots.
struct SlotSet {
  std::vector<std::uint64_t> w;
  bool Test(int slot) const { return (w[static_cast<std::size_t>(slot) >> 6] >> (slot & 63)) & 1u; }
};

// The character at pos (pos < n) and its length in bytes.
inline std::size_t CharAt(const unsigned char* s, std::size_t n, std::size_t pos,
                          std::uint32_t* c) {
  if (s[pos] < 0x80) {
    *c = s[pos];
    return 1;
  }
  std::size_t i = pos;
  if (DecodeUtf8(std::string_view(reinterpret_cast<const char*>(s), n), &i, c)) return i - pos;
  *c = kInvalidChar + s[pos];
  return 1;
}

// Whether pos lies inside a valid multi-byte sequence: no character starts
// there. A lead byte is never a continuation byte, so looking back suffices.
inline bool InsideChar(const unsigned char* s, std::size_t n, std::size_t pos) {
  if (pos >= n || (s[pos] & 0xC0) != 0x80) return false;
  for (std::size_t k = 1; k <= 3 && k <= pos; ++k) {
    const unsigned char c = s[pos - k];
    if ((c & 0xC0) == 0x80) continue;
    std::uint32_t cp = 0;
    return c >= 0xC2 && CharAt(s, n, pos - k, &cp) > k;
  }
  return false;
}

// Progress ends a loop iteration that consumed nothing: when the position is
// still the one saved in slot x, it leaves the loop for y instead of looping.
enum class Op : std::uint8_t { Char, Set, Split, Jmp, Save, Assert, Progress, Match };

enum class AssertKind : std::uint8_t {
  TextStart,       // \A, ^ without (?m)
  LineStart,       // ^ with (?m)
  TextEndOrNl,     // \Z, $ without (?m): end, or before a final newline
  TextEnd,         // \z
  LineEnd,         // $ with (?m)
  WordBoundary,    // \b
  NotWordBoundary  // \B
};

struct Inst {
  Op op;
  std::uint8_t byte = 0;  // Assert: the AssertKind
  int x = 0;              // Char: the character; Set: set index; Split/Jmp: first
                          // target; Save: slot
  int y = 0;              // Split: second (lower-priority) target; Char: its slot
  int next = 0;           // where a non-branching instruction continues
};

// Match 0 of an anchored run without assertions as a DFA built while it runs:
// a state is the VM's ordered thread list at one position, cut after its
// first Match as the VM cuts lower-priority threads there.
struct Dfa {
  static constexpr int kUnbuilt = -1;
  struct State {
    std::vector<int> pcs;  // consuming instructions, in priority order
    bool match = false;    // a Match ends the list
  };
  std::vector<State> states;
  std::vector<int> next;  // states.size() rows of Slots::width entries
  std::map<std::vector<int>, int> ids;
  std::vector<std::uint32_t> mark;
  std::uint32_t gen = 0;
};

struct Program {
  std::vector<Inst> code;
  std::vector<Inst> span_code;  // the same without group saves: match 0 only
  std::vector<CharSet> sets;
  Slots slots_of;
  std::vector<SlotSet> slot_sets;  // sets[i] over the slots
  int groups = 0;                  // capturing groups, group 0 excluded
  int slots = 2;
  ByteSet first;          // bytes that can begin a match
  bool can_skip = false;  // false when a match may be empty
  int single_first = -1;  // the only possible first byte, or -1
  ByteSet second;         // bytes that can follow the first one
  bool use_second = false;
  int single_second = -1;
  bool has_assert = false;  // no DFA: assertions depend on the position
  // An empty iteration leaves its loop (Progress): that decides match 0 as
  // well, so match 0 is then sought with the loop registers, by the VM.
  bool has_progress = false;
  // Built lazily by the one TRegExpr that holds this program.
  mutable std::unique_ptr<Dfa> dfa;
};

// Whether a match of a program that cannot match empty may begin at pos (a
// character's start): its first byte fits, and its second when that is known.
bool MayStartAt(const Program& prog, const unsigned char* s, std::size_t n, std::size_t pos) {
  if (pos >= n || !prog.first.Test(s[pos])) return false;
  return !prog.use_second || (pos + 1 < n && prog.second.Test(s[pos + 1]));
}

// The first position from pos whose byte may begin such a match, n when none.
std::size_t NextByteStart(const Program& prog, const unsigned char* s, std::size_t n,
                          std::size_t pos) {
  if (prog.single_second >= 0) {
    // Look for the rarer second byte ("C:" for a drive path).
    while (pos + 1 < n) {
      const void* hit = std::memchr(s + pos + 1, prog.single_second, n - pos - 1);
      if (!hit) return n;
      std::size_t at = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - s) - 1;
      if (prog.first.Test(s[at])) return at;
      pos = at + 1;
    }
    return n;
  }
  if (prog.single_first >= 0) {
    const void* hit = std::memchr(s + pos, prog.single_first, n - pos);
    return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - s) : n;
  }
  while (pos < n && !prog.first.Test(s[pos])) ++pos;
  return pos;
}

// The same, at the start of a character.
std::size_t NextStart(const Program& prog, const unsigned char* s, std::size_t n, std::size_t pos) {
  for (;; ++pos) {
    pos = NextByteStart(prog, s, n, pos);
    if (!InsideChar(s, n, pos)) return pos;
  }
}

// Per-Exec working memory, kept between calls to avoid reallocating.
struct ThreadList {
  std::vector<int> pcs;
  std::vector<std::ptrdiff_t> caps;
  std::vector<std::uint32_t> mark;
  std::uint32_t gen = 0;
  int count = 0;
};

struct Frame {
  int pc;
  int slot;  // >= 0: restore caps[slot] = value instead of exploring pc
  std::ptrdiff_t value;
};

struct Scratch {
  ThreadList lists[2];
  std::vector<std::ptrdiff_t> work;
  std::vector<std::ptrdiff_t> best;
  std::vector<Frame> stack;
};

namespace {

// ---------------------------------------------------------------- parsing

struct Node {
  enum Kind { Empty, Bytes, Concat, Alt, Group, Repeat, Assert } kind = Empty;
  std::vector<Node> kids;
  int set = -1;
  int group = -1;  // capturing group number, -1 for (?:...)
  int min = 0;
  int max = 0;  // -1 = unbounded
  bool greedy = true;
  AssertKind assert_kind = AssertKind::TextStart;
};

struct Flags {
  bool icase = false;
  bool multiline = false;
  bool dotall = false;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAlnum(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

CharSet DigitSet() {
  CharSet s;
  s.AddRange('0', '9');
  return s;
}
CharSet WordSet() {
  CharSet s;
  s.AddRange('0', '9');
  s.AddRange('A', 'Z');
  s.AddRange('a', 'z');
  s.Add('_');
  return s;
}
CharSet SpaceSet() {
  CharSet s;
  s.AddRange('\t', '\r');  // \t \n \v \f \r
  s.Add(' ');
  return s;
}

class Parser {
 public:
  Parser(const std::string& pattern, Program& prog) : p_(pattern), prog_(prog) {}

  Node Parse() {
    Node n = ParseAlt(0);
    if (pos_ < p_.size()) Fail("unmatched )");
    return n;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw RegExprError("regular expression error at offset " + std::to_string(pos_) + ": " + what);
  }
  bool AtEnd() const { return pos_ >= p_.size(); }
  char Peek() const { return p_[pos_]; }

  int AddSet(const CharSet& s) {
    prog_.sets.push_back(s);
    return static_cast<int>(prog_.sets.size()) - 1;
  }
  Node BytesNode(CharSet s) {
    if (flags_.icase) s.FoldCase();
    Node n;
    n.kind = Node::Bytes;
    n.set = AddSet(s);
    return n;
  }
  Node CharNode(std::uint32_t c) {
    CharSet s;
    s.Add(c);
    return BytesNode(s);
  }
  // The pattern's character that begins with the byte just read (a byte that
  // is no UTF-8 stands for itself).
  std::uint32_t PatternChar() {
    const std::size_t at = pos_ - 1;
    const auto b = static_cast<unsigned char>(p_[at]);
    if (b < 0x80) return b;
    std::size_t i = at;
    std::uint32_t c = 0;
    if (!DecodeUtf8(p_, &i, &c)) return kInvalidChar + b;
    pos_ = i;
    return c;
  }
  Node AssertNode(AssertKind k) {
    Node n;
    n.kind = Node::Assert;
    n.assert_kind = k;
    return n;
  }

  Node ParseAlt(int depth) {
    if (depth > kMaxNesting) Fail("groups nested too deeply");
    Node alt;
    alt.kind = Node::Alt;
    alt.kids.push_back(ParseConcat(depth));
    while (!AtEnd() && Peek() == '|') {
      ++pos_;
      alt.kids.push_back(ParseConcat(depth));
    }
    if (alt.kids.size() == 1) return std::move(alt.kids[0]);
    return alt;
  }

  Node ParseConcat(int depth) {
    Node cat;
    cat.kind = Node::Concat;
    while (!AtEnd() && Peek() != '|' && Peek() != ')') {
      Node atom;
      if (!ParseAtom(depth, atom)) continue;  // a flag setting such as (?i)
      ParseQuantifiers(atom);
      cat.kids.push_back(std::move(atom));
    }
    if (cat.kids.size() == 1) return std::move(cat.kids[0]);
    return cat;
  }

  // Reads "{n}", "{n,}" or "{n,m}" at pos_; anything else is a literal brace.
  bool TryCount(int& min, int& max) {
    std::size_t i = pos_ + 1;
    auto number = [&](int& out) {
      if (i >= p_.size() || !IsDigit(p_[i])) return false;
      long v = 0;
      while (i < p_.size() && IsDigit(p_[i])) {
        v = v * 10 + (p_[i] - '0');
        if (v > kMaxCount) v = kMaxCount + 1;
        ++i;
      }
      out = static_cast<int>(v);
      return true;
    };
    int lo = 0;
    int hi = 0;
    if (!number(lo)) return false;
    if (i < p_.size() && p_[i] == '}') {
      hi = lo;
    } else if (i < p_.size() && p_[i] == ',') {
      ++i;
      if (i < p_.size() && p_[i] == '}') {
        hi = -1;
      } else if (!number(hi) || i >= p_.size() || p_[i] != '}') {
        return false;
      }
    } else {
      return false;
    }
    if (lo > kMaxCount || hi > kMaxCount) Fail("number too big in {} quantifier");
    if (hi >= 0 && hi < lo) Fail("numbers out of order in {} quantifier");
    pos_ = i + 1;
    min = lo;
    max = hi;
    return true;
  }

  void ParseQuantifiers(Node& atom) {
    bool quantified = false;
    while (!AtEnd()) {
      int min = 0;
      int max = 0;
      char c = Peek();
      if (c == '*') {
        min = 0, max = -1, ++pos_;
      } else if (c == '+') {
        min = 1, max = -1, ++pos_;
      } else if (c == '?') {
        min = 0, max = 1, ++pos_;
      } else if (c == '{') {
        if (!TryCount(min, max)) return;
      } else {
        return;
      }
      if (quantified) Fail("quantifier follows a quantifier");
      quantified = true;
      bool greedy = true;
      if (!AtEnd() && Peek() == '?') {
        greedy = false;
        ++pos_;
      } else if (!AtEnd() && Peek() == '+') {
        Fail("possessive quantifiers are not supported");
      }
      Node rep;
      rep.kind = Node::Repeat;
      rep.min = min;
      rep.max = max;
      rep.greedy = greedy;
      rep.kids.push_back(std::move(atom));
      atom = std::move(rep);
    }
  }

  // Returns false when the construct produced no atom (inline flags, comment).
  bool ParseAtom(int depth, Node& out) {
    char c = p_[pos_++];
    switch (c) {
      case '(':
        return ParseGroup(depth, out);
      case '[':
        out = ParseClass();
        return true;
      case '.': {
        CharSet s;
        if (!flags_.dotall) s.Add('\n');
        s.Invert();
        Node n;
        n.kind = Node::Bytes;
        n.set = AddSet(s);
        out = std::move(n);
        return true;
      }
      case '^':
        out = AssertNode(flags_.multiline ? AssertKind::LineStart : AssertKind::TextStart);
        return true;
      case '$':
        out = AssertNode(flags_.multiline ? AssertKind::LineEnd : AssertKind::TextEndOrNl);
        return true;
      case '\\':
        out = ParseEscape();
        return true;
      case '*':
      case '+':
      case '?':
        --pos_;
        Fail("quantifier does not follow a repeatable item");
      case '{': {
        --pos_;
        int a = 0;
        int b = 0;
        if (TryCount(a, b)) Fail("quantifier does not follow a repeatable item");
        ++pos_;
        out = CharNode('{');
        return true;
      }
      default:
        out = CharNode(PatternChar());
        return true;
    }
  }

  bool ParseFlags(Flags& f) {
    // At the first flag letter; stops at ')' or ':' without consuming it.
    bool negate = false;
    while (!AtEnd() && Peek() != ')' && Peek() != ':') {
      char c = p_[pos_++];
      switch (c) {
        case '-':
          if (negate) Fail("invalid inline option");
          negate = true;
          break;
        case 'i':
          f.icase = !negate;
          break;
        case 'm':
          f.multiline = !negate;
          break;
        case 's':
          f.dotall = !negate;
          break;
        default:
          --pos_;
          Fail("unsupported inline option");
      }
    }
    if (AtEnd()) Fail("missing )");
    return Peek() == ':';
  }

  bool ParseGroup(int depth, Node& out) {
    int group = -1;
    Flags saved = flags_;
    if (!AtEnd() && Peek() == '?') {
      ++pos_;
      if (AtEnd()) Fail("missing )");
      char c = Peek();
      if (c == ':') {
        ++pos_;
      } else if (c == '#') {
        while (!AtEnd() && Peek() != ')') ++pos_;
        if (AtEnd()) Fail("missing ) after comment");
        ++pos_;
        return false;
      } else if (c == 'i' || c == 'm' || c == 's' || c == '-') {
        Flags f = flags_;
        bool scoped = ParseFlags(f);
        ++pos_;  // ')' or ':'
        flags_ = f;
        if (!scoped) return false;  // applies to the rest of the enclosing group
      } else {
        Fail("unsupported group construct");
      }
    } else {
      group = ++prog_.groups;
    }
    Node body = ParseAlt(depth + 1);
    if (AtEnd() || Peek() != ')') Fail("missing )");
    ++pos_;
    flags_ = saved;
    Node g;
    g.kind = Node::Group;
    g.group = group;
    g.kids.push_back(std::move(body));
    out = std::move(g);
    return true;
  }

  // An escape that stands for one character; returns -1 when it is not one.
  std::int64_t EscapedChar(char c) {
    switch (c) {
      case 'n':
        return '\n';
      case 'r':
        return '\r';
      case 't':
        return '\t';
      case 'f':
        return '\f';
      case 'v':
        return '\v';
      case 'a':
        return '\a';
      case 'e':
        return 0x1B;
      case 'x': {
        std::int64_t v = 0;
        if (!AtEnd() && Peek() == '{') {
          ++pos_;
          int digits = 0;
          while (!AtEnd() && HexValue(Peek()) >= 0) {
            v = v * 16 + HexValue(p_[pos_++]);
            if (++digits > 6 || v > 0x10FFFF) Fail("character code too big in \\x{}");
          }
          if (AtEnd() || Peek() != '}' || digits == 0) Fail("malformed \\x{...}");
          ++pos_;
          return v;
        }
        for (int i = 0; i < 2 && !AtEnd() && HexValue(Peek()) >= 0; ++i) {
          v = v * 16 + HexValue(p_[pos_++]);
        }
        return v;
      }
      case '0': {
        int v = 0;
        for (int i = 0; i < 2 && !AtEnd() && Peek() >= '0' && Peek() <= '7'; ++i) {
          v = v * 8 + (p_[pos_++] - '0');
        }
        return v;
      }
      default:
        if (!IsAlnum(c)) return PatternChar();
        return -1;
    }
  }

  // \d \w \s and their negations; false when c is none of them.
  static bool ClassEscape(char c, CharSet& s) {
    switch (c) {
      case 'd':
      case 'D':
        s = DigitSet();
        break;
      case 'w':
      case 'W':
        s = WordSet();
        break;
      case 's':
      case 'S':
        s = SpaceSet();
        break;
      default:
        return false;
    }
    if (c >= 'A' && c <= 'Z') s.Invert();
    return true;
  }

  Node ParseEscape() {
    if (AtEnd()) Fail("\\ at end of pattern");
    char c = p_[pos_++];
    CharSet s;
    if (ClassEscape(c, s)) {
      Node n;
      n.kind = Node::Bytes;
      n.set = AddSet(s);  // no folding: these sets are closed under case already
      return n;
    }
    switch (c) {
      case 'b':
        return AssertNode(AssertKind::WordBoundary);
      case 'B':
        return AssertNode(AssertKind::NotWordBoundary);
      case 'A':
        return AssertNode(AssertKind::TextStart);
      case 'z':
        return AssertNode(AssertKind::TextEnd);
      case 'Z':
        return AssertNode(AssertKind::TextEndOrNl);
      default:
        break;
    }
    if (c >= '1' && c <= '9') {
      --pos_;
      Fail("back references are not supported");
    }
    const std::int64_t e = EscapedChar(c);
    if (e < 0) {
      --pos_;
      Fail("unrecognized escape sequence");
    }
    return CharNode(static_cast<std::uint32_t>(e));
  }

  static bool PosixClass(const std::string& name, CharSet& s) {
    if (name == "alpha") {
      s.AddRange('A', 'Z'), s.AddRange('a', 'z');
    } else if (name == "digit") {
      s = DigitSet();
    } else if (name == "alnum") {
      s.AddRange('0', '9'), s.AddRange('A', 'Z'), s.AddRange('a', 'z');
    } else if (name == "word") {
      s = WordSet();
    } else if (name == "space") {
      s = SpaceSet();
    } else if (name == "blank") {
      s.Add(' '), s.Add('\t');
    } else if (name == "upper") {
      s.AddRange('A', 'Z');
    } else if (name == "lower") {
      s.AddRange('a', 'z');
    } else if (name == "xdigit") {
      s.AddRange('0', '9'), s.AddRange('A', 'F'), s.AddRange('a', 'f');
    } else if (name == "punct") {
      s.AddRange('!', '/'), s.AddRange(':', '@'), s.AddRange('[', '`'), s.AddRange('{', '~');
    } else if (name == "cntrl") {
      s.AddRange(0, 31), s.Add(127);
    } else if (name == "print") {
      s.AddRange(32, 126);
    } else if (name == "graph") {
      s.AddRange(33, 126);
    } else {
      return false;
    }
    return true;
  }

  // One class member: a single character (returned) or a whole set (returns -1).
  std::int64_t ClassItem(CharSet& set_out) {
    char c = p_[pos_++];
    if (c == '[' && !AtEnd() && Peek() == ':') {
      std::size_t close = p_.find(":]", pos_ + 1);
      if (close != std::string::npos) {
        bool negate = pos_ + 1 < p_.size() && p_[pos_ + 1] == '^';
        std::string name = p_.substr(pos_ + 1 + negate, close - pos_ - 1 - negate);
        CharSet s;
        if (!PosixClass(name, s)) Fail("unknown POSIX class name");
        if (negate) s.Invert();
        pos_ = close + 2;
        set_out = s;
        return -1;
      }
    }
    if (c != '\\') return PatternChar();
    if (AtEnd()) Fail("\\ at end of pattern");
    char e = p_[pos_++];
    if (ClassEscape(e, set_out)) return -1;
    if (e == 'b') return '\b';
    const std::int64_t b = EscapedChar(e);
    if (b < 0) {
      --pos_;
      Fail("unrecognized escape sequence in character class");
    }
    return b;
  }

  Node ParseClass() {
    CharSet s;
    bool negate = false;
    if (!AtEnd() && Peek() == '^') {
      negate = true;
      ++pos_;
    }
    bool first = true;
    for (;;) {
      if (AtEnd()) Fail("missing terminating ] for character class");
      if (Peek() == ']' && !first) {
        ++pos_;
        break;
      }
      first = false;
      CharSet item;
      const std::int64_t lo = ClassItem(item);
      if (lo < 0) {
        s.AddSet(item);
        continue;
      }
      if (pos_ + 1 < p_.size() && Peek() == '-' && p_[pos_ + 1] != ']') {
        ++pos_;
        CharSet end_set;
        const std::int64_t hi = ClassItem(end_set);
        // A range runs over characters or over bytes that are no UTF-8, not both.
        if (hi < 0 || (lo >= kInvalidChar) != (hi >= kInvalidChar))
          Fail("invalid range in character class");
        if (hi < lo) Fail("range out of order in character class");
        s.AddRange(static_cast<std::uint32_t>(lo), static_cast<std::uint32_t>(hi));
      } else {
        s.Add(static_cast<std::uint32_t>(lo));
      }
    }
    if (flags_.icase) s.FoldCase();
    if (negate) s.Invert();
    Node n;
    n.kind = Node::Bytes;
    n.set = AddSet(s);
    return n;
  }

  const std::string& p_;
  Program& prog_;
  std::size_t pos_ = 0;
  Flags flags_;
};

// --------------------------------------------------------------- compiling

class Compiler {
 public:
  explicit Compiler(Program& prog) : prog_(prog) {}

  void Emit(const Node& n) {
    switch (n.kind) {
      case Node::Empty:
        break;
      case Node::Bytes: {
        const CharSet& s = prog_.sets[n.set];
        if (s.Single()) {
          Add({Op::Char, 0, static_cast<int>(s.ranges[0].first), 0});
        } else {
          Add({Op::Set, 0, n.set, 0});
        }
        break;
      }
      case Node::Concat:
        for (const Node& k : n.kids) Emit(k);
        break;
      case Node::Alt: {
        std::vector<int> jumps;
        for (std::size_t i = 0; i + 1 < n.kids.size(); ++i) {
          int split = Add({Op::Split, 0, 0, 0});
          prog_.code[split].x = Here();
          Emit(n.kids[i]);
          jumps.push_back(Add({Op::Jmp, 0, 0, 0}));
          prog_.code[split].y = Here();
        }
        Emit(n.kids.back());
        for (int j : jumps) prog_.code[j].x = Here();
        break;
      }
      case Node::Group:
        if (n.group >= 0) Add({Op::Save, 0, 2 * n.group, 0});
        Emit(n.kids[0]);
        if (n.group >= 0) Add({Op::Save, 0, 2 * n.group + 1, 0});
        break;
      case Node::Repeat:
        EmitRepeat(n);
        break;
      case Node::Assert:
        Add({Op::Assert, static_cast<std::uint8_t>(n.assert_kind), 0, 0});
        break;
    }
  }

  int Add(Inst i) {
    if (prog_.code.size() >= kMaxProgram) {
      throw RegExprError("regular expression is too large");
    }
    prog_.code.push_back(i);
    return static_cast<int>(prog_.code.size()) - 1;
  }
  int Here() const { return static_cast<int>(prog_.code.size()); }

 private:
  // A split whose preferred branch is the next instruction when greedy.
  int AddSplit(bool greedy, int other) {
    int pc = Add({Op::Split, 0, 0, 0});
    if (greedy) {
      prog_.code[pc].x = pc + 1;
      prog_.code[pc].y = other;
    } else {
      prog_.code[pc].x = other;
      prog_.code[pc].y = pc + 1;
    }
    return pc;
  }
  void SetOther(int split, bool greedy, int target) {
    (greedy ? prog_.code[split].y : prog_.code[split].x) = target;
  }

  static bool Nullable(const Node& n) {
    switch (n.kind) {
      case Node::Empty:
      case Node::Assert:
        return true;
      case Node::Bytes:
        return false;
      case Node::Concat:
        for (const Node& k : n.kids) {
          if (!Nullable(k)) return false;
        }
        return true;
      case Node::Alt:
        for (const Node& k : n.kids) {
          if (Nullable(k)) return true;
        }
        return false;
      case Node::Group:
        return Nullable(n.kids[0]);
      case Node::Repeat:
        return n.min == 0 || Nullable(n.kids[0]);
    }
    return false;
  }

  // One iteration of an unbounded loop. A body that can match empty records
  // where the iteration began, so that an empty iteration leaves the loop with
  // its captures, as a backtracking engine does, instead of dying.
  // Returns the Progress instruction to patch with the loop's exit, or -1.
  int EmitIteration(const Node& body) {
    if (!Nullable(body)) {
      Emit(body);
      return -1;
    }
    int slot = prog_.slots++;
    Add({Op::Save, 0, slot, 0});
    Emit(body);
    return Add({Op::Progress, 0, slot, 0});
  }

  void EmitRepeat(const Node& n) {
    const Node& body = n.kids[0];
    if (n.max < 0) {
      if (n.min == 0) {
        // L: split body, out; body; jmp L
        int split = AddSplit(n.greedy, 0);
        int progress = EmitIteration(body);
        Add({Op::Jmp, 0, split, 0});
        SetOther(split, n.greedy, Here());
        if (progress >= 0) prog_.code[progress].y = Here();
        return;
      }
      for (int i = 0; i < n.min - 1; ++i) Emit(body);
      // L: body; split L, out
      int loop = Here();
      int progress = EmitIteration(body);
      int split = Add({Op::Split, 0, 0, 0});
      prog_.code[split].x = n.greedy ? loop : split + 1;
      prog_.code[split].y = n.greedy ? split + 1 : loop;
      if (progress >= 0) prog_.code[progress].y = Here();
      return;
    }
    for (int i = 0; i < n.min; ++i) Emit(body);
    std::vector<int> splits;
    for (int i = n.min; i < n.max; ++i) {
      splits.push_back(AddSplit(n.greedy, 0));
      Emit(body);
    }
    for (int s : splits) SetOther(s, n.greedy, Here());
  }

  Program& prog_;
};

// The consuming instructions reachable from pcs without reading a byte
// (assertions assumed true); reports whether Match is reachable as well.
std::vector<int> Closure(const Program& prog, std::vector<int> todo, bool& reaches_match) {
  std::vector<char> seen(prog.code.size(), 0);
  std::vector<int> out;
  while (!todo.empty()) {
    int pc = todo.back();
    todo.pop_back();
    if (seen[pc]) continue;
    seen[pc] = 1;
    const Inst& in = prog.code[pc];
    switch (in.op) {
      case Op::Char:
      case Op::Set:
        out.push_back(pc);
        break;
      case Op::Split:
        todo.push_back(in.y);
        todo.push_back(in.x);
        break;
      case Op::Jmp:
        todo.push_back(in.x);
        break;
      case Op::Progress:
        todo.push_back(in.y);
        todo.push_back(pc + 1);
        break;
      case Op::Save:
      case Op::Assert:
        todo.push_back(pc + 1);
        break;
      case Op::Match:
        reaches_match = true;
        break;
    }
  }
  return out;
}

void AddConsumed(const Program& prog, const std::vector<int>& pcs, ByteSet& set) {
  for (int pc : pcs) {
    const Inst& in = prog.code[pc];
    if (in.op == Op::Char) {
      set.AddLeadBytes(static_cast<std::uint32_t>(in.x), static_cast<std::uint32_t>(in.x));
    } else {
      for (const auto& r : prog.sets[in.x].ranges) set.AddLeadBytes(r.first, r.second);
    }
  }
}

// Which bytes can begin a match, and which can come second: a cheap filter
// for where a new thread is worth starting. A possibly empty or one-byte match
// disables the respective filter.
void ComputeFirst(Program& prog) {
  bool empty = false;
  std::vector<int> first = Closure(prog, {0}, empty);
  prog.can_skip = !empty;
  if (!prog.can_skip) return;
  AddConsumed(prog, first, prog.first);
  if (prog.first.Count() == 1) prog.single_first = prog.first.First();
  // The second byte is the second character's only when the first is ASCII.
  if (prog.first.AnyAbove7F()) return;
  std::vector<int> next;
  for (int pc : first) next.push_back(pc + 1);
  bool one_byte = false;
  std::vector<int> second = Closure(prog, next, one_byte);
  prog.use_second = !one_byte;
  if (prog.use_second) AddConsumed(prog, second, prog.second);
  if (prog.use_second && prog.second.Count() == 1) prog.single_second = prog.second.First();
}

// Points every branch and continuation past chains of jumps, so the matcher
// never visits a jump; a loop always contains a split, so chains end.
void ShortenJumps(std::vector<Inst>& code) {
  auto resolve = [&code](int pc) {
    for (std::size_t hops = 0; code[pc].op == Op::Jmp && hops <= code.size(); ++hops) {
      pc = code[pc].x;
    }
    return pc;
  };
  for (std::size_t pc = 0; pc < code.size(); ++pc) {
    Inst& in = code[pc];
    if (in.op == Op::Split) {
      in.x = resolve(in.x);
      in.y = resolve(in.y);
    } else if (in.op == Op::Jmp) {
      in.x = resolve(in.x);
    } else if (in.op != Op::Match) {
      in.next = resolve(static_cast<int>(pc) + 1);
      if (in.op == Op::Progress) in.y = resolve(in.y);
    }
  }
}

// The slots of the program's characters, and each set and Char over them.
void AssignSlots(Program& prog) {
  std::vector<std::uint32_t>& b = prog.slots_of.bounds;
  b = {0x80, kCharEnd};
  const auto cut = [&b](std::uint32_t lo, std::uint32_t hi) {
    if (hi < 0x80) return;
    b.push_back(std::max<std::uint32_t>(lo, 0x80));
    b.push_back(hi + 1);
  };
  for (const CharSet& set : prog.sets) {
    for (const auto& r : set.ranges) cut(r.first, r.second);
  }
  for (const Inst& in : prog.code) {
    if (in.op == Op::Char) cut(static_cast<std::uint32_t>(in.x), static_cast<std::uint32_t>(in.x));
  }
  std::sort(b.begin(), b.end());
  b.erase(std::unique(b.begin(), b.end()), b.end());
  prog.slots_of.width = 128 + static_cast<int>(b.size()) - 1;
  const auto words = static_cast<std::size_t>(prog.slots_of.width + 63) / 64;
  for (const CharSet& set : prog.sets) {
    SlotSet bits;
    bits.w.assign(words, 0);
    for (int slot = 0; slot < prog.slots_of.width; ++slot) {
      // Every member of a slot is alike: its first one answers for all.
      const std::uint32_t c =
          slot < 128 ? static_cast<std::uint32_t>(slot) : b[static_cast<std::size_t>(slot - 128)];
      if (set.Has(c))
        bits.w[static_cast<std::size_t>(slot) >> 6] |= std::uint64_t{1} << (slot & 63);
    }
    prog.slot_sets.push_back(std::move(bits));
  }
  for (Inst& in : prog.code) {
    if (in.op == Op::Char) in.y = prog.slots_of.Of(static_cast<std::uint32_t>(in.x));
  }
}

std::shared_ptr<const Program> CompilePattern(const std::string& pattern) {
  auto prog = std::make_shared<Program>();
  Node root = Parser(pattern, *prog).Parse();
  prog->slots = 2 * (prog->groups + 1);
  Compiler c(*prog);
  c.Add({Op::Save, 0, 0, 0});
  c.Emit(root);
  c.Add({Op::Save, 0, 1, 0});
  c.Add({Op::Match, 0, 0, 0});
  ComputeFirst(*prog);
  AssignSlots(*prog);
  prog->span_code = prog->code;
  for (std::size_t pc = 0; pc < prog->span_code.size(); ++pc) {
    Inst& in = prog->span_code[pc];
    // Loop registers shape only the group spans; where one also decides
    // match 0 (has_progress), the VM runs the whole code instead.
    if ((in.op == Op::Save && in.x >= 2) || in.op == Op::Progress) {
      in = {Op::Jmp, 0, static_cast<int>(pc) + 1, 0};
    }
  }
  ShortenJumps(prog->code);
  ShortenJumps(prog->span_code);
  for (const Inst& in : prog->span_code) prog->has_assert |= in.op == Op::Assert;
  for (const Inst& in : prog->code) prog->has_progress |= in.op == Op::Progress;
  prog->has_assert |= prog->has_progress;
  return prog;
}

// ---------------------------------------------------------------- matching

bool IsWord(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool AssertHolds(AssertKind k, const unsigned char* s, std::size_t n, std::size_t pos) {
  switch (k) {
    case AssertKind::TextStart:
      return pos == 0;
    case AssertKind::LineStart:
      return pos == 0 || s[pos - 1] == '\n';
    case AssertKind::TextEndOrNl:
      return pos == n || (pos + 1 == n && s[pos] == '\n');
    case AssertKind::TextEnd:
      return pos == n;
    case AssertKind::LineEnd:
      return pos == n || s[pos] == '\n';
    case AssertKind::WordBoundary:
    case AssertKind::NotWordBoundary: {
      bool before = pos > 0 && IsWord(s[pos - 1]);
      bool after = pos < n && IsWord(s[pos]);
      return (before != after) == (k == AssertKind::WordBoundary);
    }
  }
  return false;
}

class Vm {
 public:
  // With groups false only match 0 is tracked, which keeps threads small; the
  // group spans are then found by a second, anchored run.
  Vm(const Program& prog, Scratch& sc, bool groups)
      : prog_(prog),
        code_(groups || prog.has_progress ? prog.code.data() : prog.span_code.data()),
        sc_(sc),
        ns_(groups || prog.has_progress ? prog.slots : 2) {
    std::size_t len = prog.code.size();
    for (ThreadList& l : sc_.lists) {
      l.pcs.resize(len);
      l.caps.resize(len * ns_);
      if (l.mark.size() < len) l.mark.assign(len, 0);
      l.count = 0;
    }
    sc_.work.resize(ns_);
    sc_.best.assign(ns_, -1);
    // Every instruction pushes at most one frame per thread list.
    sc_.stack.resize(len + 1);
  }

  bool Run(const unsigned char* s, std::size_t n, std::size_t start, bool anchored) {
    s_ = s;
    n_ = n;
    ThreadList* clist = &sc_.lists[0];
    ThreadList* nlist = &sc_.lists[1];
    NewGeneration(*clist);
    bool matched = false;
    bool starting = true;
    std::size_t pos = start;
    for (;;) {
      if (starting && !matched) {
        if (clist->count == 0 && prog_.can_skip && !anchored) {
          pos = NextCandidate(pos);
          if (pos >= n_) break;
          NewGeneration(*clist);
        }
        if (anchored || WorthStarting(pos)) {
          std::fill(sc_.work.begin(), sc_.work.end(), -1);
          AddThread(*clist, 0, pos);
        }
        starting = !anchored;
      }
      if (clist->count == 0) {
        // Every thread died, e.g. on a failed assertion: try the next start.
        if (matched || !starting || pos >= n_) break;
        std::uint32_t skipped = 0;
        pos += CharAt(s_, n_, pos, &skipped);
        NewGeneration(*clist);
        continue;
      }
      NewGeneration(*nlist);
      const bool more = pos < n_;
      std::uint32_t c = 0;
      const std::size_t len = more ? CharAt(s_, n_, pos, &c) : 0;
      const int slot = more ? prog_.slots_of.Of(c) : -1;
      for (int i = 0; i < clist->count; ++i) {
        const int pc = clist->pcs[i];
        const Inst& in = code_[pc];
        const std::ptrdiff_t* caps = &clist->caps[static_cast<std::size_t>(i) * ns_];
        bool advance = false;
        switch (in.op) {
          case Op::Char:
            advance = more && slot == in.y;
            break;
          case Op::Set:
            advance = more && prog_.slot_sets[in.x].Test(slot);
            break;
          case Op::Match:
            std::copy(caps, caps + ns_, sc_.best.begin());
            matched = true;
            i = clist->count;  // lower-priority threads lose to this match
            break;
          default:
            break;
        }
        if (advance) {
          std::copy(caps, caps + ns_, sc_.work.begin());
          AddThread(*nlist, in.next, pos + len);
        }
      }
      if (pos >= n_) break;
      pos += len;
      std::swap(clist, nlist);
    }
    return matched;
  }

  const std::vector<std::ptrdiff_t>& Best() const { return sc_.best; }

 private:
  static void NewGeneration(ThreadList& l) {
    l.count = 0;
    if (++l.gen == 0) {
      std::fill(l.mark.begin(), l.mark.end(), 0);
      l.gen = 1;
    }
  }

  bool WorthStarting(std::size_t pos) const {
    return !prog_.can_skip || MayStartAt(prog_, s_, n_, pos);
  }
  std::size_t NextCandidate(std::size_t pos) const { return NextStart(prog_, s_, n_, pos); }

  // Follows the non-consuming instructions from pc in priority order, with an
  // explicit stack; the work captures are restored on the way back.
  void AddThread(ThreadList& l, int pc0, std::size_t pos) {
    Frame* const stack = sc_.stack.data();
    std::ptrdiff_t* const work = sc_.work.data();
    std::uint32_t* const mark = l.mark.data();
    const std::uint32_t gen = l.gen;
    const Inst* const code = code_;
    const int ns = ns_;
    int count = l.count;
    int top = 0;
    stack[top++] = {pc0, -1, 0};
    while (top > 0) {
      const Frame f = stack[--top];
      if (f.slot >= 0) {
        work[f.slot] = f.value;
        continue;
      }
      int pc = f.pc;
      for (;;) {
        if (mark[pc] == gen) break;
        mark[pc] = gen;
        const Inst& in = code[pc];
        if (in.op == Op::Jmp) {
          pc = in.x;
        } else if (in.op == Op::Split) {
          stack[top++] = {in.y, -1, 0};
          pc = in.x;
        } else if (in.op == Op::Save) {
          stack[top++] = {0, in.x, work[in.x]};
          work[in.x] = static_cast<std::ptrdiff_t>(pos);
          pc = in.next;
        } else if (in.op == Op::Assert) {
          if (!AssertHolds(static_cast<AssertKind>(in.byte), s_, n_, pos)) break;
          pc = in.next;
        } else if (in.op == Op::Progress) {
          pc = work[in.x] == static_cast<std::ptrdiff_t>(pos) ? in.y : in.next;
        } else {
          l.pcs[count] = pc;
          std::copy(work, work + ns, l.caps.data() + static_cast<std::ptrdiff_t>(count) * ns);
          ++count;
          break;
        }
      }
    }
    l.count = count;
  }

  const Program& prog_;
  const Inst* code_;
  Scratch& sc_;
  int ns_;
  const unsigned char* s_ = nullptr;
  std::size_t n_ = 0;
};

// The VM's unanchored search for match 0 done as anchored DFA runs from each
// candidate start in turn. False when it gives up (too many states, or
// restarts that would cost more than a few passes over the input): the VM,
// linear in any case, then answers.
class DfaSearch {
 public:
  explicit DfaSearch(const Program& prog) : prog_(prog) {
    if (!prog_.dfa) prog_.dfa = std::make_unique<Dfa>();
    dfa_ = prog_.dfa.get();
    if (dfa_->mark.size() < prog_.span_code.size()) dfa_->mark.assign(prog_.span_code.size(), 0);
  }

  bool Run(const unsigned char* s, std::size_t n, std::ptrdiff_t* begin, std::ptrdiff_t* end) {
    std::size_t budget = 4 * n + 256;
    if (dfa_->states.empty()) {
      std::vector<int> start;
      NewGeneration();
      Closure(0, &start);
      if (Intern(std::move(start)) < 0) return false;
    }
    *begin = *end = -1;
    for (std::size_t pos = 0; pos <= n; ++pos) {
      if (prog_.can_skip) {
        pos = NextStart(prog_, s, n, pos);
        if (pos >= n) break;
        if (!MayStartAt(prog_, s, n, pos)) continue;
      }
      int state = 0;
      std::size_t at = pos;
      const Slots& slots = prog_.slots_of;
      for (;;) {
        const Dfa::State& st = dfa_->states[static_cast<std::size_t>(state)];
        if (st.match) *end = static_cast<std::ptrdiff_t>(at);
        if (st.pcs.empty() || at >= n) break;
        if (budget-- == 0) return false;
        int slot = s[at];
        std::size_t len = 1;
        if (slot >= 0x80) {
          std::uint32_t c = 0;
          len = CharAt(s, n, at, &c);
          slot = slots.Of(c);
        }
        int next = dfa_->next[static_cast<std::size_t>(state) * width_ + slot];
        if (next == Dfa::kUnbuilt) {
          next = Step(state, slot);
          if (next < 0) return false;
        }
        state = next;
        at += len;
      }
      if (*end >= 0) {
        *begin = static_cast<std::ptrdiff_t>(pos);
        return true;
      }
      if (!prog_.can_skip) {
        // The next start is the next character's.
        std::uint32_t c = 0;
        if (pos < n) pos += CharAt(s, n, pos, &c) - 1;
      }
    }
    return true;
  }

 private:
  static constexpr std::size_t kMaxStates = 4096;
  // The transition table's bound, whatever the number of slots.
  static constexpr std::size_t kMaxEntries = std::size_t{1} << 22;

  // As the VM's AddThread, without captures: appends the consuming
  // instructions and a Match reached from pc, in priority order.
  void Closure(int pc0, std::vector<int>* out) {
    const Inst* code = prog_.span_code.data();
    std::uint32_t* mark = dfa_->mark.data();
    const std::uint32_t gen = dfa_->gen;
    std::vector<int>& stack = stack_;
    stack.assign(1, pc0);
    while (!stack.empty()) {
      int pc = stack.back();
      stack.pop_back();
      for (;;) {
        if (mark[pc] == gen) break;
        mark[pc] = gen;
        const Inst& in = code[pc];
        if (in.op == Op::Jmp) {
          pc = in.x;
        } else if (in.op == Op::Split) {
          stack.push_back(in.y);
          pc = in.x;
        } else if (in.op == Op::Save) {
          pc = in.next;
        } else {
          out->push_back(pc);
          break;
        }
      }
    }
  }

  void NewGeneration() {
    if (++dfa_->gen == 0) {
      std::fill(dfa_->mark.begin(), dfa_->mark.end(), 0);
      dfa_->gen = 1;
    }
  }

  // The state's index, or -1 when the DFA has grown too large.
  int Intern(std::vector<int> pcs) {
    bool match = false;
    for (std::size_t i = 0; i < pcs.size(); ++i) {
      if (prog_.span_code[static_cast<std::size_t>(pcs[i])].op == Op::Match) {
        pcs.resize(i);
        match = true;
        break;
      }
    }
    if (match) pcs.push_back(-1);  // keeps a matching list apart from its prefix
    auto it = dfa_->ids.find(pcs);
    if (it != dfa_->ids.end()) return it->second;
    if (dfa_->states.size() >= kMaxStates ||
        (dfa_->states.size() + 1) * static_cast<std::size_t>(width_) > kMaxEntries)
      return -1;
    const int id = static_cast<int>(dfa_->states.size());
    dfa_->ids.emplace(pcs, id);
    if (match) pcs.pop_back();
    Dfa::State st;
    st.pcs = std::move(pcs);
    st.match = match;
    dfa_->states.push_back(std::move(st));
    dfa_->next.resize(dfa_->next.size() + static_cast<std::size_t>(width_), Dfa::kUnbuilt);
    return id;
  }

  int Step(int state, int slot) {
    NewGeneration();
    std::vector<int> next;
    const std::vector<int> pcs = dfa_->states[static_cast<std::size_t>(state)].pcs;
    for (const int pc : pcs) {
      const Inst& in = prog_.span_code[static_cast<std::size_t>(pc)];
      const bool advance = in.op == Op::Char ? slot == in.y : prog_.slot_sets[in.x].Test(slot);
      if (advance) Closure(in.next, &next);
    }
    const int id = Intern(std::move(next));
    if (id >= 0) dfa_->next[static_cast<std::size_t>(state) * width_ + slot] = id;
    return id;
  }

  const Program& prog_;
  const int width_ = prog_.slots_of.width;
  Dfa* dfa_;
  std::vector<int> stack_;
};

}  // namespace
}  // namespace regexpr_detail

TRegExpr::TRegExpr() : scratch_(std::make_unique<regexpr_detail::Scratch>()) {}
TRegExpr::~TRegExpr() = default;

void TRegExpr::SetExpression(std::string_view pattern) {
  auto it = cache_.find(pattern);
  std::shared_ptr<const regexpr_detail::Program> prog;
  if (it != cache_.end()) {
    prog = it->second;
  } else {
    prog = regexpr_detail::CompilePattern(std::string(pattern));
    if (cache_.size() >= regexpr_detail::kMaxCachedPrograms) cache_.clear();
    cache_.emplace(pattern, prog);
  }
  program_ = std::move(prog);
  expression_ = pattern;
  matched_ = false;
  caps_.clear();
  text_.clear();
  groups_done_ = true;
}

bool TRegExpr::Exec(const std::string& input) {
  if (!program_) throw RegExprError("no regular expression set");
  const auto* text = reinterpret_cast<const unsigned char*>(input.data());
  std::ptrdiff_t span[2];
  if (!program_->has_assert &&
      regexpr_detail::DfaSearch(*program_).Run(text, input.size(), &span[0], &span[1])) {
    matched_ = span[0] >= 0;
    if (matched_) caps_.assign(span, span + 2);
  } else {
    regexpr_detail::Vm vm(*program_, *scratch_, false);
    matched_ = vm.Run(text, input.size(), 0, false);
    if (matched_) caps_ = vm.Best();
  }
  groups_done_ = !matched_ || program_->groups == 0;
  if (matched_) {
    caps_.resize(static_cast<std::size_t>(program_->slots), -1);
    if (groups_done_) {
      text_offset_ = caps_[0];
      text_.assign(input, static_cast<std::size_t>(caps_[0]),
                   static_cast<std::size_t>(caps_[1] - caps_[0]));
    } else {
      // Group spans are found on demand; the text is kept for that.
      text_offset_ = 0;
      text_ = input;
    }
  } else {
    caps_.clear();
    text_.clear();
  }
  return matched_;
}

void TRegExpr::FindGroups() const {
  if (groups_done_) return;
  groups_done_ = true;
  // The winning thread starts at caps_[0]; an anchored run from there with
  // group tracking finds the same match 0 and its groups.
  regexpr_detail::Vm full(*program_, *scratch_, true);
  if (full.Run(reinterpret_cast<const unsigned char*>(text_.data()), text_.size(),
               static_cast<std::size_t>(caps_[0]), true) &&
      full.Best()[0] == caps_[0] && full.Best()[1] == caps_[1]) {
    caps_ = full.Best();
  }
}

std::ptrdiff_t TRegExpr::MatchPos(int n) const {
  if (!matched_ || n < 0 || n > program_->groups) return -1;
  if (n > 0) FindGroups();
  if (caps_[2 * n] < 0 || caps_[2 * n + 1] < 0) return -1;
  return caps_[2 * n];
}

std::ptrdiff_t TRegExpr::MatchLen(int n) const {
  std::ptrdiff_t p = MatchPos(n);
  return p < 0 ? -1 : caps_[2 * n + 1] - p;
}

std::string TRegExpr::Match(int n) const {
  std::ptrdiff_t p = MatchPos(n);
  if (p < 0) return std::string();
  return text_.substr(static_cast<std::size_t>(p - text_offset_),
                      static_cast<std::size_t>(MatchLen(n)));
}

int TRegExpr::SubExprMatchCount() const {
  return program_ ? program_->groups : 0;
}

}  // namespace corvanta
