// Names of keys, values and files compare without regard to case by their
// upper-case form; registry paths split at backslashes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_convert.h"

namespace corvanta {

constexpr char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiUpper(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
}

constexpr char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The C library's character classes depend on the locale and cost a call
// each; paths are judged by their ASCII letters and digits alone.
constexpr bool IsAsciiAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

constexpr bool IsAsciiAlnum(char c) {
  return IsAsciiAlpha(c) || IsAsciiDigit(c);
}

// Whether a and b are equal when ASCII letters are folded.
inline bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// Where lowerNeedle (lower case) first occurs in text, ASCII case folded.
inline std::size_t FindAsciiIgnoreCase(std::string_view text, std::string_view lowerNeedle,
                                       std::size_t from = 0) {
  if (lowerNeedle.empty()) return from <= text.size() ? from : std::string_view::npos;
  const bool jump = !IsAsciiAlpha(lowerNeedle[0]);  // then memchr finds each candidate
  for (std::size_t i = from; i + lowerNeedle.size() <= text.size(); ++i) {
    if (jump) {
      i = text.find(lowerNeedle[0], i);
      if (i == std::string_view::npos || i + lowerNeedle.size() > text.size()) break;
    }
    std::size_t k = 0;
    while (k < lowerNeedle.size() && AsciiLower(text[i + k]) == lowerNeedle[k]) ++k;
    if (k == lowerNeedle.size()) return i;
  }
  return std::string_view::npos;
}

// The one folding rule for names of keys, values and files (UTF-8): two names
// are the same when their NameUpper forms are equal.
inline std::string NameUpper(const std::string& text) {
  return Utf8Upper(text);
}

// The order of NameUpper(a) and NameUpper(b) (-1, 0, 1), byte by byte,
// without building either: sorted lists of names compare often.
inline int CompareNameUpper(std::string_view a, std::string_view b) {
  struct Cursor {
    std::string_view text;
    std::size_t pos = 0;
    std::string pending;  // the rest of the current character's upper form
    std::size_t next = 0;
    // The next byte of the upper form, or -1 at the end.
    int Take() {
      if (next < pending.size()) return static_cast<unsigned char>(pending[next++]);
      if (pos >= text.size()) return -1;
      const unsigned char c = static_cast<unsigned char>(text[pos]);
      if (c < 0x80) {
        ++pos;
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
      }
      uint32_t cp = 0;
      if (!DecodeUtf8(text, &pos, &cp)) return c;
      pending.clear();
      AppendUtf8(pending, UpperCodePoint(cp));
      next = 1;
      return static_cast<unsigned char>(pending[0]);
    }
  };
  Cursor x, y;
  x.text = a;
  y.text = b;
  for (;;) {
    const int p = x.Take(), q = y.Take();
    if (p != q) return p < q ? -1 : 1;
    if (p < 0) return 0;
  }
}

// The non-empty components of a backslash-separated path.
inline std::vector<std::string> SplitBackslashPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace corvanta
