#include "platform/text_convert.h"

namespace corvanta {

namespace {

const uint16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// A pair within [first, last] whose upper case is the even (or odd) member.
bool InPairs(uint32_t cp, uint32_t first, uint32_t last, uint32_t* upper) {
  if (cp < first || cp > last) return false;
  if ((cp - first) % 2 == 1) *upper = cp - 1;
  return true;
}

}  // namespace

bool DecodeUtf8(std::string_view text, std::size_t* pos, uint32_t* cp) {
  const std::size_t i = *pos;
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    *cp = c;
    *pos = i + 1;
    return true;
  }
  const int need = c >= 0xF5 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : 0;
  if (need == 0 || i + static_cast<std::size_t>(need) >= text.size()) {
    *cp = c;
    *pos = i + 1;
    return false;
  }
  uint32_t u = c & (0x7Fu >> (need + 1));
  for (int k = 1; k <= need; ++k) {
    const unsigned char d = static_cast<unsigned char>(text[i + k]);
    if (!IsContinuation(d)) {
      *cp = c;
      *pos = i + 1;
      return false;
    }
    u = (u << 6) | (d & 0x3Fu);
  }
  // Overlong forms and code points past U+10FFFF are no UTF-8.
  const uint32_t least = need == 1 ? 0x80 : need == 2 ? 0x800 : 0x10000;
  if (u < least || u > 0x10FFFF) {
    *cp = c;
    *pos = i + 1;
    return false;
  }
  *cp = u;
  *pos = i + need + 1;
  return true;
}

void AppendUtf8(std::string& out, uint32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

bool IsUtf8(std::string_view text) {
  uint32_t cp = 0;
  for (std::size_t i = 0; i < text.size();)
    if (!DecodeUtf8(text, &i, &cp)) return false;
  return true;
}

bool IsStrictUtf8(std::string_view text) {
  uint32_t cp = 0;
  for (std::size_t i = 0; i < text.size();)
    if (!DecodeUtf8(text, &i, &cp) || (cp >= 0xD800 && cp < 0xE000)) return false;
  return true;
}

std::u16string Utf8ToUtf16(std::string_view text, bool* exact) {
  std::u16string out;
  const bool all = AppendUtf8AsUtf16(out, text);
  if (exact) *exact = all;
  return out;
}

std::string Utf16ToUtf8(std::u16string_view units) {
  std::string out;
  AppendUtf16AsUtf8(out, units.size(), [&units](std::size_t i) { return uint32_t{units[i]}; });
  return out;
}

namespace {

// The whole units of little-endian UTF-16 bytes, appended as UTF-8.
void AppendUtf16Le(std::string& out, const unsigned char* bytes, std::size_t size) {
  AppendUtf16AsUtf8(out, size / 2, [bytes](std::size_t i) {
    return static_cast<uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  });
}

}  // namespace

std::string Utf16LeToUtf8(const unsigned char* bytes, std::size_t size, bool* exact) {
  if (exact) *exact = size % 2 == 0;
  std::string out;
  AppendUtf16Le(out, bytes, size);
  return out;
}

void AppendStoredText(std::string& out, const unsigned char* bytes, std::size_t size) {
  AppendUtf16Le(out, bytes, size);
  if (size % 2 != 0) out += '\xFF';
}

std::string StoredText(const unsigned char* bytes, std::size_t size) {
  std::string out;
  AppendStoredText(out, bytes, size);
  return out;
}

std::string Utf8ToUtf16Le(std::string_view text, bool* exact) {
  const std::u16string units = Utf8ToUtf16(text, exact);
  std::string out(units.size() * 2, '\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    out[2 * i] = static_cast<char>(units[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return out;
}

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

std::string Utf8ToAnsi(std::string_view utf8, bool* exact) {
  std::string out;
  out.reserve(utf8.size());
  bool all = true;
  uint32_t cp = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char b = '?';
    if (!DecodeUtf8(utf8, &i, &cp) || !UnicodeToCp1252(cp, &b)) {
      all = false;
      b = '?';
      if (cp >= 0x10000) out += '?';
    }
    out += static_cast<char>(b);
  }
  if (exact) *exact = all;
  return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) AppendUtf8(out, Cp1252ToUnicode(c));
  return out;
}

bool FitsAnsi(std::string_view utf8) {
  bool exact = true;
  Utf8ToAnsi(utf8, &exact);
  return exact;
}

uint32_t UpperCodePoint(uint32_t cp) {
  if (cp < 0x80) return (cp >= 'a' && cp <= 'z') ? cp - 0x20 : cp;
  if (cp < 0x100) {
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
    return cp == 0xFF ? 0x178 : cp;
  }
  uint32_t up = cp;
  if (cp < 0x180) {
    // Latin Extended-A: pairs, with the dotted and dotless i, kra, the n
    // preceded by an apostrophe and the long s left alone.
    if (cp == 0x130 || cp == 0x131 || cp == 0x138 || cp == 0x149 || cp == 0x178 || cp == 0x17F)
      return cp;
    if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E))
      return (cp % 2 == 0) ? cp - 1 : cp;
    return (cp % 2 == 1) ? cp - 1 : cp;
  }
  if (cp >= 0x370 && cp < 0x400) {
    if ((cp >= 0x3B1 && cp <= 0x3C1) || (cp >= 0x3C3 && cp <= 0x3CB)) return cp - 0x20;
    if (cp == 0x3C2) return 0x3A3;
    if (cp == 0x3AC) return 0x386;
    if (cp >= 0x3AD && cp <= 0x3AF) return cp - 0x25;
    if (cp == 0x3CC) return 0x38C;
    if (cp == 0x3CD || cp == 0x3CE) return cp - 0x3F;
    InPairs(cp, 0x3D8, 0x3EF, &up);
    return up;
  }
  if (cp >= 0x400 && cp < 0x530) {
    if (cp >= 0x430 && cp <= 0x44F) return cp - 0x20;
    if (cp >= 0x450 && cp <= 0x45F) return cp - 0x50;
    if (cp == 0x4CF) return 0x4C0;
    if (cp >= 0x4C1 && cp <= 0x4CE) return (cp % 2 == 0) ? cp - 1 : cp;
    if (InPairs(cp, 0x460, 0x481, &up) || InPairs(cp, 0x48A, 0x4BF, &up) ||
        InPairs(cp, 0x4D0, 0x52F, &up))
      return up;
    return cp;
  }
  if (cp >= 0x561 && cp <= 0x586) return cp - 0x30;
  if (InPairs(cp, 0x1E00, 0x1E95, &up) || InPairs(cp, 0x1EA0, 0x1EFF, &up)) return up;
  if (cp >= 0x2170 && cp <= 0x217F) return cp - 0x10;
  if (cp >= 0x24D0 && cp <= 0x24E9) return cp - 0x1A;
  if (cp >= 0xFF41 && cp <= 0xFF5A) return cp - 0x20;
  return cp;
}

std::string Utf8Upper(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  uint32_t cp = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    if (!DecodeUtf8(text, &i, &cp))
      out += text[start];
    else if (cp < 0x80)
      out += static_cast<char>(UpperCodePoint(cp));
    else
      AppendUtf8(out, UpperCodePoint(cp));
  }
  return out;
}

}  // namespace corvanta
