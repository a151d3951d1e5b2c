#include "platform/offline/recording_registry.h"

#include <algorithm>
#include <string>

#include "platform/text_convert.h"

namespace corvanta {

namespace {

// Appends the non-empty components of sub to path.
void AppendPath(std::string* path, const std::string& sub) {
  std::size_t start = 0;
  while (start <= sub.size()) {
    std::size_t end = sub.find('\\', start);
    if (end == std::string::npos) end = sub.size();
    if (end > start) {
      if (!path->empty()) *path += '\\';
      path->append(sub, start, end - start);
    }
    start = end + 1;
  }
}

}  // namespace

std::string RecordingRegistry::LinkKey(std::uint32_t root, const std::string& upperPath) {
  return std::to_string(root) + ':' + upperPath;
}

bool RecordingRegistry::AddLink(std::uint32_t root, const std::string& path,
                                const std::string& target) {
  static const struct {
    const char* prefix;
    std::uint32_t root;
  } kSpaces[] = {{"\\REGISTRY\\MACHINE", kHKEY_LOCAL_MACHINE}, {"\\REGISTRY\\USER", kHKEY_USERS}};
  const std::string upper = Utf8Upper(target);
  for (const auto& space : kSpaces) {
    const std::size_t n = std::string(space.prefix).size();
    if (upper.compare(0, n, space.prefix) != 0 || (upper.size() > n && upper[n] != '\\')) continue;
    // The target is followed as written, as Wine follows it for a 64-bit
    // program: Software\Wow6432Node\Classes shows Classes\Wow6432Node itself
    // (its own links, e.g. TypeLib, lead back into the shared classes).
    Where to{space.root, std::string()};
    AppendPath(&to.path, target.substr(n));
    links_[LinkKey(root, Utf8Upper(path))] = std::move(to);
    return true;
  }
  return false;
}

void RecordingRegistry::AddAlias(std::uint32_t root, const std::string& path,
                                 std::uint32_t target) {
  links_[LinkKey(root, Utf8Upper(path))] = Where{target, std::string()};
}

bool RecordingRegistry::FollowLinks(Where* where, std::size_t from) const {
  if (links_.empty()) return false;
  bool followed = false;
  // A bound on the hops, as the system has, for links that form a loop.
  for (int hops = 0; hops < 16; ++hops) {
    const std::string upper = Utf8Upper(where->path);
    bool found = false;
    for (std::size_t end = from; end < upper.size() && !found;) {
      end = upper.find('\\', end + 1);
      if (end == std::string::npos) end = upper.size();
      auto it = links_.find(LinkKey(where->root, upper.substr(0, end)));
      if (it == links_.end()) continue;
      const std::string rest = where->path.substr(end);
      *where = it->second;
      AppendPath(&where->path, rest);
      found = followed = true;
      from = 0;
    }
    if (!found) break;
  }
  return followed;
}

bool RecordingRegistry::Locate(RegKey key, const std::string& subKey, Where* where,
                               bool* followed) const {
  if (key <= 0xFFFFFFFFu && IsPredefinedRoot(static_cast<std::uint32_t>(key))) {
    const auto root = static_cast<std::uint32_t>(key);
    // The classes root is stored in the machine's Software\Classes.
    if (root == kHKEY_CLASSES_ROOT) {
      *where = Where{kHKEY_LOCAL_MACHINE, "Software\\Classes"};
    } else {
      *where = Where{root, std::string()};
    }
  } else {
    auto it = where_.find(key);
    if (it == where_.end()) return false;
    *where = it->second;
  }
  const std::size_t from = where->path.size();
  AppendPath(&where->path, subKey);
  const bool moved = FollowLinks(where, from);
  if (followed) *followed = moved;
  return true;
}

std::int32_t RecordingRegistry::OpenKeyEx(RegKey parent, const std::string& subKey,
                                          std::uint32_t access, RegKey* out) {
  Where where;
  bool followed = false;
  const bool known = Locate(parent, subKey, &where, &followed);
  const std::int32_t rc = followed ? reg_.OpenKeyEx(where.root, where.path, access, out)
                                   : reg_.OpenKeyEx(parent, subKey, access, out);
  if (rc == kERROR_SUCCESS && known) where_[*out] = std::move(where);
  return rc;
}

std::int32_t RecordingRegistry::CreateKeyEx(RegKey parent, const std::string& subKey,
                                            std::uint32_t access, RegKey* out,
                                            std::uint32_t* disposition) {
  std::uint32_t how = 0;
  Where where;
  bool followed = false;
  const bool known = Locate(parent, subKey, &where, &followed);
  const std::int32_t rc = followed ? reg_.CreateKeyEx(where.root, where.path, access, out, &how)
                                   : reg_.CreateKeyEx(parent, subKey, access, out, &how);
  if (disposition) *disposition = how;
  if (rc != kERROR_SUCCESS || !known) return rc;
  if (how == kREG_CREATED_NEW_KEY) {
    RegistryChange c;
    c.op = RegistryChange::Op::kCreateKey;
    c.root = where.root;
    c.path = where.path;
    changes_.push_back(std::move(c));
  }
  where_[*out] = std::move(where);
  return rc;
}

std::int32_t RecordingRegistry::CloseKey(RegKey key) {
  const std::int32_t rc = reg_.CloseKey(key);
  if (rc == kERROR_SUCCESS) where_.erase(key);
  return rc;
}

std::int32_t RecordingRegistry::SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                                           const std::uint8_t* data, std::uint32_t size) {
  // Setting what a value holds already changes nothing, and is not written:
  // the file keeps its bytes as they are.
  std::uint32_t oldType = 0, oldSize = 0;
  bool same = false;
  if (reg_.QueryValueEx(key, name, &oldType, nullptr, &oldSize) == kERROR_SUCCESS &&
      oldType == type && oldSize == size) {
    std::vector<std::uint8_t> old(size);
    same = reg_.QueryValueEx(key, name, &oldType, old.data(), &oldSize) == kERROR_SUCCESS &&
           (size == 0 || std::equal(old.begin(), old.end(), data));
  }
  Where where;
  const bool known = Locate(key, std::string(), &where);
  RegistryChange c;
  c.op = RegistryChange::Op::kSetValue;
  c.root = where.root;
  c.path = std::move(where.path);
  c.name = name;
  c.type = type;
  if (size) c.data.assign(data, data + size);
  if (!same && known && refuses_ && refuses_(c)) return kERROR_ACCESS_DENIED;
  const std::int32_t rc = reg_.SetValueEx(key, name, type, data, size);
  if (rc != kERROR_SUCCESS || same || !known) return rc;
  changes_.push_back(std::move(c));
  return rc;
}

