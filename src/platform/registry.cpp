#include "platform/registry.h"

namespace corvanta {

namespace {

// A caller's path split into its absolute flag and the components joined by
// single separators (no leading, trailing or doubled "\").
struct NormalPath {
  bool absolute = false;
  std::string path;
};

NormalPath Normalize(const std::string& raw) {
  NormalPath result;
  result.absolute = !raw.empty() && raw[0] == '\\';
  std::size_t start = 0;
  while (start <= raw.size()) {
    std::size_t end = raw.find('\\', start);
    if (end == std::string::npos) end = raw.size();
    if (end > start) {
      if (!result.path.empty()) result.path += '\\';
      result.path.append(raw, start, end - start);
    }
    start = end + 1;
  }
  return result;
}

[[noreturn]] void Raise(const char* format, const std::string& name) {
  std::string text(format);
  const std::size_t at = text.find("%s");
  text.replace(at, 2, name);
  throw ERegistryException(text);
}

constexpr const char* kGetError = "Failed to get data for '%s'";
constexpr const char* kSetError = "Failed to set data for '%s'";
constexpr const char* kTypeError = "Invalid data type for '%s'";

// Registry names are at most 16383 UTF-16 units, so at most 49149 UTF-8
// bytes; a buffer this big always fits.
constexpr std::size_t kNameBufferLimit = 1u << 16;

// Enumerates one subkey (values == false) or value name into buffer, growing
// it when the key's reported maximal length proves too short.
std::int32_t EnumName(RegistryApi& api, RegKey key, std::uint32_t index, bool values,
                      std::vector<char>* buffer, std::string* name) {
  for (;;) {
    std::uint32_t len = static_cast<std::uint32_t>(buffer->size());
    const std::int32_t rc =
        values ? api.EnumValue(key, index, buffer->data(), &len, nullptr, nullptr, nullptr)
               : api.EnumKeyEx(key, index, buffer->data(), &len);
    if (rc == kERROR_MORE_DATA && buffer->size() < kNameBufferLimit) {
      buffer->resize(buffer->size() * 2 < kNameBufferLimit ? buffer->size() * 2 : kNameBufferLimit);
      continue;
    }
    if (rc == kERROR_SUCCESS) {
      if (len > buffer->size()) len = static_cast<std::uint32_t>(buffer->size());
      name->assign(buffer->data(), len);
    }
    return rc;
  }
}

std::vector<char> NameBuffer(std::uint32_t maxLen) {
  // +1 for the NUL; at least a small buffer so growth by doubling works.
  std::size_t size = static_cast<std::size_t>(maxLen) + 1;
  if (size < 64) size = 64;
  if (size > kNameBufferLimit) size = kNameBufferLimit;
  return std::vector<char>(size, '\0');
}

}  // namespace

TRegistry::TRegistry(RegistryApi& api, std::uint32_t access) : api_(api), access_(access) {}

TRegistry::~TRegistry() {
  CloseKey();
}

void TRegistry::SetRootKey(std::uint32_t root) {
  if (root == root_) return;
  CloseKey();
  root_ = root;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
  const NormalPath np = Normalize(path);
  RegKey key = 0;
  std::int32_t rc;
  std::string reported;
  const bool fromCurrent = !np.absolute && current_ != 0;
  const RegKey base = fromCurrent ? current_ : static_cast<RegKey>(root_);
  if (np.path.empty()) {
    // Nothing to create: "" reopens the key it is relative to, "\" the root.
    rc = api_.OpenKeyEx(base, "", access_, &key);
    if (fromCurrent) reported = path_;
  } else {
    rc = canCreate ? api_.CreateKeyEx(base, np.path, access_, &key, nullptr)
                   : api_.OpenKeyEx(base, np.path, access_, &key);
    reported = fromCurrent ? path_ + "\\" + np.path : np.path;
  }
  if (rc != kERROR_SUCCESS) return false;
  CloseKey();
  current_ = key;
  path_ = reported;
  return true;
}

void TRegistry::CloseKey() {
  if (current_ != 0) api_.CloseKey(current_);
  current_ = 0;
  path_.clear();
  CloseParents();
}

void TRegistry::CloseParents() {
  for (const Parent& p : parents_) api_.CloseKey(p.key);
  parents_.clear();
}

bool TRegistry::EnterSubKey(const std::string& name) {
  const NormalPath np = Normalize(name);
  // Not a name below the current key: an ordinary open, nothing kept.
  if (current_ == 0 || np.absolute || np.path.empty()) return OpenKey(name, false);
  RegKey key = 0;
  if (api_.OpenKeyEx(current_, np.path, access_, &key) != kERROR_SUCCESS) return false;
  parents_.push_back(Parent{current_, path_.size()});
  current_ = key;
  path_ += '\\';
  path_ += np.path;
  return true;
}

bool TRegistry::LeaveSubKey() {
  if (parents_.empty()) return false;
  api_.CloseKey(current_);
  current_ = parents_.back().key;
  path_.resize(parents_.back().pathLength);
  parents_.pop_back();
  return true;
}

bool TRegistry::GetKeyInfo(RegKeyInfo* info) {
  *info = RegKeyInfo{};
  if (current_ == 0) return false;
  return api_.QueryInfoKey(current_, info) == kERROR_SUCCESS;
}

std::vector<std::string> TRegistry::GetKeyNames() {
  RegKeyInfo info;
  if (!GetKeyInfo(&info)) return {};
  return ListNames(false, info);
}

std::vector<std::string> TRegistry::GetKeyNames(const RegKeyInfo& info) {
  if (current_ == 0) return {};
  return ListNames(false, info);
}

std::vector<std::string> TRegistry::GetValueNames() {
  RegKeyInfo info;
  if (!GetKeyInfo(&info)) return {};
  return ListNames(true, info);
}

RegValueList TRegistry::GetValues(const RegKeyInfo& info) {
  RegValueList list;
  if (current_ == 0) return list;
  list.values.reserve(info.values);
  std::vector<char> name = NameBuffer(info.maxValueNameLen);
  std::vector<std::uint8_t> data(static_cast<std::size_t>(info.maxValueLen) + 1);
  for (std::uint32_t i = 0; i < info.values; ++i) {
    RegValue value;
    std::int32_t rc = kERROR_MORE_DATA;
    // A value that grew since the counts were taken answers "more data".
    for (int attempt = 0; rc == kERROR_MORE_DATA && attempt < 4; ++attempt) {
      std::uint32_t nameLen = static_cast<std::uint32_t>(name.size());
      std::uint32_t dataLen = static_cast<std::uint32_t>(data.size());
      rc = api_.EnumValue(current_, i, name.data(), &nameLen, &value.type, data.data(), &dataLen);
      if (rc == kERROR_SUCCESS) {
        value.name.assign(name.data(), nameLen < name.size() ? nameLen : name.size());
        value.data.assign(data.begin(),
                          data.begin() + (dataLen < data.size() ? dataLen : data.size()));
      } else if (rc == kERROR_MORE_DATA) {
        if (dataLen > data.size()) {
          data.resize(dataLen);
        } else if (name.size() < kNameBufferLimit) {
          name.resize(name.size() * 2 < kNameBufferLimit ? name.size() * 2 : kNameBufferLimit);
        }
      }
    }
    if (rc != kERROR_SUCCESS) {
      // The name alone may still be listed: its data is then read by name.
      std::string alone;
      if (EnumName(api_, current_, i, true, &name, &alone) != kERROR_SUCCESS) {
        list.complete = false;
        break;
      }
      value = RegValue{alone, kRegTypeUnknown, {}, false};
    }
    list.values.push_back(std::move(value));
  }
  return list;
}

std::vector<std::string> TRegistry::ListNames(bool values, const RegKeyInfo& info) {
  std::vector<std::string> names;
  std::vector<char> buffer = NameBuffer(values ? info.maxValueNameLen : info.maxSubKeyLen);
  const std::uint32_t count = values ? info.values : info.subKeys;
  std::string name;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (EnumName(api_, current_, i, values, &buffer, &name) != kERROR_SUCCESS) break;
    names.push_back(name);
  }
  return names;
}

