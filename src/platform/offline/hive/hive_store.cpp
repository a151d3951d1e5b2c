#include "platform/offline/hive/hive_store.h"

#include <fcntl.h>
#include <hivex.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/name_case.h"
#include "platform/offline/hive/hive_text.h"
#include "platform/offline/host_files.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

struct HiveCloser {
  void operator()(hive_h* h) const { hivex_close(h); }
};
using Hive = std::unique_ptr<hive_h, HiveCloser>;

// What hivex hands out is the caller's to free().
struct Free {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using Owned = std::unique_ptr<T, Free>;

// A value's type is any 32-bit number, beyond hivex's enumeration: it is
// carried as bytes, never as an enumeration value C++ would not allow.
static_assert(sizeof(hive_type) == sizeof(std::uint32_t), "hive_type holds a 32-bit type");

char* ValueData(hive_h* h, hive_value_h v, std::uint32_t* type, std::size_t* len) {
  hive_type t;
  char* data = hivex_value_value(h, v, &t, len);
  std::memcpy(type, &t, sizeof *type);
  return data;
}

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

std::string Why(int e) {
  return e ? std::strerror(e) : "unknown error";
}

// The hive's base block keeps two sequence numbers; they differ while the
// system has changes in the hive's log files that the file itself lacks.
bool HasUnwrittenLog(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char head[12] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  return std::memcmp(head + 4, head + 8, 4) != 0;
}

std::string Folder(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

// Whether the key cell at node carries the link flag (KEY_SYM_LINK). hivex
// does not report a key's flags; its node handles are the cells' offsets in
// the file, so the flags are read there, after checking the cell's "nk"
// signature. A cell that cannot be checked is no link.
bool IsLinkNode(std::ifstream& file, hive_node_h node) {
  unsigned char cell[8] = {};
  file.clear();
  if (!file.seekg(static_cast<std::streamoff>(node)) ||
      !file.read(reinterpret_cast<char*>(cell), sizeof cell))
    return false;
  return cell[4] == 'n' && cell[5] == 'k' && (cell[6] & 0x10) != 0;
}

// The child of node whose name matches, or 0.
hive_node_h FindChild(hive_h* h, hive_node_h node, const std::string& name) {
  Owned<hive_node_h> children(hivex_node_children(h, node));
  if (!children) return 0;
  for (hive_node_h* c = children.get(); *c; ++c) {
    Owned<char> childName(hivex_node_name(h, *c));
    if (childName && hive::SameName(childName.get(), name)) return *c;
  }
  return 0;
}

// A name as hivex gives it, else read from its cell (a name hivex cannot
// convert: an unpaired surrogate). *converted says which; false when neither
// reads.
bool NameOf(char* fromHivex, std::ifstream& cells, const std::string& file, std::size_t handle,
            bool key, std::string* name, bool* converted) {
  *converted = fromHivex != nullptr;
  if (fromHivex) {
    *name = fromHivex;
    return true;
  }
  if (!cells.is_open()) cells.open(file, std::ios::binary);
  return hive::NameFromCell(cells, handle, key, name);
}

// Every value of a node as hivex takes it back, to rewrite the node's list:
// hivex replaces a node's values as a whole.
struct ValueList {
  std::vector<std::string> names;  // UTF-8
  std::vector<std::uint32_t> types;
  std::vector<std::string> data;
};

bool ReadValues(hive_h* h, hive_node_h node, ValueList* list) {
  Owned<hive_value_h> values(hivex_node_values(h, node));
  if (!values) return false;
  for (hive_value_h* v = values.get(); *v; ++v) {
    Owned<char> name(hivex_value_key(h, *v));
    std::uint32_t type = 0;
    std::size_t len = 0;
    Owned<char> data(ValueData(h, *v, &type, &len));
    if (!name || !data) return false;
    list->names.push_back(name.get());
    list->types.push_back(type);
    list->data.emplace_back(data.get(), len);
  }
  return true;
}

bool WriteValues(hive_h* h, hive_node_h node, ValueList& list) {
  std::vector<hive_set_value> set(list.names.size());
  for (std::size_t i = 0; i < set.size(); ++i) {
    set[i].key = list.names[i].data();
    std::memcpy(&set[i].t, &list.types[i], sizeof set[i].t);
    set[i].len = list.data[i].size();
    set[i].value = list.data[i].data();
  }
  return hivex_node_set_values(h, node, set.size(), set.data(), 0) == 0;
}

// The children of the keys a write passes through, listed once per key: a
// repair touches thousands of keys below one parent (CLSID), and listing its
// children again for each would cost the parent's width every time. A key's
// place is its names upper-cased, each after a NUL, so that a subtree is one
// run of the map.
class ChildIndex {
 public:
  explicit ChildIndex(hive_h* h) : h_(h) {}

  // The deepest existing node on the way to parts; *found says how many of
  // the parts exist, *place is the node's place.
  hive_node_h Walk(const std::vector<std::string>& parts, std::size_t* found, std::string* place) {
    hive_node_h node = hivex_root(h_);
    place->clear();
    for (*found = 0; *found < parts.size(); ++*found) {
      const Children& children = Of(*place, node);
      const auto it = children.find(Utf8Upper(parts[*found]));
      if (it == children.end()) break;
      node = it->second;
      *place += '\0';
      *place += Utf8Upper(parts[*found]);
    }
    return node;
  }

  // A child added below the node at place; place becomes the child's.
  void Added(std::string* place, const std::string& name, hive_node_h child) {
    const std::string upper = Utf8Upper(name);
    const auto parent = lists_.find(*place);
    if (parent != lists_.end()) parent->second.emplace(upper, child);
    *place += '\0';
    *place += upper;
  }

  // The key at place deleted with its subtree.
  void Deleted(const std::string& place) {
    const std::size_t cut = place.rfind('\0');
    const auto parent = lists_.find(place.substr(0, cut));
    if (parent != lists_.end()) parent->second.erase(place.substr(cut + 1));
    auto it = lists_.lower_bound(place);
    while (it != lists_.end() && it->first.compare(0, place.size(), place) == 0 &&
           (it->first.size() == place.size() || it->first[place.size()] == '\0'))
      it = lists_.erase(it);
  }

 private:
  using Children = std::unordered_map<std::string, hive_node_h>;

  const Children& Of(const std::string& place, hive_node_h node) {
    const auto known = lists_.find(place);
    if (known != lists_.end()) return known->second;
    Children& children = lists_[place];
    Owned<hive_node_h> listed(hivex_node_children(h_, node));
    for (hive_node_h* c = listed ? listed.get() : nullptr; c && *c; ++c) {
      Owned<char> name(hivex_node_name(h_, *c));
      // The first of two names that differ in case only, as a lookup finds.
      if (name) children.emplace(Utf8Upper(name.get()), *c);
    }
    return children;
  }

  hive_h* h_;
  std::map<std::string, Children> lists_;
};

}  // namespace

bool IsAtOrBelow(const std::string& path, const std::string& base) {
  const std::vector<std::string> p = SplitBackslashPath(path), b = SplitBackslashPath(base);
  if (p.size() < b.size()) return false;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (!hive::SameName(p[i], b[i])) return false;
  }
  return true;
}

