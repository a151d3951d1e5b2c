#include "scan/ignore_list.h"

#include <algorithm>

#include "backup/reg_export.h"
#include "platform/name_case.h"
#include "platform/registry.h"
#include "scan/sections.h"

namespace corvanta {

namespace {

constexpr char kSeparator = '|';
constexpr std::uint32_t kReadWrite = 0x2001F;  // KEY_READ | KEY_WRITE

// Registry key paths are compared and stored without a leading "\" and
// without empty components; a file path (root 0) stays as found.
std::string NormalKeyPath(std::uint32_t root, const std::string& path) {
  if (root == 0) return path;
  std::string out;
  for (const std::string& part : SplitBackslashPath(path)) {
    if (!out.empty()) out += '\\';
    out += part;
  }
  return out;
}

bool IsKeyEntry(const IgnoreEntry& e) {
  const SectionInfo* s = SectionByNumber(e.section);
  return e.root != 0 && e.valueName.empty() && s != nullptr && s->repairUnit == kRepairKey;
}

std::string Escape(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == '%' || c == kSeparator) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiUpper(c);
  return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

bool Unescape(const std::string& text, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    const int hi = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int lo = hi >= 0 ? HexDigit(text[i + 2]) : -1;
    if (lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

// The number a value name holds when it is all digits, else -1.
long StoredNumber(const std::string& name) {
  if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stol(name);
}

bool SameEntry(const IgnoreEntry& a, const IgnoreEntry& b) {
  return a.section == b.section && a.root == b.root &&
         AsciiUpper(a.keyPath) == AsciiUpper(b.keyPath) &&
         AsciiUpper(a.valueName) == AsciiUpper(b.valueName);
}

}  // namespace

std::string IgnoreEntryLocation(const IgnoreEntry& entry) {
  return entry.root == 0 ? entry.keyPath : RootKeyName(entry.root) + "\\" + entry.keyPath;
}

std::string IgnoreEntryValue(const IgnoreEntry& entry) {
  if (entry.root == 0) return "";
  if (!entry.valueName.empty()) return entry.valueName;
  const SectionInfo* s = SectionByNumber(entry.section);
  return s && s->repairUnit == kRepairKey ? "(the key and everything below it)" : "(Default)";
}

IgnoreEntry IgnoreEntryFor(const TRegRecord& problem) {
  IgnoreEntry e;
  const SectionInfo* s = SectionByName(problem.Section);
  e.section = s ? s->number : 0;
  e.root = problem.RootKey;
  e.keyPath = NormalKeyPath(problem.RootKey, problem.KeyPath);
  const bool wholeKey = s && s->repairUnit == kRepairKey && problem.Kind == kKindRegistry;
  e.valueName = wholeKey ? std::string() : problem.ValueName;
  return e;
}

std::string EncodeIgnoreEntry(const IgnoreEntry& entry) {
  return std::to_string(entry.section) + kSeparator + RootKeyName(entry.root) + kSeparator +
         Escape(entry.keyPath) + kSeparator + Escape(entry.valueName);
}

bool DecodeIgnoreEntry(const std::string& text, IgnoreEntry* entry) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t bar = text.find(kSeparator); bar != std::string::npos;
       bar = text.find(kSeparator, start)) {
    fields.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
  fields.push_back(text.substr(start));
  if (fields.size() != 4) return false;
  IgnoreEntry e;
  const long section = fields[0].size() <= 2 ? StoredNumber(fields[0]) : -1;
  if (SectionByNumber(static_cast<int>(section)) == nullptr) return false;
  e.section = static_cast<int>(section);
  if (!fields[1].empty()) {
    std::string rest;
    if (!ParseRegistryKey(fields[1], &e.root, &rest) || !rest.empty()) return false;
  }
  std::string path;
  if (!Unescape(fields[2], &path) || !Unescape(fields[3], &e.valueName) || path.empty())
    return false;
  e.keyPath = NormalKeyPath(e.root, path);
  if (e.keyPath.empty()) return false;
  entry->section = e.section;
  entry->root = e.root;
  entry->keyPath = std::move(e.keyPath);
  entry->valueName = std::move(e.valueName);
  return true;
}

bool IgnoreList::Covers(const std::string& sectionName, std::uint32_t root,
                        const std::string& keyPath, const std::string& valueName) const {
  if (entries_.empty()) return false;
  const SectionInfo* s = SectionByName(sectionName);
  if (s == nullptr) return false;
  std::string key, value;  // folded only once an entry of this section and root is met
  for (const IgnoreEntry& e : entries_) {
    if (e.section != s->number || e.root != root) continue;
    if (key.empty()) {
      key = AsciiUpper(NormalKeyPath(root, keyPath));
      value = AsciiUpper(valueName);
    }
    const std::string listed = AsciiUpper(e.keyPath);
    if (IsKeyEntry(e)) {
      if (key.compare(0, listed.size(), listed) == 0 &&
          (key.size() == listed.size() || key[listed.size()] == '\\'))
        return true;
    } else if (key == listed && value == AsciiUpper(e.valueName)) {
      return true;
    }
  }
  return false;
}

int IgnoreList::Find(const IgnoreEntry& entry) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (SameEntry(entries_[i], entry)) return static_cast<int>(i);
  return -1;
}

IgnoreList IgnoreListStore::Load() const {
  IgnoreList list;
  TRegistry reg(api_, kKEY_READ);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  try {
    RegKeyInfo info;
    if (!reg.OpenKey(keyPath_, false) || !reg.GetKeyInfo(&info)) return list;
    for (const RegValue& v : reg.GetValues(info).values) {
      IgnoreEntry e;
      if (v.readable && (v.type == kREG_SZ || v.type == kREG_EXPAND_SZ) &&
          DecodeIgnoreEntry(RegText(v.data), &e)) {
        e.storedUnder = v.name;
        list.entries_.push_back(std::move(e));
      } else {
        ++list.unreadable_;
      }
    }
  } catch (const ERegistryException&) {
    return IgnoreList();
  }
  // Numbered values in their numbers' order (the registry may list values
  // sorted by name or as created), any others after them by name.
  std::stable_sort(list.entries_.begin(), list.entries_.end(),
                   [](const IgnoreEntry& a, const IgnoreEntry& b) {
                     const long na = StoredNumber(a.storedUnder), nb = StoredNumber(b.storedUnder);
                     if ((na < 0) != (nb < 0)) return na >= 0;
                     if (na >= 0) return na < nb;
                     return AsciiUpper(a.storedUnder) < AsciiUpper(b.storedUnder);
                   });
  return list;
}

bool IgnoreListStore::Add(const IgnoreEntry& entry) {
  // Only what reads back as this entry is written: nothing the list would skip.
  IgnoreEntry check;
  if (!DecodeIgnoreEntry(EncodeIgnoreEntry(entry), &check) || !SameEntry(check, entry))
    throw ERegistryException("This entry cannot be put on the ignore list");
  if (Load().Find(entry) >= 0) return false;
  TRegistry reg(api_, kReadWrite);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  // A failed open leaves no key open: the write then reports the failure.
  long last = 0;
  if (reg.OpenKey(keyPath_, true))
    for (const std::string& name : reg.GetValueNames()) last = std::max(last, StoredNumber(name));
  reg.WriteString(std::to_string(last + 1), EncodeIgnoreEntry(entry));
  return true;
}

void IgnoreListStore::Remove(const IgnoreEntry& entry) {
  TRegistry reg(api_, kReadWrite);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  if (!reg.OpenKey(keyPath_, false) ||
      (!reg.DeleteValue(entry.storedUnder) && reg.ValueExists(entry.storedUnder)))
    throw ERegistryException("Failed to delete '" + entry.storedUnder + "'");
}

int IgnoreListStore::Clear() {
  const IgnoreList list = Load();
  for (const IgnoreEntry& e : list.Entries()) Remove(e);
  return static_cast<int>(list.Entries().size());
}

}  // namespace corvanta