bool TRegistry::HasSubKeys() {
  RegKeyInfo info;
  return GetKeyInfo(&info) && info.subKeys > 0;
}

std::uint32_t TRegistry::ValueCount() {
  RegKeyInfo info;
  return GetKeyInfo(&info) ? info.values : 0;
}

bool TRegistry::ValueExists(const std::string& name) {
  return GetDataSize(name) >= 0;
}

std::uint32_t TRegistry::GetDataType(const std::string& name) {
  if (current_ == 0) return kRegTypeUnknown;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (api_.QueryValueEx(current_, name, &type, nullptr, &size) != kERROR_SUCCESS) {
    return kRegTypeUnknown;
  }
  return type;
}

std::int64_t TRegistry::GetDataSize(const std::string& name) {
  if (current_ == 0) return -1;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (api_.QueryValueEx(current_, name, &type, nullptr, &size) != kERROR_SUCCESS) return -1;
  return size;
}

std::int32_t TRegistry::ReadSized(const std::string& name, std::uint32_t* type,
                                  std::vector<std::uint8_t>* data) {
  std::uint32_t len = static_cast<std::uint32_t>(data->size());
  std::int32_t rc;
  // A value that grew between the size query and the read is read again.
  for (int attempt = 0;; ++attempt) {
    data->assign(len, 0);
    rc = api_.QueryValueEx(current_, name, type, data->data(), &len);
    if (rc != kERROR_MORE_DATA || attempt == 3) break;
  }
  if (rc == kERROR_SUCCESS && len < data->size()) data->resize(len);
  return rc;
}

