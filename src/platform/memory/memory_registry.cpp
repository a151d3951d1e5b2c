#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/name_case.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

// Windows orders and matches names by their upper-case form.
int CompareNames(const std::string& a, const std::string& b) {
  return CompareNameUpper(a, b);
}

bool IsText(std::uint32_t type) {
  return type == kREG_SZ || type == kREG_EXPAND_SZ || type == kREG_MULTI_SZ;
}

// The real registry rejects a sub key path with a leading backslash, except
// below the classes root, where one is skipped.
bool BadPath(RegKey parent, const std::string& subKey, std::string* path) {
  *path = subKey;
  if (subKey.empty() || subKey[0] != '\\') return false;
  if (parent != kHKEY_CLASSES_ROOT) return true;
  path->erase(0, 1);
  return false;
}

// Key names longer than this many UTF-16 units are refused, as the real
// registry does.
constexpr std::size_t kMaxKeyNameLen = 255;

}  // namespace

struct MemoryRegistry::Node : std::enable_shared_from_this<MemoryRegistry::Node> {
  struct Value {
    std::string name;
    std::uint32_t type = kREG_NONE;
    std::vector<std::uint8_t> data;
  };

  std::string name;
  Node* parent = nullptr;
  // Kept sorted by CompareNames.
  std::vector<std::shared_ptr<Node>> children;
  // In insertion order.
  std::vector<Value> values;
  bool deleted = false;
  std::uint32_t denyMask = 0;
  bool denyDelete = false;
  std::int32_t enumError = kERROR_SUCCESS;

  Node* Child(const std::string& childName) const {
    auto it = std::lower_bound(children.begin(), children.end(), childName,
                               [](const std::shared_ptr<Node>& n, const std::string& key) {
                                 return CompareNames(n->name, key) < 0;
                               });
    if (it != children.end() && CompareNames((*it)->name, childName) == 0) return it->get();
    return nullptr;
  }

  Node* AddChild(const std::string& childName) {
    auto node = std::make_shared<Node>();
    node->name = childName;
    node->parent = this;
    auto it = std::lower_bound(children.begin(), children.end(), childName,
                               [](const std::shared_ptr<Node>& n, const std::string& key) {
                                 return CompareNames(n->name, key) < 0;
                               });
    return children.insert(it, node)->get();
  }

  Value* FindValue(const std::string& valueName) {
    for (Value& v : values) {
      if (CompareNames(v.name, valueName) == 0) return &v;
    }
    return nullptr;
  }
};

struct MemoryRegistry::Handle {
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
};

