#include "platform/ansi_text.h"

namespace corvanta {

namespace {

const uint16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

uint32_t Cp1252ToUnicode(unsigned char c) {
  return (c >= 0x80 && c < 0xA0) ? k80[c - 0x80] : c;
}

bool UnicodeToCp1252(uint32_t u, unsigned char* byte) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
    *byte = static_cast<unsigned char>(u);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (k80[i] == u) {
      *byte = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}

unsigned char UnicodeToCp1252(uint32_t u) {
  unsigned char b = '?';
  return UnicodeToCp1252(u, &b) ? b : static_cast<unsigned char>('?');
}

std::string Utf8ToAnsi(const std::string& utf8, bool* exact) {
  std::string out;
  out.reserve(utf8.size());
  bool all = true;
  const std::size_t n = utf8.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const int need = c >= 0xF8 ? -1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    uint32_t u = c & (0x3Fu >> (need > 0 ? need : 0));
    int got = 0;
    for (++i; got < need && i < n && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80;
         ++i, ++got)
      u = (u << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3Fu);
    unsigned char b = '?';
    if (need <= 0 || got != need || !UnicodeToCp1252(u, &b)) {
      all = false;
      b = '?';
    }
    // Beyond the BMP a character is a surrogate pair: two units, two "?".
    if (need == 3 && got == 3) out += '?';
    out += static_cast<char>(b);
  }
  if (exact) *exact = all;
  return out;
}

std::string AnsiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) {
    const uint32_t u = Cp1252ToUnicode(c);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

}  // namespace corvanta
