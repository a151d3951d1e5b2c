#include "platform/offline/hive/hive_text.h"

#include "platform/ansi_text.h"

namespace corvanta::hive {

bool IsTextType(std::uint32_t type) {
  return type == 1 || type == 2 || type == 7;
}

std::string Utf8ToAnsi(const char* utf8) {
  return ::corvanta::Utf8ToAnsi(utf8);
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