MemoryRegistry::MemoryRegistry() {
  static const char* const kRootNames[7] = {
      "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
      "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
  for (int i = 0; i < 7; ++i) {
    roots_[i] = std::make_unique<Node>();
    roots_[i]->name = kRootNames[i];
  }
  SeedPath(kHKEY_LOCAL_MACHINE, "Software\\Classes");
  SeedPath(kHKEY_CURRENT_USER, "Software");
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::RootNode(std::uint32_t root) const {
  if (!IsPredefinedRoot(root)) return nullptr;
  if (root == kHKEY_CLASSES_ROOT) {
    // The classes root is the machine's Software\Classes key.
    Node* software = roots_[kHKEY_LOCAL_MACHINE - kHKEY_CLASSES_ROOT]->Child("Software");
    Node* classes = software ? software->Child("Classes") : nullptr;
    return classes;
  }
  return roots_[root - kHKEY_CLASSES_ROOT].get();
}

MemoryRegistry::Handle* MemoryRegistry::FindHandle(RegKey key) const {
  auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : it->second.get();
}

MemoryRegistry::Node* MemoryRegistry::Resolve(RegKey key, std::int32_t* error) const {
  *error = kERROR_SUCCESS;
  if (key <= 0xFFFFFFFFu && IsPredefinedRoot(static_cast<std::uint32_t>(key))) {
    Node* node = RootNode(static_cast<std::uint32_t>(key));
    if (!node) *error = kERROR_FILE_NOT_FOUND;
    return node;
  }
  Handle* handle = FindHandle(key);
  if (!handle) {
    *error = kERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (handle->node->deleted) {
    *error = kERROR_KEY_DELETED;
    return nullptr;
  }
  return handle->node.get();
}

MemoryRegistry::Node* MemoryRegistry::ResolveFor(RegKey key, std::uint32_t need,
                                                 std::int32_t* error) const {
  Node* node = Resolve(key, error);
  if (!node) return nullptr;
  // The predefined roots allow everything; opened handles what they asked for.
  const Handle* handle = FindHandle(key);
  if (handle && (handle->access & need) != need) {
    *error = kERROR_ACCESS_DENIED;
    return nullptr;
  }
  return node;
}

RegKey MemoryRegistry::NewHandle(Node* node, std::uint32_t access) {
  // Roots are owned by roots_, not shared: they have no owner to share.
  std::shared_ptr<Node> owner = node->weak_from_this().lock();
  auto handle = std::make_unique<Handle>();
  if (owner) {
    handle->node = owner;
  } else {
    // A root: alias it without ownership.
    handle->node = std::shared_ptr<Node>(std::shared_ptr<Node>(), node);
  }
  handle->access = access;
  const RegKey key = nextHandle_;
  nextHandle_ += 4;
  handles_[key] = std::move(handle);
  return key;
}

std::int32_t MemoryRegistry::FindExisting(RegKey parent, const std::string& subKey,
                                          Node** out) const {
  std::int32_t error;
  Node* node = Resolve(parent, &error);
  if (!node) return error;
  std::string path;
  if (BadPath(parent, subKey, &path)) return kERROR_BAD_PATHNAME;
  for (const std::string& part : SplitBackslashPath(path)) {
    Node* child = node->Child(part);
    if (!child) return kERROR_FILE_NOT_FOUND;
    node = child;
  }
  *out = node;
  return kERROR_SUCCESS;
}

std::int32_t MemoryRegistry::OpenKeyEx(RegKey parent, const std::string& subKey,
                                       std::uint32_t access, RegKey* out) {
  if (!out) return kERROR_INVALID_PARAMETER;
  *out = 0;
  Node* node = nullptr;
  if (std::int32_t error = FindExisting(parent, subKey, &node)) return error;
  if (node->denyMask & access) return kERROR_ACCESS_DENIED;
  *out = NewHandle(node, access);
  return kERROR_SUCCESS;
}

std::int32_t MemoryRegistry::CreateKeyEx(RegKey parent, const std::string& subKey,
                                         std::uint32_t access, RegKey* out,
                                         std::uint32_t* disposition) {
  if (!out) return kERROR_INVALID_PARAMETER;
  *out = 0;
  std::int32_t error;
  Node* node = Resolve(parent, &error);
  if (!node) return error;
  std::string path;
  if (BadPath(parent, subKey, &path)) return kERROR_BAD_PATHNAME;
  const Handle* handle = FindHandle(parent);
  bool canCreate = !handle || (handle->access & kKEY_CREATE_SUB_KEY);
  bool created = false;
  for (const std::string& part : SplitBackslashPath(path)) {
    if (part.size() > kMaxKeyNameLen && Utf8ToUtf16(part).size() > kMaxKeyNameLen)
      return kERROR_INVALID_PARAMETER;
    Node* child = node->Child(part);
    if (child) {
      node = child;
      continue;
    }
    if (!canCreate || (node->denyMask & kKEY_CREATE_SUB_KEY)) return kERROR_ACCESS_DENIED;
    node = node->AddChild(part);
    created = true;
  }
  if (node->denyMask & access) return kERROR_ACCESS_DENIED;
  *out = NewHandle(node, access);
  if (disposition) *disposition = created ? kREG_CREATED_NEW_KEY : kREG_OPENED_EXISTING_KEY;
  return kERROR_SUCCESS;
}

std::int32_t MemoryRegistry::CloseKey(RegKey key) {
  if (key <= 0xFFFFFFFFu && IsPredefinedRoot(static_cast<std::uint32_t>(key))) {
    return kERROR_SUCCESS;
  }
  auto it = handles_.find(key);
  if (it == handles_.end()) return kERROR_INVALID_HANDLE;
  handles_.erase(it);
  return kERROR_SUCCESS;
}

std::int32_t MemoryRegistry::FlushKey(RegKey key) {
  std::int32_t error;
  return Resolve(key, &error) ? kERROR_SUCCESS : error;
}

std::int32_t MemoryRegistry::QueryInfoKey(RegKey key, RegKeyInfo* info) {
  std::int32_t error;
  Node* node = ResolveFor(key, 0, &error);
  if (!node) return error;
  if (!info) return kERROR_SUCCESS;
  *info = RegKeyInfo{};
  info->subKeys = static_cast<std::uint32_t>(node->children.size());
  for (const auto& child : node->children) {
    info->maxSubKeyLen =
        std::max(info->maxSubKeyLen, static_cast<std::uint32_t>(child->name.size()));
  }
  info->values = static_cast<std::uint32_t>(node->values.size());
  for (const Node::Value& v : node->values) {
    info->maxValueNameLen =
        std::max(info->maxValueNameLen, static_cast<std::uint32_t>(v.name.size()));
    info->maxValueLen = std::max(info->maxValueLen, static_cast<std::uint32_t>(v.data.size()));
  }
  return kERROR_SUCCESS;
}

namespace {

// Copies a name into a caller's buffer as the enumeration calls do.
std::int32_t CopyName(const std::string& name, char* buffer, std::uint32_t* len) {
  if (!buffer || !len) return kERROR_INVALID_PARAMETER;
  if (name.size() >= *len) return kERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *len = static_cast<std::uint32_t>(name.size());
  return kERROR_SUCCESS;
}

// Copies value data into a caller's buffer as the Win32 adapter does: a size
// query without a buffer, ERROR_MORE_DATA with the size needed, and a NUL
// added after text stored without one when the buffer has room for it.
std::int32_t CopyData(std::uint32_t storedType, const std::vector<std::uint8_t>& stored,
                      std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLen) {
  if (data && !dataLen) return kERROR_INVALID_PARAMETER;
  if (type) *type = storedType;
  const std::uint32_t size = static_cast<std::uint32_t>(stored.size());
  if (!data) {
    if (dataLen) *dataLen = size;
    return kERROR_SUCCESS;
  }
  if (*dataLen < size) {
    *dataLen = size;
    return kERROR_MORE_DATA;
  }
  if (size) std::memcpy(data, stored.data(), size);
  if (IsText(storedType) && size > 0 && size < *dataLen && stored[size - 1] != 0) {
    data[size] = 0;
  }
  *dataLen = size;
  return kERROR_SUCCESS;
}

}  // namespace

std::int32_t MemoryRegistry::EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                                       std::uint32_t* nameLen) {
  std::int32_t error;
  Node* node = ResolveFor(key, kKEY_ENUMERATE_SUB_KEYS, &error);
  if (!node) return error;
  if (node->enumError != kERROR_SUCCESS) return node->enumError;
  if (index >= node->children.size()) return kERROR_NO_MORE_ITEMS;
  return CopyName(node->children[index]->name, name, nameLen);
}

std::int32_t MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, char* name,
                                       std::uint32_t* nameLen, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* dataLen) {
  std::int32_t error;
  Node* node = ResolveFor(key, kKEY_QUERY_VALUE, &error);
  if (!node) return error;
  if (node->enumError != kERROR_SUCCESS) return node->enumError;
  if (index >= node->values.size()) return kERROR_NO_MORE_ITEMS;
  const Node::Value& value = node->values[index];
  const std::int32_t rc = CopyName(value.name, name, nameLen);
  if (rc != kERROR_SUCCESS) return rc;
  return CopyData(value.type, value.data, type, data, dataLen);
}

std::int32_t MemoryRegistry::QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                                          std::uint8_t* data, std::uint32_t* dataLen) {
  std::int32_t error;
  Node* node = ResolveFor(key, kKEY_QUERY_VALUE, &error);
  if (!node) return error;
  const Node::Value* value = node->FindValue(name);
  if (!value) return kERROR_FILE_NOT_FOUND;
  return CopyData(value->type, value->data, type, data, dataLen);
}

