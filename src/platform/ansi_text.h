// The ANSI code page of the targets (Windows-1252) to Unicode, for the edges
// where text leaves as UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace corvanta {

// The code point of one Windows-1252 byte; the five unassigned bytes map to
// the C1 control of the same number, as the system's conversion does.
uint32_t Cp1252ToUnicode(unsigned char c);

// The Windows-1252 byte of a code point, or '?' when it has none (what the
// system's conversion gives for a character the code page lacks).
unsigned char UnicodeToCp1252(uint32_t u);
// False when the code point has no byte in the code page.
bool UnicodeToCp1252(uint32_t u, unsigned char* byte);

// UTF-8 (the host's file names) to Windows-1252; a character the code page
// lacks, or a byte that is no UTF-8, becomes '?' and clears *exact.
std::string Utf8ToAnsi(const std::string& utf8, bool* exact = nullptr);

// Windows-1252 text as UTF-8 (for JSON, and for the names hivex takes).
std::string AnsiToUtf8(const std::string& ansi);

}  // namespace corvanta