std::string CheckHive(const std::string& file) {
  Hive h(hivex_open(file.c_str(), 0));
  return h ? std::string() : Why(errno);
}

bool ReadHiveTexts(const std::string& file, const std::string& path,
                   std::vector<std::pair<std::string, std::string>>* values) {
  Hive h(hivex_open(file.c_str(), 0));
  if (!h) return false;
  hive_node_h node = hivex_root(h.get());
  for (const std::string& part : SplitBackslashPath(path)) {
    node = FindChild(h.get(), node, part);
    if (!node) return false;
  }
  ValueList list;
  if (!ReadValues(h.get(), node, &list)) return false;
  for (std::size_t i = 0; i < list.names.size(); ++i) {
    if (list.types[i] != kREG_SZ && list.types[i] != kREG_EXPAND_SZ) continue;
    const std::vector<std::uint8_t> text =
        hive::TextFromHive(list.data[i].data(), list.data[i].size());
    std::string s(text.begin(), text.end());
    s.erase(std::min(s.size(), s.find('\0')));
    values->emplace_back(list.names[i], s);
  }
  return true;
}

HiveStore::HiveStore(std::string file, std::uint32_t root, std::string mountPath)
    : file_(std::move(file)), root_(root), mount_(std::move(mountPath)) {}

void HiveStore::Exclude(const std::string& path) {
  excluded_.push_back(path);
}