std::string RegText(const std::vector<std::uint8_t>& data) {
  std::string text(data.begin(), data.end());
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

std::string TRegistry::ReadString(const std::string& name) {
  const std::int64_t size = GetDataSize(name);
  if (size <= 0) return "";
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
  std::uint32_t type = 0;
  if (ReadSized(name, &type, &data) != kERROR_SUCCESS) Raise(kGetError, name);
  if (type != kREG_SZ && type != kREG_EXPAND_SZ) Raise(kTypeError, name);
  return RegText(data);
}

std::int32_t TRegistry::ReadInteger(const std::string& name) {
  if (current_ == 0) Raise(kGetError, name);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (api_.QueryValueEx(current_, name, &type, nullptr, &size) != kERROR_SUCCESS) {
    Raise(kGetError, name);
  }
  if (type != kREG_DWORD) Raise(kTypeError, name);
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  std::uint32_t len = sizeof bytes;
  if (api_.QueryValueEx(current_, name, &type, bytes, &len) != kERROR_SUCCESS) {
    Raise(kGetError, name);
  }
  if (type != kREG_DWORD) Raise(kTypeError, name);
  const std::uint32_t value =
      static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
      static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  return static_cast<std::int32_t>(value);
}

std::vector<std::uint8_t> TRegistry::ReadBinaryData(const std::string& name) {
  const std::int64_t size = GetDataSize(name);
  if (size < 0) Raise(kGetError, name);
  std::vector<std::uint8_t> data;
  if (size == 0) return data;
  data.resize(static_cast<std::size_t>(size));
  std::uint32_t type = 0;
  if (ReadSized(name, &type, &data) != kERROR_SUCCESS) Raise(kGetError, name);
  return data;
}

void TRegistry::WriteRaw(const std::string& name, std::uint32_t type,
                         const std::vector<std::uint8_t>& data) {
  if (current_ == 0) Raise(kSetError, name);
  if (api_.SetValueEx(current_, name, type, data.empty() ? nullptr : data.data(),
                      static_cast<std::uint32_t>(data.size())) != kERROR_SUCCESS) {
    Raise(kSetError, name);
  }
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  std::vector<std::uint8_t> data(value.begin(), value.end());
  data.push_back(0);
  WriteRaw(name, kREG_SZ, data);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
  std::vector<std::uint8_t> data(value.begin(), value.end());
  data.push_back(0);
  WriteRaw(name, kREG_EXPAND_SZ, data);
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
  const std::uint32_t v = static_cast<std::uint32_t>(value);
  WriteRaw(name, kREG_DWORD,
           {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
}

void TRegistry::WriteBinaryData(const std::string& name, const std::vector<std::uint8_t>& data) {
  WriteRaw(name, kREG_BINARY, data);
}

void TRegistry::WriteMultiSz(const std::string& name, const std::vector<std::string>& texts) {
  std::vector<std::uint8_t> data;
  for (const std::string& text : texts) {
    data.insert(data.end(), text.begin(), text.end());
    data.push_back(0);
  }
  data.push_back(0);
  WriteRaw(name, kREG_MULTI_SZ, data);
}

namespace {

// Deletes every subkey below parent\sub, last enumeration index first.
void DeleteSubKeys(RegistryApi& api, RegKey parent, const std::string& sub, std::uint32_t access) {
  RegKey key = 0;
  if (api.OpenKeyEx(parent, sub, access, &key) != kERROR_SUCCESS) return;
  RegKeyInfo info;
  if (api.QueryInfoKey(key, &info) == kERROR_SUCCESS) {
    std::vector<char> buffer = NameBuffer(info.maxSubKeyLen);
    std::string name;
    for (std::uint32_t i = info.subKeys; i-- > 0;) {
      if (EnumName(api, key, i, false, &buffer, &name) != kERROR_SUCCESS || name.empty()) continue;
      DeleteSubKeys(api, key, name, access);
      api.DeleteKey(key, name);
    }
  }
  api.CloseKey(key);
}

}  // namespace

bool TRegistry::DeleteKey(const std::string& path) {
  const NormalPath np = Normalize(path);
  if (np.path.empty()) return false;
  const RegKey base = (!np.absolute && current_ != 0) ? current_ : static_cast<RegKey>(root_);
  DeleteSubKeys(api_, base, np.path, access_);
  return api_.DeleteKey(base, np.path) == kERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& name) {
  if (current_ == 0) return false;
  return api_.DeleteValue(current_, name) == kERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& path) {
  const NormalPath np = Normalize(path);
  const RegKey base =
      (!np.absolute && current_ != 0 && !np.path.empty()) ? current_ : static_cast<RegKey>(root_);
  RegKey key = 0;
  const std::int32_t rc = api_.OpenKeyEx(base, np.path, access_, &key);
  if (rc == kERROR_SUCCESS) {
    api_.CloseKey(key);
    return true;
  }
  return rc == kERROR_ACCESS_DENIED;
}

}  // namespace corvanta
