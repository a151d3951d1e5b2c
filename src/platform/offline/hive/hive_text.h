// Text between a hive and the logic: the hive keeps names in Latin-1 or
// UTF-16LE and string data in UTF-16LE, hivex hands names over as UTF-8, and
// the logic works in UTF-8 (WTF-8 for an unpaired surrogate, which hivex
// cannot convert either way).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace corvanta::hive {

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: the types kept as text.
bool IsTextType(std::uint32_t type);

// String data as the logic's UTF-8, each NUL unit one 0 byte; a trailing odd
// byte is dropped.
std::vector<std::uint8_t> TextFromHive(const char* data, std::size_t len);
// The logic's UTF-8 string data as the hive keeps it.
std::string TextForHive(const std::vector<std::uint8_t>& utf8);

// The name of the key (an "nk" cell) or value (a "vk" cell) at a hivex handle,
// which is the cell's offset in the file, read from the cell itself: for the
// names hivex cannot convert. False when the cell is not one.
bool NameFromCell(std::istream& file, std::size_t offset, bool key, std::string* name);

// The names' comparison without regard to case the registry matches keys and
// values by.
bool SameName(const std::string& a, const std::string& b);

}  // namespace corvanta::hive
