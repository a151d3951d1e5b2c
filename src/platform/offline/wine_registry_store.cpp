#include "platform/offline/wine_registry_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <list>
#include <map>
#include <set>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/name_case.h"
#include "platform/offline/wine_reg_format.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

bool IsTextType(std::uint32_t type) {
  return type == kREG_SZ || type == kREG_EXPAND_SZ || type == kREG_MULTI_SZ;
}

// The program's UTF-8 bytes of a value stored as UTF-16 text (each NUL unit
// one 0 byte), and back.
void ToProgramData(WineRegValue* v) {
  if (!IsTextType(v->type)) return;
  const std::string text = StoredText(v->data.data(), v->data.size());
  v->data.assign(text.begin(), text.end());
}

std::vector<std::uint8_t> ToWineData(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  if (!IsTextType(type)) return data;
  const std::string units = Utf8ToUtf16Le(std::string(data.begin(), data.end()));
  return std::vector<std::uint8_t>(units.begin(), units.end());
}

// Upper case, with the separator below every character so that a key sorts
// before its subkeys and they before its next sibling, as the file is ordered.
std::string SortKey(const std::string& path) {
  std::string key = Utf8Upper(path);
  for (char& c : key)
    if (c == '\\') c = '\0';
  return key;
}

std::string ParentOf(const std::string& path) {
  const std::size_t cut = path.rfind('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

bool StartsWithKey(const std::string& key, const std::string& prefix) {
  return key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
         key[prefix.size()] == '\0';
}

bool AtOrBelow(const std::string& key, const std::string& top) {
  return key == top || StartsWithKey(key, top);
}

// path with the leading names it shares with other (compared without regard
// to case) spelled as other spells them.
std::string SpelledAs(const std::string& path, const std::string& other) {
  std::vector<std::string> names = SplitBackslashPath(path);
  const std::vector<std::string> theirs = SplitBackslashPath(other);
  for (std::size_t i = 0; i < names.size() && i < theirs.size(); ++i) {
    if (Utf8Upper(names[i]) != Utf8Upper(theirs[i])) break;
    names[i] = theirs[i];
  }
  std::string out;
  for (const std::string& name : names) out += (out.empty() ? "" : "\\") + name;
  return out;
}

struct Entry {
  std::string name;  // upper case
  std::string raw;   // its lines, comments before it included
};

struct Block {
  std::string path;
  std::string key;
  std::string raw;  // verbatim until touched
  bool dead = false;
  bool touched = false;
  std::string head;  // header and option lines
  std::vector<Entry> entries;
  std::string tail;  // blank lines and comments after the last value
};

bool IsValueLine(const std::string& text, std::size_t pos) {
  return pos < text.size() && (text[pos] == '"' || text[pos] == '@');
}

// Splits a block's text into its header lines, one entry per value and
// what follows the last value.
void Touch(Block& b) {
  if (b.touched) return;
  b.touched = true;
  const std::string& raw = b.raw;
  std::string pending;
  bool inValues = false;
  std::size_t pos = 0;
  while (pos < raw.size()) {
    std::size_t end = raw.find('\n', pos);
    end = end == std::string::npos ? raw.size() : end + 1;
    if (IsValueLine(raw, pos)) {
      Entry e;
      e.raw = std::move(pending);
      pending.clear();
      std::string name;
      std::size_t i = 1;
      if (raw[pos] == '"') DecodeWineText(raw.substr(pos, end - pos), &i, '"', &name);
      e.name = Utf8Upper(name);
      // Continuation lines of a hex list belong to the value.
      std::size_t stop = end;
      while (stop >= pos + 2 && raw[stop - 1] == '\n' && raw[stop - 2] == '\\' &&
             stop < raw.size()) {
        std::size_t next = raw.find('\n', stop);
        stop = next == std::string::npos ? raw.size() : next + 1;
      }
      e.raw.append(raw, pos, stop - pos);
      b.entries.push_back(std::move(e));
      inValues = true;
      pos = stop;
      continue;
    }
    if (inValues)
      pending.append(raw, pos, end - pos);
    else
      b.head.append(raw, pos, end - pos);
    pos = end;
  }
  b.tail = std::move(pending);
  b.raw.clear();
}

class BlockList {
 public:
  explicit BlockList(const std::string& bytes) {
    std::size_t pos = 0;
    Block* current = nullptr;
    while (pos < bytes.size()) {
      std::size_t end = bytes.find('\n', pos);
      end = end == std::string::npos ? bytes.size() : end + 1;
      if (bytes[pos] == '[') {
        Block b;
        std::size_t i = 1;
        DecodeWineText(bytes.substr(pos, end - pos), &i, ']', &b.path);
        b.key = SortKey(b.path);
        blocks_.push_back(std::move(b));
        auto it = std::prev(blocks_.end());
        ordered_[it->key].push_back(it);
        current = &*it;
      }
      (current ? current->raw : prologue_).append(bytes, pos, end - pos);
      pos = end;
    }
    // A last line without its newline gets one, or what follows joins it.
    std::string& last = current ? current->raw : prologue_;
    if (!last.empty() && last.back() != '\n') last += '\n';
  }

  // Every live block of the key: the file may repeat a header, and each
  // holds values of the same key.
  std::vector<Block*> FindAll(const std::string& path) {
    std::vector<Block*> found;
    auto it = ordered_.find(SortKey(path));
    if (it == ordered_.end()) return found;
    for (auto b : it->second)
      if (!b->dead) found.push_back(&*b);
    return found;
  }

  Block& FindOrCreate(const std::string& path, std::int64_t now) {
    const std::string key = SortKey(path);
    auto pos = ordered_.lower_bound(key);
    if (pos != ordered_.end() && pos->first == key) {
      for (auto b = pos->second.rbegin(); b != pos->second.rend(); ++b)
        if (!(*b)->dead) return **b;
      Block& b = *pos->second.back();
      b = Block{path, key, std::string(), false, true, EncodeWineKeyHeader(path, now), {}, "\n"};
      return b;
    }
    auto before = pos == ordered_.end() ? blocks_.end() : pos->second.front();
    // Wine keeps the spelling a name was first stored with, and so does the
    // header of a new key for the names it shares with its neighbours.
    std::string spelled = path;
    for (auto n : {pos == ordered_.begin() ? ordered_.end() : std::prev(pos), pos})
      if (n != ordered_.end()) spelled = SpelledAs(spelled, n->second.front()->path);
    auto it = blocks_.insert(
        before,
        Block{
            spelled, key, std::string(), false, true, EncodeWineKeyHeader(spelled, now), {}, "\n"});
    ordered_.emplace_hint(pos, key, std::vector<std::list<Block>::iterator>{it});
    return *it;
  }

  // Marks the key and every key below it deleted; false when the file never
  // had either.
  bool Delete(const std::string& path) {
    const std::string key = SortKey(path);
    bool any = false;
    for (auto it = ordered_.lower_bound(key); it != ordered_.end() && AtOrBelow(it->first, key);
         ++it)
      for (auto b : it->second) {
        any = true;  // gone earlier in the same write counts too
        b->dead = true;
      }
    return any;
  }

  // True when a live block is the key itself or lies below it.
  bool Exists(const std::string& path) const { return LiveFrom(SortKey(path), true); }

  // Drops the header of a key left without values while a key below it is
  // still written, as Wine saves such a key only through its subkeys; one
  // with a class or link line stays.
  void DropIfImplicit(const std::string& path) {
    const std::vector<Block*> all = FindAll(path);
    for (Block* b : all) {
      if (!b->touched || !b->entries.empty()) return;
      for (std::size_t pos = b->head.find('\n');
           pos != std::string::npos && pos + 1 < b->head.size(); pos = b->head.find('\n', pos + 1))
        if (b->head.compare(pos + 1, 6, "#time=") != 0) return;
    }
    if (all.empty() || !LiveFrom(all.front()->key, false)) return;
    for (Block* b : all) b->dead = true;
  }

  std::string Join() const {
    std::string out = prologue_;
    for (const Block& b : blocks_) {
      if (b.dead) continue;
      if (!b.touched) {
        out += b.raw;
        continue;
      }
      out += b.head;
      for (const Entry& e : b.entries) out += e.raw;
      out += b.tail;
    }
    return out;
  }

 private:
  // Whether a live block lies below key (or is key itself, when self).
  bool LiveFrom(const std::string& key, bool self) const {
    for (auto it = ordered_.lower_bound(key); it != ordered_.end() && AtOrBelow(it->first, key);
         ++it)
      for (auto b : it->second)
        if (!b->dead && (self || it->first != key)) return true;
    return false;
  }

  std::string prologue_;
  std::list<Block> blocks_;
  // Every block by its sort key, in file order: a key's subtree is one run
  // of this order.
  std::map<std::string, std::vector<std::list<Block>::iterator>> ordered_;
};

bool StatFile(const std::string& path, std::int64_t* size, std::int64_t* mtimeNs) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  *size = static_cast<std::int64_t>(st.st_size);
  *mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  return Utf8Upper(a) == Utf8Upper(b);
}

// The part of path below mount ("" when path is mount); false when path is
// not below it.
bool BelowMount(const std::string& path, const std::string& mount, std::string* rest) {
  if (mount.empty()) {
    *rest = path;
    return true;
  }
  if (path.size() < mount.size() || !EqualsIgnoreCase(path.substr(0, mount.size()), mount))
    return false;
  if (path.size() == mount.size()) {
    rest->clear();
    return true;
  }
  if (path[mount.size()] != '\\') return false;
  *rest = path.substr(mount.size() + 1);
  return true;
}

}  // namespace