bool HiveStore::Load(MemoryRegistry& reg, std::string* error) {
  Hive h(hivex_open(file_.c_str(), 0));
  if (!h) return Fail(error, file_ + ": cannot be read as a hive (" + Why(errno) + ")");
  RegKey mount = root_;
  if (!mount_.empty() && reg.CreateKeyEx(root_, mount_, kKEY_ALL_ACCESS, &mount, nullptr) != 0) {
    return Fail(error, file_ + ": cannot mount it at " + mount_);
  }

  // Depth first with a stack of its own: a hive may nest deeper than the
  // call stack should.
  struct Frame {
    hive_node_h node;
    RegKey key;
    std::string path;  // below root_, for the exclusions
  };
  std::vector<Frame> stack{{hivex_root(h.get()), mount, mount_}};
  auto closeAll = [&] {
    for (const Frame& f : stack) {
      if (f.key != root_) reg.CloseKey(f.key);
    }
  };
  links_.clear();
  std::ifstream cells;  // opened at the first link value, which is rare
  // A damaged hive can list a key below itself or twice: each key is loaded
  // once, and a second listing is damage like any unreadable list.
  std::unordered_set<hive_node_h> seen{stack.back().node};
  std::string bad;
  bool failed = false;
  const auto fail = [&](const std::string& path) {
    bad = path;
    failed = true;
  };
  while (!stack.empty() && !failed) {
    const Frame f = std::move(stack.back());
    stack.pop_back();
    Owned<hive_value_h> values(hivex_node_values(h.get(), f.node));
    Owned<hive_node_h> children(hivex_node_children(h.get(), f.node));
    if (!values || !children) fail(f.path);
    for (hive_value_h* v = values.get(); !failed && *v; ++v) {
      Owned<char> name(hivex_value_key(h.get(), *v));
      std::uint32_t type = 0;
      std::size_t len = 0;
      Owned<char> data(ValueData(h.get(), *v, &type, &len));
      std::string valueName;
      bool converted = true;
      if (!data || !NameOf(name.get(), cells, file_, *v, false, &valueName, &converted)) {
        fail(f.path);
        break;
      }
      // hivex rewrites a key's values as a whole, and cannot take this name.
      if (!converted) unwritable_.AddValuesOf(f.path);
      if (type == kREG_LINK && Utf8Upper(valueName) == "SYMBOLICLINKVALUE") {
        if (!cells.is_open()) cells.open(file_, std::ios::binary);
        if (IsLinkNode(cells, f.node)) {
          const std::vector<std::uint8_t> target = hive::TextFromHive(data.get(), len);
          std::string text(target.begin(), target.end());
          text.erase(std::min(text.size(), text.find('\0')));
          links_.push_back(RegistryLink{root_, f.path, text});
        }
      }
      std::vector<std::uint8_t> bytes;
      if (hive::IsTextType(type)) {
        bytes = hive::TextFromHive(data.get(), len);
      } else {
        bytes.assign(data.get(), data.get() + len);
      }
      reg.SetValueEx(f.key, valueName, type, bytes.data(),
                     static_cast<std::uint32_t>(bytes.size()));
    }
    for (hive_node_h* c = children.get(); !failed && *c; ++c) {
      Owned<char> raw(hivex_node_name(h.get(), *c));
      std::string name;
      bool converted = true;
      if (!NameOf(raw.get(), cells, file_, *c, true, &name, &converted)) name.clear();
      std::string path = f.path.empty() ? name : f.path + "\\" + name;
      if (!converted) unwritable_.AddKey(path);
      bool skip = false;
      for (const std::string& ex : excluded_) skip = skip || IsAtOrBelow(path, ex);
      if (skip) continue;
      RegKey key = 0;
      if (name.empty() || !seen.insert(*c).second ||
          reg.CreateKeyEx(f.key, name, kKEY_ALL_ACCESS, &key, nullptr) != 0) {
        fail(path);
        break;
      }
      stack.push_back({*c, key, std::move(path)});
    }
    if (f.key != root_) reg.CloseKey(f.key);
  }
  closeAll();
  if (failed) {
    return Fail(error, file_ + (bad.empty() ? std::string(": the root key") : ": the key " + bad) +
                           " cannot be read");
  }
  return true;
}

bool HiveStore::Owns(const RegistryChange& change) const {
  if (change.root != root_ || !IsAtOrBelow(change.path, mount_)) return false;
  for (const std::string& ex : excluded_) {
    if (IsAtOrBelow(change.path, ex)) return false;
  }
  return true;
}

std::string HiveStore::Refusal(const RegistryChange& change) const {
  const std::string why = unwritable_.Refuse(change);
  if (!why.empty()) return why;
  const bool named =
      change.op == RegistryChange::Op::kCreateKey || change.op == RegistryChange::Op::kSetValue;
  if (named && (!IsStrictUtf8(change.path) ||
                (change.op == RegistryChange::Op::kSetValue && !IsStrictUtf8(change.name))))
    return "\"" + change.path + "\": a hive cannot be given a name with an unpaired surrogate here";
  return std::string();
}

