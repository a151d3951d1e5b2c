// The program's one text conversion: all text inside is UTF-8 in std::string;
// the wide API takes UTF-16, and a few edges still take the ANSI code page
// (Windows-1252: REGEDIT4 backups, the code page of an old file).
//
// Names the system stores may hold unpaired surrogates; inside they are kept
// as WTF-8 (the surrogate encoded like any other code point), so a name read
// through the wide API converts back to the very same units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvanta {

// One code point of UTF-8 (or WTF-8) text at *pos, which moves past it. On a
// byte that starts no valid sequence, returns false, sets *cp to that byte and
// moves one byte on.
bool DecodeUtf8(std::string_view text, std::size_t* pos, uint32_t* cp);

// The UTF-8 bytes of a code point (a surrogate gives its WTF-8 form).
void AppendUtf8(std::string& out, uint32_t cp);

// True when every byte belongs to a valid UTF-8 or WTF-8 sequence.
bool IsUtf8(std::string_view text);
// True for UTF-8 in the strict sense: valid, and no surrogate (which only
// WTF-8 holds), as host file names and the hive library need.
bool IsStrictUtf8(std::string_view text);

// UTF-8 to UTF-16. A lone surrogate in WTF-8 becomes that unit; a byte that is
// no UTF-8 becomes U+FFFD and clears *exact.
std::u16string Utf8ToUtf16(std::string_view text, bool* exact = nullptr);

// The same, appended to out for any 16-bit unit type (char16_t, or wchar_t on
// Windows), so the wide API's buffers are written without a second copy.
// Returns false when a byte was no UTF-8.
template <class Unit>
bool AppendUtf8AsUtf16(std::basic_string<Unit>& out, std::string_view text) {
  static_assert(sizeof(Unit) == 2, "UTF-16 units");
  // A UTF-8 sequence never takes fewer bytes than its UTF-16 units.
  const std::size_t start = out.size();
  out.resize(start + text.size());
  Unit* w = &out[start];
  bool all = true;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      *w++ = static_cast<Unit>(c);
      ++i;
      continue;
    }
    uint32_t cp = 0;
    if (!DecodeUtf8(text, &i, &cp)) {
      all = false;
      cp = 0xFFFD;
    }
    if (cp >= 0x10000) {
      *w++ = static_cast<Unit>(0xD800 + ((cp - 0x10000) >> 10));
      *w++ = static_cast<Unit>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      *w++ = static_cast<Unit>(cp);
    }
  }
  out.resize(static_cast<std::size_t>(w - out.data()));
  return all;
}

// n UTF-16 units, unit(i) each, appended to out as UTF-8 (an unpaired
// surrogate as WTF-8), growing out once.
template <class UnitAt>
void AppendUtf16AsUtf8(std::string& out, std::size_t n, UnitAt unit) {
  const auto pairAt = [&](std::size_t i) {
    return i + 1 < n && (unit(i) & 0xFC00) == 0xD800 && (unit(i + 1) & 0xFC00) == 0xDC00;
  };
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const uint32_t u = unit(i);
    if (u < 0x80) {
      bytes += 1;
    } else if (u < 0x800) {
      bytes += 2;
    } else if (pairAt(i)) {
      bytes += 4;
      ++i;
    } else {
      bytes += 3;
    }
  }
  const std::size_t start = out.size();
  out.resize(start + bytes);
  char* b = &out[start];
  for (std::size_t i = 0; i < n; ++i) {
    uint32_t u = unit(i);
    if (u < 0x80) {
      *b++ = static_cast<char>(u);
      continue;
    }
    if (pairAt(i)) {
      u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    }
    if (u < 0x800) {
      *b++ = static_cast<char>(0xC0 | (u >> 6));
    } else if (u < 0x10000) {
      *b++ = static_cast<char>(0xE0 | (u >> 12));
      *b++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    } else {
      *b++ = static_cast<char>(0xF0 | (u >> 18));
      *b++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
      *b++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    }
    *b++ = static_cast<char>(0x80 | (u & 0x3F));
  }
}

// UTF-16 to UTF-8, exact for any units: an unpaired surrogate is kept as WTF-8.
std::string Utf16ToUtf8(std::u16string_view units);

// Little-endian UTF-16 bytes (registry data of the text types, a version 5
// file) to UTF-8. An odd last byte cannot be a unit: it is dropped and clears
// *exact.
std::string Utf16LeToUtf8(const unsigned char* bytes, std::size_t size, bool* exact = nullptr);
// UTF-8 to little-endian UTF-16 bytes.
std::string Utf8ToUtf16Le(std::string_view text, bool* exact = nullptr);

// Registry text data as stored (little-endian UTF-16), appended to out in the
// form the ports carry: UTF-8, each NUL unit one 0 byte. An odd last byte
// belongs to no unit; a 0xFF byte, which is never UTF-8, stands for it, so no
// backup can hold the value and a repair keeps it as it is.
void AppendStoredText(std::string& out, const unsigned char* bytes, std::size_t size);
std::string StoredText(const unsigned char* bytes, std::size_t size);

// The code point of one Windows-1252 byte; the five unassigned bytes map to
// the C1 control of the same number, as the system's conversion does.
uint32_t Cp1252ToUnicode(unsigned char c);
// The Windows-1252 byte of a code point; false when the code page has none.
bool UnicodeToCp1252(uint32_t u, unsigned char* byte);
// The byte, or '?' when the code page has none.
unsigned char UnicodeToCp1252(uint32_t u);

// UTF-8 to Windows-1252; a character the code page lacks, or a byte that is no
// UTF-8, becomes '?' and clears *exact (a character beyond the BMP gives two,
// as the system's conversion of its two units does).
std::string Utf8ToAnsi(std::string_view utf8, bool* exact = nullptr);
// Windows-1252 text as UTF-8.
std::string AnsiToUtf8(std::string_view ansi);
// True when the text converts to Windows-1252 and back unchanged.
bool FitsAnsi(std::string_view utf8);

// Upper case of a code point as Windows folds names: ASCII, Latin-1, Latin
// Extended-A and Additional, Greek, Cyrillic, Armenian, Roman numerals,
// circled and full-width Latin. Every other code point is its own upper case.
uint32_t UpperCodePoint(uint32_t cp);
// The upper-case form of UTF-8 text by UpperCodePoint; bytes that are no UTF-8
// are kept as they are.
std::string Utf8Upper(std::string_view text);

}  // namespace corvanta