WineRegistryStore::WineRegistryStore(std::string filePath, std::uint32_t root, std::string mount)
    : filePath_(std::move(filePath)), root_(root), mount_(std::move(mount)) {}

bool WineRegistryStore::Load(MemoryRegistry& reg, std::string* error) {
  std::string bytes;
  if (!StatFile(filePath_, &loadedSize_, &loadedMtimeNs_) ||
      !ReadHostFile(filePath_, &bytes, error)) {
    if (error->empty()) *error = "cannot read \"" + filePath_ + "\": " + std::strerror(errno);
    return false;
  }
  RegKey key = 0;
  std::string keyPath;
  links_.clear();
  // Keys come in tree order: most share the parent of the key before them,
  // which stays open so that only the last name is looked up.
  RegKey parentKey = 0;
  std::string parentPath = "\x01";
  auto onKey = [&](std::string&& p, bool exact) {
    if (key) reg.CloseKey(key);
    key = 0;
    std::string path = mount_;
    if (!path.empty() && !p.empty()) path += '\\';
    path += p;
    keyPath = path;
    if (!exact) unwritable_.AddKey(path);
    const std::size_t cut = path.rfind('\\');
    const std::string parent = cut == std::string::npos ? std::string() : path.substr(0, cut);
    if (parent != parentPath) {
      if (parentKey) reg.CloseKey(parentKey);
      parentKey = 0;
      parentPath = parent;
      if (!parent.empty() &&
          reg.CreateKeyEx(root_, parent, kKEY_ALL_ACCESS, &parentKey, nullptr) != kERROR_SUCCESS)
        parentKey = 0;
    }
    const RegKey base = parent.empty() ? static_cast<RegKey>(root_) : parentKey;
    // A key the registry refuses (a name too long) is left out with its values.
    if (!base || reg.CreateKeyEx(base, parent.empty() ? path : path.substr(cut + 1),
                                 kKEY_ALL_ACCESS, &key, nullptr) != kERROR_SUCCESS)
      key = 0;
  };
  auto onValue = [&](WineRegValue&& v) {
    if (!key) return;
    if (v.type == kREG_LINK && Utf8Upper(v.name) == "SYMBOLICLINKVALUE") {
      std::string target = Utf16LeToUtf8(v.data.data(), v.data.size());
      while (!target.empty() && target.back() == '\0') target.pop_back();
      links_.push_back(RegistryLink{root_, keyPath, target});
    }
    if (!v.exact) unwritable_.AddValue(keyPath, v.name);
    ToProgramData(&v);
    reg.SetValueEx(key, v.name, v.type, v.data.data(), static_cast<std::uint32_t>(v.data.size()));
  };
  std::string why;
  const bool ok = ReadWineRegFile(bytes, onKey, onValue, &why);
  if (key) reg.CloseKey(key);
  if (parentKey) reg.CloseKey(parentKey);
  if (!ok) *error = "\"" + filePath_ + "\" cannot be read: " + why;
  return ok;
}

