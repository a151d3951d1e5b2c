#include "platform/offline/merged_classes.h"

#include <algorithm>

#include "platform/name_case.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

const std::uint32_t kRoots[2] = {kHKEY_CURRENT_USER, kHKEY_LOCAL_MACHINE};

std::string SidePath(const std::string& path) {
  return path.empty() ? "Software\\Classes" : "Software\\Classes\\" + path;
}

std::string Join(const std::string& path, const std::string& sub) {
  std::string out = path;
  for (const std::string& part : SplitBackslashPath(sub)) out += (out.empty() ? "" : "\\") + part;
  return out;
}

// The names of a key's subkeys or values, in its order; the error of the
// first enumeration that fails.
std::int32_t Names(RegistryApi& reg, RegKey key, bool values, std::vector<std::string>* out) {
  RegKeyInfo info;
  if (std::int32_t rc = reg.QueryInfoKey(key, &info)) return rc;
  std::vector<char> name((values ? info.maxValueNameLen : info.maxSubKeyLen) + 1);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t len = static_cast<std::uint32_t>(name.size());
    const std::int32_t rc =
        values ? reg.EnumValue(key, i, name.data(), &len, nullptr, nullptr, nullptr)
               : reg.EnumKeyEx(key, i, name.data(), &len);
    if (rc == kERROR_NO_MORE_ITEMS) return kERROR_SUCCESS;
    if (rc == kERROR_MORE_DATA) {
      name.resize(name.size() * 2 + 256);
      --i;
      continue;
    }
    if (rc) return rc;
    out->push_back(Utf8Upper(std::string(name.data(), len)));
  }
}

}  // namespace

RegKey MergedClassesRegistry::Only(const Merged& m) {
  return m.side[kUser] && m.side[kMachine] ? 0 : m.side[kUser] ? m.side[kUser] : m.side[kMachine];
}

MergedClassesRegistry::~MergedClassesRegistry() {
  for (auto& [handle, m] : merged_)
    for (RegKey side : m.side)
      if (side) inner_.CloseKey(side);
  for (RegKey side : root_.side)
    if (side) inner_.CloseKey(side);
}

std::int32_t MergedClassesRegistry::OpenBoth(const std::string& path, std::uint32_t access,
                                             Merged* m) {
  m->path = path;
  std::int32_t error = kERROR_FILE_NOT_FOUND;
  for (int s : {kUser, kMachine}) {
    const std::int32_t rc = inner_.OpenKeyEx(kRoots[s], SidePath(path), access, &m->side[s]);
    if (rc != kERROR_SUCCESS) m->side[s] = 0;
    if (rc != kERROR_SUCCESS && rc != kERROR_FILE_NOT_FOUND) error = rc;
  }
  return m->side[kUser] || m->side[kMachine] ? kERROR_SUCCESS : error;
}

MergedClassesRegistry::Merged* MergedClassesRegistry::Find(RegKey key) {
  if (!merging_) return nullptr;
  if (key == kHKEY_CLASSES_ROOT) {
    // Reopened after a change: either copy of the root may have come or gone.
    if (rootAt_ != changes_) {
      for (RegKey& side : root_.side)
        if (side) inner_.CloseKey(side);
      root_ = Merged{};
      OpenBoth("", kKEY_ALL_ACCESS, &root_);
      rootAt_ = changes_;
    }
    return &root_;
  }
  auto it = merged_.find(key);
  return it == merged_.end() ? nullptr : &it->second;
}

std::int32_t MergedClassesRegistry::SubPath(RegKey parent, const Merged& m,
                                            const std::string& subKey, std::string* path) const {
  // A leading backslash is skipped below the classes root only, as the
  // system does.
  std::string sub = subKey;
  if (!sub.empty() && sub[0] == '\\') {
    if (parent != kHKEY_CLASSES_ROOT) return kERROR_BAD_PATHNAME;
    sub.erase(0, 1);
  }
  *path = Join(m.path, sub);
  return kERROR_SUCCESS;
}

RegKey MergedClassesRegistry::Mint(Merged m) {
  const RegKey key = next_;
  next_ += 4;
  merged_[key] = std::move(m);
  return key;
}

bool MergedClassesRegistry::Exists(int side, const std::string& path) {
  RegKey key = 0;
  if (inner_.OpenKeyEx(kRoots[side], SidePath(path), kKEY_QUERY_VALUE, &key) != kERROR_SUCCESS)
    return false;
  inner_.CloseKey(key);
  return true;
}

std::int32_t MergedClassesRegistry::OpenKeyEx(RegKey parent, const std::string& subKey,
                                              std::uint32_t access, RegKey* out) {
  Merged* p = Find(parent);
  if (!p) return inner_.OpenKeyEx(parent, subKey, access, out);
  if (!out) return kERROR_INVALID_PARAMETER;
  *out = 0;
  std::string path;
  if (std::int32_t rc = SubPath(parent, *p, subKey, &path)) return rc;
  Merged m;
  if (std::int32_t rc = OpenBoth(path, access, &m)) return rc;
  *out = Mint(std::move(m));
  return kERROR_SUCCESS;
}

