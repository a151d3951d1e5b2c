#include "platform/offline/pe_version_info.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/name_case.h"
#include "platform/offline/offline_file_system.h"
#include "platform/offline/wine_registry_store.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

constexpr std::uint32_t kRtVersion = 16;
// Larger files are not read whole for a few strings.
constexpr long long kMaxFileSize = 256ll << 20;

// Little-endian reads that fail instead of reading past the bytes.
struct Bytes {
  const std::string& s;
  bool U16(std::size_t at, std::uint32_t* v) const {
    if (at > s.size() || s.size() - at < 2) return false;
    *v = static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
    return true;
  }
  bool U32(std::size_t at, std::uint32_t* v) const {
    std::uint32_t lo = 0, hi = 0;
    if (!U16(at, &lo) || !U16(at + 2, &hi)) return false;
    *v = lo | hi << 16;
    return true;
  }
};

// The file offset of an address of the loaded image, inside a section's data.
bool OffsetOf(const Bytes& b, std::size_t sections, std::uint32_t count, std::uint32_t rva,
              std::size_t* offset) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t s = sections + 40 * static_cast<std::size_t>(i);
    std::uint32_t virtualSize = 0, address = 0, rawSize = 0, raw = 0;
    if (!b.U32(s + 8, &virtualSize) || !b.U32(s + 12, &address) || !b.U32(s + 16, &rawSize) ||
        !b.U32(s + 20, &raw))
      return false;
    if (rva < address || rva - address >= rawSize) continue;
    *offset = static_cast<std::size_t>(raw) + (rva - address);
    return *offset < b.s.size();
  }
  return false;
}

// The version resource's bytes: type RT_VERSION, its first name, and the
// language the loader prefers.
bool VersionResource(const std::string& file, std::uint16_t language, std::string* out) {
  const Bytes b{file};
  std::uint32_t mz = 0, pe = 0, peSig = 0, sectionCount = 0, optionalSize = 0, magic = 0;
  if (!b.U16(0, &mz) || mz != 0x5A4D || !b.U32(0x3C, &pe) || !b.U32(pe, &peSig) ||
      peSig != 0x00004550 || !b.U16(pe + 6, &sectionCount) || !b.U16(pe + 20, &optionalSize) ||
      !b.U16(pe + 24, &magic))
    return false;
  const std::size_t optional = static_cast<std::size_t>(pe) + 24;
  const std::size_t dirCount = optional + (magic == 0x20b ? 108 : 92);
  std::uint32_t dirs = 0, rva = 0;
  if ((magic != 0x10b && magic != 0x20b) || !b.U32(dirCount, &dirs) || dirs < 3 ||
      dirCount + 4 + 3 * 8 > optional + optionalSize || !b.U32(dirCount + 4 + 2 * 8, &rva) || !rva)
    return false;
  const std::size_t sections = optional + optionalSize;
  std::size_t root = 0;
  if (!OffsetOf(b, sections, sectionCount, rva, &root)) return false;

  // Three levels of directory: type, name, language; a subdirectory's offset
  // has its high bit set and counts from the resource directory's start.
  const std::uint32_t preferred[] = {0, language, language & 0x3FFu, 0x409};
  std::size_t dir = root;
  for (int level = 0; level < 3; ++level) {
    std::uint32_t named = 0, ids = 0;
    if (!b.U16(dir + 12, &named) || !b.U16(dir + 14, &ids)) return false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;  // id, offset
    for (std::uint32_t i = 0; i < named + ids; ++i) {
      std::uint32_t id = 0, to = 0;
      if (!b.U32(dir + 16 + 8 * static_cast<std::size_t>(i), &id) ||
          !b.U32(dir + 20 + 8 * static_cast<std::size_t>(i), &to))
        return false;
      if (level > 0 || id == kRtVersion) entries.emplace_back(id, to);
    }
    if (entries.empty()) return false;
    std::uint32_t to = entries[0].second;
    if (level == 2) {
      bool found = false;
      for (std::uint32_t want : preferred)
        for (const auto& e : entries)
          if (!found && e.first == want) to = e.second, found = true;
    }
    const bool subdirectory = (to & 0x80000000u) != 0;
    if (subdirectory != (level < 2)) return false;
    dir = root + (to & 0x7FFFFFFFu);
  }
  std::uint32_t dataRva = 0, size = 0;
  std::size_t data = 0;
  if (!b.U32(dir, &dataRva) || !b.U32(dir + 4, &size) ||
      !OffsetOf(b, sections, sectionCount, dataRva, &data) || size > file.size() - data)
    return false;
  *out = file.substr(data, size);
  return true;
}