std::int32_t MemoryRegistry::SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                                        const std::uint8_t* data, std::uint32_t size) {
  std::int32_t error;
  Node* node = ResolveFor(key, kKEY_SET_VALUE, &error);
  if (!node) return error;
  if (!data && size) return kERROR_INVALID_PARAMETER;
  std::vector<std::uint8_t> bytes;
  if (size) bytes.assign(data, data + size);
  if (Node::Value* value = node->FindValue(name)) {
    value->type = type;
    value->data = std::move(bytes);
  } else {
    node->values.push_back(Node::Value{name, type, std::move(bytes)});
  }
  return kERROR_SUCCESS;
}

std::int32_t MemoryRegistry::DeleteKey(RegKey key, const std::string& subKey) {
  Node* node = nullptr;
  if (std::int32_t error = FindExisting(key, subKey, &node)) return error;
  // Roots are never deleted, nor a key that refuses delete access.
  if (!node->parent || (node->denyMask & kDELETE) || node->denyDelete) return kERROR_ACCESS_DENIED;
  if (node == RootNode(kHKEY_CLASSES_ROOT)) return kERROR_ACCESS_DENIED;
  if (!node->children.empty()) return kERROR_ACCESS_DENIED;
  Node* parent = node->parent;
  for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
    if (it->get() == node) {
      node->deleted = true;
      node->parent = nullptr;
      parent->children.erase(it);
      break;
    }
  }
  return kERROR_SUCCESS;
}