std::int32_t MergedClassesRegistry::CreateKeyEx(RegKey parent, const std::string& subKey,
                                                std::uint32_t access, RegKey* out,
                                                std::uint32_t* disposition) {
  Merged* p = Find(parent);
  if (!p) {
    std::uint32_t how = 0;
    const std::int32_t rc = inner_.CreateKeyEx(parent, subKey, access, out, &how);
    if (rc == kERROR_SUCCESS && how == kREG_CREATED_NEW_KEY) ++changes_;
    if (disposition) *disposition = how;
    return rc;
  }
  if (!out) return kERROR_INVALID_PARAMETER;
  *out = 0;
  std::string path;
  if (std::int32_t rc = SubPath(parent, *p, subKey, &path)) return rc;
  Merged m;
  const std::int32_t opened = OpenBoth(path, access, &m);
  if (opened == kERROR_SUCCESS) {
    if (disposition) *disposition = kREG_OPENED_EXISTING_KEY;
    *out = Mint(std::move(m));
    return kERROR_SUCCESS;
  }
  if (opened != kERROR_FILE_NOT_FOUND) return opened;

  // The new key goes where its nearest existing parent is, the machine's
  // copy when both hold it.
  std::vector<std::string> parts = SplitBackslashPath(path);
  int side = kMachine;
  for (std::size_t n = parts.size(); n-- > 0;) {
    std::string above;
    for (std::size_t i = 0; i < n; ++i) above += (i ? "\\" : "") + parts[i];
    const bool user = Exists(kUser, above), machine = Exists(kMachine, above);
    if (!user && !machine) continue;
    side = machine ? kMachine : kUser;
    break;
  }
  std::uint32_t how = 0;
  const std::int32_t rc =
      inner_.CreateKeyEx(kRoots[side], SidePath(path), access, &m.side[side], &how);
  if (rc != kERROR_SUCCESS) return rc;
  ++changes_;
  if (disposition) *disposition = how;
  *out = Mint(std::move(m));
  return kERROR_SUCCESS;
}

std::int32_t MergedClassesRegistry::CloseKey(RegKey key) {
  if (key == kHKEY_CLASSES_ROOT) return kERROR_SUCCESS;
  auto it = merged_.find(key);
  if (it == merged_.end()) return inner_.CloseKey(key);
  for (RegKey side : it->second.side)
    if (side) inner_.CloseKey(side);
  merged_.erase(it);
  return kERROR_SUCCESS;
}

std::int32_t MergedClassesRegistry::FlushKey(RegKey key) {
  Merged* m = Find(key);
  if (!m) return inner_.FlushKey(key);
  for (RegKey side : m->side)
    if (side)
      if (std::int32_t rc = inner_.FlushKey(side)) return rc;
  return kERROR_SUCCESS;
}

bool MergedClassesRegistry::Rebuild(Merged& m, bool values, std::vector<std::string> (&names)[2]) {
  std::uint64_t& at = values ? m.valuesAt : m.keysAt;
  if (at == changes_) return false;
  (values ? m.values : m.keys).clear();
  at = changes_;
  std::int32_t& error = values ? m.valuesError : m.keysError;
  for (int s : {kUser, kMachine}) {
    error = Names(inner_, m.side[s], values, &names[s]);
    if (error) return false;
  }
  return true;
}

const std::vector<MergedClassesRegistry::Entry>& MergedClassesRegistry::Keys(Merged& m) {
  std::vector<std::string> names[2];
  if (!Rebuild(m, false, names)) return m.keys;
  // Both lists come sorted by their upper-case names; the user's spelling
  // stands for a name in both.
  std::size_t u = 0, k = 0;
  while (u < names[kUser].size() || k < names[kMachine].size()) {
    const bool user = k == names[kMachine].size() ||
                      (u < names[kUser].size() && names[kUser][u] <= names[kMachine][k]);
    if (user) {
      if (k < names[kMachine].size() && names[kUser][u] == names[kMachine][k]) ++k;
      m.keys.emplace_back(kUser, static_cast<std::uint32_t>(u++));
    } else {
      m.keys.emplace_back(kMachine, static_cast<std::uint32_t>(k++));
    }
  }
  return m.keys;
}

const std::vector<MergedClassesRegistry::Entry>& MergedClassesRegistry::Values(Merged& m) {
  std::vector<std::string> names[2];
  if (!Rebuild(m, true, names)) return m.values;
  // The user's values in their order, then the machine's the user lacks.
  for (std::size_t i = 0; i < names[kUser].size(); ++i)
    m.values.emplace_back(kUser, static_cast<std::uint32_t>(i));
  std::vector<std::string> mine = names[kUser];
  std::sort(mine.begin(), mine.end());
  for (std::size_t i = 0; i < names[kMachine].size(); ++i)
    if (!std::binary_search(mine.begin(), mine.end(), names[kMachine][i]))
      m.values.emplace_back(kMachine, static_cast<std::uint32_t>(i));
  return m.values;
}

