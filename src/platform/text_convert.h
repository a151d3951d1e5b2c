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

// UTF-16 to UTF-8, exact for any units: an unpaired surrogate is kept as WTF-8.
std::string Utf16ToUtf8(std::u16string_view units);

// Little-endian UTF-16 bytes (registry data of the text types, a version 5
// file) to UTF-8. An odd last byte cannot be a unit: it is dropped and clears
// *exact.
std::string Utf16LeToUtf8(const unsigned char* bytes, std::size_t size, bool* exact = nullptr);
// UTF-8 to little-endian UTF-16 bytes.
std::string Utf8ToUtf16Le(std::string_view text, bool* exact = nullptr);

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
