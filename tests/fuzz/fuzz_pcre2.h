// PCRE2 as the reference for the pattern matcher's harnesses: the same
// pattern, UTF-8 mode, where a byte that is no UTF-8 matches nothing; a search
// agrees when match 0 and (when asked) every group is the same span.
#pragma once

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "regexpr/regexpr.h"

namespace corvanta::fuzz {

class Oracle {
 public:
  explicit Oracle(const std::string& pattern) : pattern_(pattern) {
    int err = 0;
    PCRE2_SIZE off = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                          PCRE2_UTF | PCRE2_MATCH_INVALID_UTF, &err, &off, nullptr);
    if (code_) data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
  }
  ~Oracle() {
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }
  Oracle(const Oracle&) = delete;
  Oracle& operator=(const Oracle&) = delete;

  bool ok() const { return code_ != nullptr; }
  const std::string& pattern() const { return pattern_; }
  // 1 matched, 0 no match, -1 PCRE2 gave up (its match limit).
  int Exec(const std::string& s) {
    rc_ =
        pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), 0, 0, data_, nullptr);
    if (rc_ == PCRE2_ERROR_NOMATCH) return 0;
    return rc_ >= 0 ? 1 : -1;
  }
  // Group n of the last match: offset and length, or -1 / -1.
  void Group(int n, std::ptrdiff_t* pos, std::ptrdiff_t* len) const {
    *pos = *len = -1;
    if (rc_ < 0 || static_cast<std::uint32_t>(n) >= pcre2_get_ovector_count(data_)) return;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
    if (ov[2 * n] == PCRE2_UNSET) return;
    *pos = static_cast<std::ptrdiff_t>(ov[2 * n]);
    *len = static_cast<std::ptrdiff_t>(ov[2 * n + 1] - ov[2 * n]);
  }

 private:
  std::string pattern_;
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
  int rc_ = PCRE2_ERROR_NOMATCH;
};

// The characters the generated texts are made of: one to four bytes each,
// every one folding alike in both engines (no Kelvin sign, long s, ...).
inline const std::vector<std::string>& TextAlphabet() {
  static const std::vector<std::string> alphabet = {"a",
                                                    "b",
                                                    "c",
                                                    "A",
                                                    "B",
                                                    ".",
                                                    "\\",
                                                    "-",
                                                    " ",
                                                    "\n",
                                                    "_",
                                                    "d",
                                                    "1",
                                                    "\xC3\xA9",
                                                    "\xC3\x89",
                                                    "\xC3\xA0",
                                                    "\xD0\x96",
                                                    "\xD0\xB6",
                                                    "\xE4\xB8\xAD",
                                                    "\xF0\x9F\x98\x80"};
  return alphabet;
}

// Whether the matcher's search of text agrees with the oracle's.
inline bool Agrees(TRegExpr& re, Oracle& oracle, const std::string& text, bool groups) {
  const int want = oracle.Exec(text);
  if (want < 0) return true;
  const bool got = re.Exec(text);
  if (got != (want == 1)) return false;
  if (!got) return true;
  for (int g = 0; g <= (groups ? re.SubExprMatchCount() : 0); ++g) {
    std::ptrdiff_t pos, len;
    oracle.Group(g, &pos, &len);
    if (re.MatchPos(g) != pos || re.MatchLen(g) != len) return false;
  }
  return true;
}

}  // namespace corvanta::fuzz
