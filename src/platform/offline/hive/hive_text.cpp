#include "platform/offline/hive/hive_text.h"

#include "platform/ansi_text.h"

namespace corvanta::hive {

bool IsTextType(std::uint32_t type) {
  return type == 1 || type == 2 || type == 7;
}

std::string Utf8ToAnsi(const char* utf8) {
  std::string out;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  while (*s) {
    const unsigned char c = *s;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++s;
      continue;
    }
    const int need = c >= 0xF8 ? -1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    std::uint32_t u = c & (0x3Fu >> (need > 0 ? need : 0));
    int got = 0;
    for (++s; got < need && (*s & 0xC0) == 0x80; ++s, ++got) u = (u << 6) | (*s & 0x3Fu);
    // Beyond the BMP the name held a surrogate pair: two units, two "?".
    if (need == 3 && got == 3) out.push_back('?');
    out.push_back(need > 0 && got == need ? static_cast<char>(UnicodeToCp1252(u)) : '?');
  }
  return out;
}

namespace {

// The Unicode form of every ANSI byte, and the byte of every BMP code point
// that has one, computed once: the load converts hundreds of thousands of
// strings.
struct AnsiTables {
  std::uint16_t toUnicode[256];
  std::vector<std::uint8_t> fromUnicode;  // 0 = no ANSI form (except U+0000)
  AnsiTables() : fromUnicode(0x10000, 0) {
    for (int c = 0; c < 256; ++c) {
      toUnicode[c] = static_cast<std::uint16_t>(Cp1252ToUnicode(static_cast<unsigned char>(c)));
      fromUnicode[toUnicode[c]] = static_cast<std::uint8_t>(c);
    }
  }
};

const AnsiTables& Tables() {
  static const AnsiTables tables;
  return tables;
}

}  // namespace

std::vector<std::uint8_t> Utf16ToAnsi(const char* data, std::size_t len) {
  const AnsiTables& t = Tables();
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  std::vector<std::uint8_t> out(len / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint16_t u = static_cast<std::uint16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    const std::uint8_t b = t.fromUnicode[u];
    out[i] = (b != 0 || u == 0) ? b : static_cast<std::uint8_t>('?');
  }
  return out;
}

std::vector<std::uint8_t> AnsiToUtf16(const std::vector<std::uint8_t>& ansi) {
  const AnsiTables& t = Tables();
  std::vector<std::uint8_t> out;
  out.reserve(ansi.size() * 2);
  for (std::uint8_t c : ansi) {
    out.push_back(static_cast<std::uint8_t>(t.toUnicode[c] & 0xFF));
    out.push_back(static_cast<std::uint8_t>(t.toUnicode[c] >> 8));
  }
  return out;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace corvanta::hive
