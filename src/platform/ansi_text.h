// The ANSI code page of the targets (Windows-1252) against Unicode, for the
// edges where text leaves or enters as UTF-8 or UTF-16.
#pragma once

#include <cstdint>

namespace corvanta {

// The code point of one Windows-1252 byte; the five unassigned bytes map to
// the C1 control of the same number, as the system's conversion does.
uint32_t Cp1252ToUnicode(unsigned char c);
// The byte for a code point; false when Windows-1252 has none.
bool UnicodeToCp1252(uint32_t u, char* out);

}  // namespace corvanta
