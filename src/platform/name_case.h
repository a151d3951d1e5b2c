// Names of keys, values and files compare without regard to case by their
// upper-case form; registry paths split at backslashes.
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

// Upper case as Windows folds the letters of the code page (Windows-1252):
// ASCII, the Latin-1 letters, and the three caron and ligature pairs and y
// with diaeresis of the 0x80 row. The offline file system and registry
// stores compare host and file names by it.
inline char NameUpper(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u < 0x80) return c;
  if ((u >= 0xE0 && u <= 0xFE && u != 0xF7)) return static_cast<char>(u - 32);
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 16);
  if (u == 0xFF) return static_cast<char>(0x9F);
  return c;
}

inline std::string NameUpper(std::string text) {
  for (char& c : text) c = NameUpper(c);
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
