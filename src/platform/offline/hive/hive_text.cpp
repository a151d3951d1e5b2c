#include "platform/offline/hive/hive_text.h"

#include <istream>

#include "platform/text_convert.h"

namespace corvanta::hive {

namespace {

unsigned Le16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}

}  // namespace

bool IsTextType(std::uint32_t type) {
  return type == 1 || type == 2 || type == 7;
}

std::vector<std::uint8_t> TextFromHive(const char* data, std::size_t len) {
  const std::string text = StoredText(reinterpret_cast<const unsigned char*>(data), len);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string TextForHive(const std::vector<std::uint8_t>& utf8) {
  return Utf8ToUtf16Le(std::string(utf8.begin(), utf8.end()));
}

bool NameFromCell(std::istream& file, std::size_t offset, bool key, std::string* name) {
  // An "nk" cell holds its flags at 6, the name's length at 76 and the name
  // at 80; a "vk" cell the length at 6, the flags at 20 and the name at 24.
  // A flag (0x20 of a key, 1 of a value) says the name is Latin-1.
  const std::size_t head = key ? 80 : 24;
  unsigned char cell[80] = {};
  file.clear();
  if (!file.seekg(static_cast<std::streamoff>(offset)) ||
      !file.read(reinterpret_cast<char*>(cell), static_cast<std::streamsize>(head)))
    return false;
  if (cell[4] != (key ? 'n' : 'v') || cell[5] != 'k') return false;
  const unsigned length = key ? Le16(cell + 76) : Le16(cell + 6);
  const bool latin1 = key ? (Le16(cell + 6) & 0x20) != 0 : (Le16(cell + 20) & 1) != 0;
  const std::int32_t size = static_cast<std::int32_t>(cell[0] | (cell[1] << 8) | (cell[2] << 16) |
                                                      (static_cast<std::uint32_t>(cell[3]) << 24));
  // A cell in use has a negative size that covers its name.
  if (size >= 0 || static_cast<std::size_t>(-static_cast<std::int64_t>(size)) < head + length)
    return false;
  std::string bytes(length, '\0');
  if (!file.read(bytes.data(), static_cast<std::streamsize>(length))) return false;
  name->clear();
  if (latin1) {
    for (unsigned char c : bytes) AppendUtf8(*name, c);
  } else {
    *name = Utf16LeToUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  }
  return true;
}

bool SameName(const std::string& a, const std::string& b) {
  return Utf8Upper(a) == Utf8Upper(b);
}

}  // namespace corvanta::hive