std::int32_t MemoryRegistry::DeleteValue(RegKey key, const std::string& name) {
  std::int32_t error;
  Node* node = ResolveFor(key, kKEY_SET_VALUE, &error);
  if (!node) return error;
  if (node->denyDelete) return kERROR_ACCESS_DENIED;
  for (auto it = node->values.begin(); it != node->values.end(); ++it) {
    if (CompareNames(it->name, name) == 0) {
      node->values.erase(it);
      return kERROR_SUCCESS;
    }
  }
  return kERROR_FILE_NOT_FOUND;
}

MemoryRegistry::Node* MemoryRegistry::SeedPath(std::uint32_t root, const std::string& path) {
  Node* node = RootNode(root);
  if (!node) return nullptr;
  for (const std::string& part : SplitBackslashPath(path)) {
    Node* child = node->Child(part);
    node = child ? child : node->AddChild(part);
  }
  return node;
}

MemoryRegistry::Node* MemoryRegistry::FindPath(std::uint32_t root, const std::string& path) const {
  Node* node = RootNode(root);
  if (!node) return nullptr;
  for (const std::string& part : SplitBackslashPath(path)) {
    node = node->Child(part);
    if (!node) return nullptr;
  }
  return node;
}

void MemoryRegistry::CreateKey(std::uint32_t root, const std::string& path) {
  SeedPath(root, path);
}

void MemoryRegistry::SetRaw(std::uint32_t root, const std::string& path, const std::string& name,
                            std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
  Node* node = SeedPath(root, path);
  if (!node) return;
  if (Node::Value* value = node->FindValue(name)) {
    value->type = type;
    value->data = bytes;
  } else {
    node->values.push_back(Node::Value{name, type, bytes});
  }
}

void MemoryRegistry::SetString(std::uint32_t root, const std::string& path, const std::string& name,
                               const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  SetRaw(root, path, name, kREG_SZ, bytes);
}

void MemoryRegistry::SetExpandString(std::uint32_t root, const std::string& path,
                                     const std::string& name, const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  SetRaw(root, path, name, kREG_EXPAND_SZ, bytes);
}

void MemoryRegistry::SetDword(std::uint32_t root, const std::string& path, const std::string& name,
                              std::uint32_t value) {
  SetRaw(root, path, name, kREG_DWORD,
         {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

bool MemoryRegistry::HasKey(std::uint32_t root, const std::string& path) const {
  return FindPath(root, path) != nullptr;
}

bool MemoryRegistry::HasValue(std::uint32_t root, const std::string& path,
                              const std::string& name) const {
  Node* node = FindPath(root, path);
  return node && node->FindValue(name);
}

std::vector<std::uint8_t> MemoryRegistry::GetRaw(std::uint32_t root, const std::string& path,
                                                 const std::string& name) const {
  Node* node = FindPath(root, path);
  const Node::Value* value = node ? node->FindValue(name) : nullptr;
  return value ? value->data : std::vector<std::uint8_t>();
}

std::size_t MemoryRegistry::OpenHandleCount() const {
  return handles_.size();
}

void MemoryRegistry::DenyOpen(std::uint32_t root, const std::string& path,
                              std::uint32_t accessMask) {
  if (Node* node = SeedPath(root, path)) node->denyMask |= accessMask;
}

void MemoryRegistry::DenyDelete(std::uint32_t root, const std::string& path) {
  if (Node* node = SeedPath(root, path)) node->denyDelete = true;
}

void MemoryRegistry::FailEnumeration(std::uint32_t root, const std::string& path,
                                     std::int32_t error) {
  if (Node* node = SeedPath(root, path)) node->enumError = error;
}

}  // namespace corvanta