std::int32_t RecordingRegistry::DeleteKey(RegKey key, const std::string& subKey) {
  Where where;
  bool followed = false;
  const bool known = Locate(key, subKey, &where, &followed);
  RegistryChange c;
  c.op = RegistryChange::Op::kDeleteKey;
  c.root = where.root;
  c.path = where.path;
  if (known && refuses_ && refuses_(c)) return kERROR_ACCESS_DENIED;
  const std::int32_t rc =
      followed ? reg_.DeleteKey(where.root, where.path) : reg_.DeleteKey(key, subKey);
  if (rc != kERROR_SUCCESS || !known) return rc;
  changes_.push_back(std::move(c));
  return rc;
}

std::int32_t RecordingRegistry::DeleteValue(RegKey key, const std::string& name) {
  Where where;
  const bool known = Locate(key, std::string(), &where);
  RegistryChange c;
  c.op = RegistryChange::Op::kDeleteValue;
  c.root = where.root;
  c.path = std::move(where.path);
  c.name = name;
  if (known && refuses_ && refuses_(c)) return kERROR_ACCESS_DENIED;
  const std::int32_t rc = reg_.DeleteValue(key, name);
  if (rc != kERROR_SUCCESS || !known) return rc;
  changes_.push_back(std::move(c));
  return rc;
}

}  // namespace corvanta

namespace corvanta {

void RecordingRegistry::ForgetChangesBelow(std::uint32_t root, const std::string& path) {
  const std::string key = Utf8Upper(path);
  auto below = [&](const RegistryChange& c) {
    if (c.root != root) return false;
    const std::string p = Utf8Upper(c.path);
    return p == key ||
           (p.size() > key.size() && p.compare(0, key.size(), key) == 0 && p[key.size()] == '\\');
  };
  changes_.erase(std::remove_if(changes_.begin(), changes_.end(), below), changes_.end());
}

}  // namespace corvanta