bool WineRegistryStore::Relative(const RegistryChange& change, std::string* path) const {
  return change.root == root_ && BelowMount(change.path, mount_, path);
}

bool WineRegistryStore::Owns(const RegistryChange& change) const {
  std::string rest;
  return Relative(change, &rest);
}

bool WineRegistryStore::ApplyChanges(const std::string& bytes, const RegistryChanges& changes,
                                     const std::string& mount, std::int64_t now, std::string* out,
                                     std::string* error) {
  BlockList blocks(bytes);
  std::vector<std::string> deleted;
  std::set<std::string> emptied;
  for (const RegistryChange& c : changes) {
    std::string rest;
    if (!BelowMount(c.path, mount, &rest)) continue;
    const std::string& path = rest;
    const std::string where = "\"" + c.path + "\": ";
    switch (c.op) {
      case RegistryChange::Op::kCreateKey:
        if (!path.empty() && !blocks.Exists(path)) blocks.FindOrCreate(path, now);
        break;
      case RegistryChange::Op::kSetValue: {
        WineRegValue v;
        v.name = c.name;
        v.type = c.type;
        v.data = ToWineData(c.type, c.data);
        const std::string upper = Utf8Upper(v.name);
        // The value where the file has it, else in the key's last block.
        bool set = false;
        for (Block* b : blocks.FindAll(path)) {
          Touch(*b);
          for (Entry& e : b->entries)
            if (e.name == upper) {
              e.raw = set ? std::string() : EncodeWineValue(v);
              set = true;
            }
        }
        if (!set) {
          Block& b = blocks.FindOrCreate(path, now);
          Touch(b);
          b.entries.push_back(Entry{upper, EncodeWineValue(v)});
        }
        break;
      }
      case RegistryChange::Op::kDeleteValue: {
        const std::string upper = Utf8Upper(c.name);
        bool found = false;
        for (Block* b : blocks.FindAll(path)) {
          Touch(*b);
          const std::size_t before = b->entries.size();
          b->entries.erase(std::remove_if(b->entries.begin(), b->entries.end(),
                                          [&](const Entry& e) { return e.name == upper; }),
                           b->entries.end());
          found = found || b->entries.size() != before;
        }
        if (!found) {
          *error = where + "the value \"" + c.name + "\" is not in the file";
          return false;
        }
        emptied.insert(path);
        break;
      }
      case RegistryChange::Op::kDeleteKey:
        if (path.empty()) {
          *error = "the root of a registry file cannot be deleted";
          return false;
        }
        if (!blocks.Delete(path)) {
          *error = where + "the key is not in the file";
          return false;
        }
        deleted.push_back(path);
        break;
    }
  }
  // A key without values is written only when it has no subkeys either: a
  // parent whose last subkey went must get a header of its own to stay.
  std::unordered_set<std::string> deletedKeys, parentsSeen;
  for (const std::string& path : deleted) deletedKeys.insert(SortKey(path));
  // Whether the key or one above it was deleted.
  const auto inDeleted = [&](std::string key) {
    for (;;) {
      if (deletedKeys.count(key) != 0) return true;
      const std::size_t cut = key.rfind('\0');
      if (cut == std::string::npos) return false;
      key.resize(cut);
    }
  };
  for (const std::string& path : deleted) {
    const std::string parent = ParentOf(path);
    if (parent.empty() || !parentsSeen.insert(SortKey(parent)).second) continue;
    if (!blocks.Exists(parent) && !inDeleted(SortKey(parent))) blocks.FindOrCreate(parent, now);
  }
  for (const std::string& path : emptied) blocks.DropIfImplicit(path);
  *out = blocks.Join();
  return true;
}

