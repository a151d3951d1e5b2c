// Text between a hive and the logic: hivex hands names over as UTF-8 and the
// hive keeps string data as UTF-16LE, while the logic works in the ANSI code
// page (Windows-1252), as the ANSI registry calls would show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvanta::hive {

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: the types the ANSI calls convert.
bool IsTextType(std::uint32_t type);

// A name from hivex in ANSI; a character with no ANSI form, or a malformed
// sequence, becomes "?".
std::string Utf8ToAnsi(const char* utf8);

// String data: one ANSI byte per UTF-16 unit, terminators and embedded NULs
// included, as the system's conversion does; a trailing odd byte is dropped.
std::vector<std::uint8_t> Utf16ToAnsi(const char* data, std::size_t len);
std::vector<std::uint8_t> AnsiToUtf16(const std::vector<std::uint8_t>& ansi);

// The names' upper-case comparison the registry matches keys and values by.
bool SameName(const std::string& a, const std::string& b);

}  // namespace corvanta::hive