std::string HiveStore::RefuseWrite() const {
  if (access(Folder(file_).c_str(), W_OK) != 0) {
    return file_ + ": its folder cannot be written (" + Why(errno) + ")";
  }
  if (HasUnwrittenLog(file_)) {
    return file_ +
           ": the system left changes in its log files that the hive lacks (it was not shut "
           "down cleanly); start it once and shut it down first";
  }
  return "";
}

bool HiveStore::Stage(const RegistryChanges& changes, AtomicReplace& replace, std::string* error) {
  std::vector<const RegistryChange*> mine;
  for (const RegistryChange& c : changes) {
    if (!Owns(c)) continue;
    const std::string why = Refusal(c);
    if (!why.empty()) return Fail(error, file_ + ": " + why + "; nothing was written");
    mine.push_back(&c);
  }
  if (mine.empty()) return true;
  const std::string refused = RefuseWrite();
  if (!refused.empty()) return Fail(error, refused);
  Hive h(hivex_open(file_.c_str(), HIVEX_OPEN_WRITE));
  if (!h) return Fail(error, file_ + ": cannot be opened as a hive (" + Why(errno) + ")");

  const std::size_t skip = SplitBackslashPath(mount_).size();
  ChildIndex index(h.get());
  std::string place;
  for (const RegistryChange* c : mine) {
    std::vector<std::string> parts = SplitBackslashPath(c->path);
    parts.erase(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(skip));
    const std::string where = file_ + ": " + c->path + ": ";
    std::size_t found = 0;
    hive_node_h node = index.Walk(parts, &found, &place);
    const bool exists = found == parts.size();
    switch (c->op) {
      case RegistryChange::Op::kCreateKey:
        for (; found < parts.size(); ++found) {
          node = hivex_node_add_child(h.get(), node, parts[found].c_str());
          if (!node) return Fail(error, where + "cannot create the key (" + Why(errno) + ")");
          index.Added(&place, parts[found], node);
        }
        break;
      case RegistryChange::Op::kDeleteKey:
        if (parts.empty()) return Fail(error, where + "the hive's own root is not deleted");
        // Gone already, with a parent an earlier change deleted.
        if (exists && hivex_node_delete_child(h.get(), node) != 0) {
          return Fail(error, where + "cannot delete the key (" + Why(errno) + ")");
        }
        if (exists) index.Deleted(place);
        break;
      case RegistryChange::Op::kSetValue:
      case RegistryChange::Op::kDeleteValue: {
        const bool set = c->op == RegistryChange::Op::kSetValue;
        if (!exists) return Fail(error, where + "the key is not in the hive");
        ValueList list;
        if (!ReadValues(h.get(), node, &list)) {
          return Fail(error, where + "cannot read the key's values (" + Why(errno) + ")");
        }
        const std::string& name = c->name;
        std::size_t i = 0;
        while (i < list.names.size() && !hive::SameName(list.names[i], name)) ++i;
        if (!set && i == list.names.size())
          return Fail(error, where + "the value \"" + c->name + "\" is not in the hive");
        if (set) {
          const std::string bytes = hive::IsTextType(c->type)
                                        ? hive::TextForHive(c->data)
                                        : std::string(c->data.begin(), c->data.end());
          if (i == list.names.size()) {
            list.names.push_back(name);
            list.types.push_back(0);
            list.data.emplace_back();
          }
          list.types[i] = c->type;
          list.data[i].assign(bytes.begin(), bytes.end());
        } else {
          list.names.erase(list.names.begin() + static_cast<std::ptrdiff_t>(i));
          list.types.erase(list.types.begin() + static_cast<std::ptrdiff_t>(i));
          list.data.erase(list.data.begin() + static_cast<std::ptrdiff_t>(i));
        }
        if (!WriteValues(h.get(), node, list)) {
          return Fail(error, where + "cannot write the key's values (" + Why(errno) + ")");
        }
        break;
      }
    }
  }

  // A new file beside the hive; the commit renames it over the hive.
  const std::string fresh = AtomicReplace::StagingPath(file_);
  if (hivex_commit(h.get(), fresh.c_str(), 0) != 0) {
    const int e = errno;
    unlink(fresh.c_str());
    return Fail(error, file_ + ": cannot write " + fresh + " (" + Why(e) + ")");
  }
  return replace.StageWritten(file_, error);
}

}  // namespace corvanta