bool WineRegistryStore::Stage(const RegistryChanges& changes, AtomicReplace& replace,
                              std::string* error) {
  RegistryChanges mine;
  for (const RegistryChange& c : changes) {
    if (!Owns(c)) continue;
    const std::string why = unwritable_.Refuse(c);
    if (!why.empty()) {
      *error = "\"" + filePath_ + "\": " + why + "; nothing was written";
      return false;
    }
    mine.push_back(c);
  }
  if (mine.empty()) return true;
  std::int64_t size = -1, mtime = -1;
  if (!StatFile(filePath_, &size, &mtime) || size != loadedSize_ || mtime != loadedMtimeNs_) {
    *error = "\"" + filePath_ + "\" changed after it was read; nothing was written to it";
    return false;
  }
  std::string bytes, fresh;
  if (!ReadHostFile(filePath_, &bytes, error)) return false;
  if (!ApplyChanges(bytes, mine, mount_, static_cast<std::int64_t>(std::time(nullptr)), &fresh,
                    error)) {
    *error = "\"" + filePath_ + "\": " + *error + "; nothing was written";
    return false;
  }
  return replace.Stage(filePath_, fresh, error);
}

}  // namespace corvanta

namespace corvanta {
void WineRegistryStore::Committed() {
  StatFile(filePath_, &loadedSize_, &loadedMtimeNs_);
}
}  // namespace corvanta