// One block of the version resource: its key, its value and its children,
// each a range of the resource's bytes.
struct Block {
  std::u16string key;
  std::size_t value = 0, valueEnd = 0, children = 0, end = 0;
  std::uint32_t valueLength = 0, type = 0;
};

std::size_t Align4(std::size_t at) {
  return (at + 3) & ~static_cast<std::size_t>(3);
}

bool ReadBlock(const Bytes& b, std::size_t at, std::size_t limit, Block* out) {
  std::uint32_t length = 0;
  if (!b.U16(at, &length) || !b.U16(at + 2, &out->valueLength) || !b.U16(at + 4, &out->type) ||
      length < 6 || length > limit - at)
    return false;
  out->end = at + length;
  out->key.clear();
  std::size_t p = at + 6;
  for (std::uint32_t unit = 0;; p += 2) {
    if (p + 2 > out->end || !b.U16(p, &unit)) return false;
    if (!unit) break;
    out->key.push_back(static_cast<char16_t>(unit));
  }
  out->value = std::min(Align4(p + 2), out->end);
  // Text values count UTF-16 units, binary ones bytes.
  const std::size_t bytes = out->type == 1 ? 2 * std::size_t{out->valueLength} : out->valueLength;
  out->valueEnd = std::min(out->value + bytes, out->end);
  out->children = std::min(Align4(out->valueEnd), out->end);
  return true;
}

// The child of parent whose key matches name, compared without regard to case.
bool Child(const Bytes& b, const Block& parent, const std::string& name, Block* out) {
  const std::string want = Utf8Upper(name);
  for (std::size_t at = parent.children; at + 6 <= parent.end;) {
    if (!ReadBlock(b, at, parent.end, out)) return false;
    if (Utf8Upper(Utf16ToUtf8(out->key)) == want) return true;
    at = Align4(out->end);
  }
  return false;
}

}  // namespace

std::vector<std::string> PeVersionStrings(const std::string& file,
                                          const std::vector<std::string>& names,
                                          std::uint16_t language) {
  std::vector<std::string> values(names.size());
  std::string resource;
  if (!VersionResource(file, language, &resource)) return values;
  const Bytes b{resource};
  Block root, vars, translation, strings, table, text;
  if (!ReadBlock(b, 0, resource.size(), &root) || Utf16ToUtf8(root.key) != "VS_VERSION_INFO" ||
      !Child(b, root, "VarFileInfo", &vars) || !Child(b, vars, "Translation", &translation) ||
      translation.valueEnd - translation.value < 4)
    return values;
  std::uint32_t tableLanguage = 0, codePage = 0;
  b.U16(translation.value, &tableLanguage);
  b.U16(translation.value + 2, &codePage);
  char block[16];
  std::snprintf(block, sizeof block, "%04X%04X", static_cast<unsigned>(tableLanguage),
                static_cast<unsigned>(codePage));
  if (!Child(b, root, "StringFileInfo", &strings) || !Child(b, strings, block, &table))
    return values;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!Child(b, table, names[i], &text) || text.valueLength == 0) continue;
    // Up to the terminator, or the block's end for a text without one.
    std::u16string units;
    std::uint32_t unit = 0;
    for (std::size_t p = text.value; p + 2 <= text.end && b.U16(p, &unit) && unit; p += 2)
      units.push_back(static_cast<char16_t>(unit));
    values[i] = Utf16ToUtf8(units);
  }
  return values;
}

std::vector<std::string> PeVersionInfo::QueryStrings(const std::string& path,
                                                     const std::vector<std::string>& names) {
  const std::string host = files_.HostPathOf(path);
  struct stat st {};
  std::string bytes, error;
  if (host.empty() || stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size > kMaxFileSize || !ReadHostFile(host, &bytes, &error))
    return std::vector<std::string>(names.size());
  return PeVersionStrings(bytes, names, language_);
}

}  // namespace corvanta