std::int32_t MergedClassesRegistry::QueryInfoKey(RegKey key, RegKeyInfo* info) {
  Merged* m = Find(key);
  if (!m) return inner_.QueryInfoKey(key, info);
  if (const RegKey only = Only(*m)) return inner_.QueryInfoKey(only, info);
  RegKeyInfo part[2];
  for (int s : {kUser, kMachine})
    if (std::int32_t rc = inner_.QueryInfoKey(m->side[s], &part[s])) return rc;
  if (!info) return kERROR_SUCCESS;
  const std::size_t keys = Keys(*m).size(), values = Values(*m).size();
  if (m->keysError) return m->keysError;
  if (m->valuesError) return m->valuesError;
  info->subKeys = static_cast<std::uint32_t>(keys);
  info->values = static_cast<std::uint32_t>(values);
  info->maxSubKeyLen = std::max(part[0].maxSubKeyLen, part[1].maxSubKeyLen);
  info->maxValueNameLen = std::max(part[0].maxValueNameLen, part[1].maxValueNameLen);
  info->maxValueLen = std::max(part[0].maxValueLen, part[1].maxValueLen);
  return kERROR_SUCCESS;
}

std::int32_t MergedClassesRegistry::EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                                              std::uint32_t* nameLen) {
  Merged* m = Find(key);
  if (!m) return inner_.EnumKeyEx(key, index, name, nameLen);
  if (const RegKey only = Only(*m)) return inner_.EnumKeyEx(only, index, name, nameLen);
  const std::vector<Entry>& keys = Keys(*m);
  if (m->keysError) return m->keysError;
  if (index >= keys.size()) return kERROR_NO_MORE_ITEMS;
  return inner_.EnumKeyEx(m->side[keys[index].first], keys[index].second, name, nameLen);
}

std::int32_t MergedClassesRegistry::EnumValue(RegKey key, std::uint32_t index, char* name,
                                              std::uint32_t* nameLen, std::uint32_t* type,
                                              std::uint8_t* data, std::uint32_t* dataLen) {
  Merged* m = Find(key);
  if (!m) return inner_.EnumValue(key, index, name, nameLen, type, data, dataLen);
  if (const RegKey only = Only(*m))
    return inner_.EnumValue(only, index, name, nameLen, type, data, dataLen);
  const std::vector<Entry>& values = Values(*m);
  if (m->valuesError) return m->valuesError;
  if (index >= values.size()) return kERROR_NO_MORE_ITEMS;
  return inner_.EnumValue(m->side[values[index].first], values[index].second, name, nameLen, type,
                          data, dataLen);
}

std::int32_t MergedClassesRegistry::QueryValueEx(RegKey key, const std::string& name,
                                                 std::uint32_t* type, std::uint8_t* data,
                                                 std::uint32_t* dataLen) {
  Merged* m = Find(key);
  if (!m) return inner_.QueryValueEx(key, name, type, data, dataLen);
  std::int32_t rc = kERROR_FILE_NOT_FOUND;
  for (RegKey side : m->side) {
    if (!side) continue;
    rc = inner_.QueryValueEx(side, name, type, data, dataLen);
    if (rc != kERROR_FILE_NOT_FOUND) return rc;
  }
  return rc;
}

std::int32_t MergedClassesRegistry::SetValueEx(RegKey key, const std::string& name,
                                               std::uint32_t type, const std::uint8_t* data,
                                               std::uint32_t size) {
  Merged* m = Find(key);
  const std::int32_t rc = m ? inner_.SetValueEx(m->side[kUser] ? m->side[kUser] : m->side[kMachine],
                                                name, type, data, size)
                            : inner_.SetValueEx(key, name, type, data, size);
  if (rc == kERROR_SUCCESS) ++changes_;
  return rc;
}

std::int32_t MergedClassesRegistry::DeleteKey(RegKey key, const std::string& subKey) {
  Merged* p = Find(key);
  if (!p) {
    const std::int32_t rc = inner_.DeleteKey(key, subKey);
    if (rc == kERROR_SUCCESS) ++changes_;
    return rc;
  }
  std::string path;
  if (std::int32_t rc = SubPath(key, *p, subKey, &path)) return rc;
  if (path.empty()) return kERROR_ACCESS_DENIED;  // the classes root itself
  std::int32_t rc = kERROR_FILE_NOT_FOUND;
  for (int s : {kUser, kMachine}) {
    rc = inner_.DeleteKey(kRoots[s], SidePath(path));
    if (rc != kERROR_FILE_NOT_FOUND) break;
  }
  if (rc == kERROR_SUCCESS) ++changes_;
  return rc;
}

std::int32_t MergedClassesRegistry::DeleteValue(RegKey key, const std::string& name) {
  Merged* m = Find(key);
  std::int32_t rc = kERROR_FILE_NOT_FOUND;
  if (!m) {
    rc = inner_.DeleteValue(key, name);
  } else {
    for (RegKey side : m->side) {
      if (!side) continue;
      rc = inner_.DeleteValue(side, name);
      if (rc != kERROR_FILE_NOT_FOUND) break;
    }
  }
  if (rc == kERROR_SUCCESS) ++changes_;
  return rc;
}

}  // namespace corvanta
