// Names of keys, values and files compare without regard to case by their
// ASCII upper-case form; registry paths split at backslashes.
#pragma once

#include <string>
#include <vector>

namespace corvanta {

inline char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiUpper(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
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
