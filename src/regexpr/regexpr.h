#pragma once

// Perl-style regular expressions over 8-bit text, matched by a Pike VM: time
// linear in the input, no recursion at match time, leftmost-first priority so
// that match 0 is the span a backtracking engine reports. Match 0 of a pattern
// without assertions is first sought by a DFA built from the VM's thread
// lists as it runs; the VM takes over when that would grow too large.

#include <cstddef>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvanta {

// Thrown by TRegExpr::SetExpression for a malformed or unsupported pattern.
class RegExprError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace regexpr_detail {
struct Program;
struct Scratch;
}  // namespace regexpr_detail

class TRegExpr {
 public:
  TRegExpr();
  ~TRegExpr();
  TRegExpr(const TRegExpr&) = delete;
  TRegExpr& operator=(const TRegExpr&) = delete;

  // Compiles the pattern; compiled programs are kept by pattern text, so
  // switching back and forth between a few patterns never recompiles (nor
  // copies the pattern onto the heap). On error the previous expression stays
  // in effect.
  void SetExpression(std::string_view pattern);
  const std::string& Expression() const { return expression_; }

  // Unanchored leftmost search of the whole input. Throws RegExprError when no
  // expression has been set.
  bool Exec(const std::string& input);

  // Group n of the last successful Exec: text, 0-based offset and length.
  // "" / -1 when there was no match or the group did not take part.
  std::string Match(int n = 0) const;
  std::ptrdiff_t MatchPos(int n = 0) const;
  std::ptrdiff_t MatchLen(int n = 0) const;
  // Number of capturing groups of the current expression (group 0 excluded).
  int SubExprMatchCount() const;

 private:
  std::string expression_;
  std::shared_ptr<const regexpr_detail::Program> program_;
  std::map<std::string, std::shared_ptr<const regexpr_detail::Program>, std::less<>> cache_;
  void FindGroups() const;

  std::unique_ptr<regexpr_detail::Scratch> scratch_;
  // Match 0 alone, or the whole input while group spans are still to be found.
  std::string text_;
  std::ptrdiff_t text_offset_ = 0;
  mutable std::vector<std::ptrdiff_t> caps_;  // 2 slots per group, -1 = unset
  mutable bool groups_done_ = true;
  bool matched_ = false;
};

}  // namespace corvanta
