#include "platform/win32/win32_registry.h"

#include <windows.h>

namespace corvanta {

namespace {

// The predefined roots are 32-bit values that the system sign-extends into a
// pointer-sized HKEY (0xFFFFFFFF80000001 on x86_64).
HKEY ToHkey(RegKey key) {
  if (key <= 0xFFFFFFFFu && IsPredefinedRoot(static_cast<std::uint32_t>(key))) {
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(key))));
  }
  return reinterpret_cast<HKEY>(key);
}

// Handles handed back: a predefined root (which the system may return for an
// empty sub key) maps back to its 32-bit value, so callers compare alike on
// both architectures.
RegKey FromHkey(HKEY key) {
  const ULONG_PTR raw = reinterpret_cast<ULONG_PTR>(key);
  const LONG low = static_cast<LONG>(raw);
  if (static_cast<ULONG_PTR>(static_cast<LONG_PTR>(low)) == raw &&
      IsPredefinedRoot(static_cast<std::uint32_t>(low))) {
    return static_cast<std::uint32_t>(low);
  }
  return static_cast<RegKey>(raw);
}

}  // namespace

std::int32_t Win32Registry::OpenKeyEx(RegKey parent, const std::string& subKey,
                                      std::uint32_t access, RegKey* out) {
  if (!out) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access, &key);
  *out = rc == ERROR_SUCCESS ? FromHkey(key) : 0;
  return rc;
}

std::int32_t Win32Registry::CreateKeyEx(RegKey parent, const std::string& subKey,
                                        std::uint32_t access, RegKey* out,
                                        std::uint32_t* disposition) {
  if (!out) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  DWORD how = 0;
  const LONG rc = RegCreateKeyExA(ToHkey(parent), subKey.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, access, nullptr, &key, &how);
  *out = rc == ERROR_SUCCESS ? FromHkey(key) : 0;
  if (rc == ERROR_SUCCESS && disposition) *disposition = how;
  return rc;
}

std::int32_t Win32Registry::CloseKey(RegKey key) {
  return RegCloseKey(ToHkey(key));
}

std::int32_t Win32Registry::FlushKey(RegKey key) {
  return RegFlushKey(ToHkey(key));
}

std::int32_t Win32Registry::QueryInfoKey(RegKey key, RegKeyInfo* info) {
  DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
  const LONG rc =
      RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr,
                       &values, &maxValueNameLen, &maxValueLen, nullptr, nullptr);
  if (rc == ERROR_SUCCESS && info) {
    info->subKeys = subKeys;
    info->maxSubKeyLen = maxSubKeyLen;
    info->values = values;
    info->maxValueNameLen = maxValueNameLen;
    info->maxValueLen = maxValueLen;
  }
  return rc;
}

std::int32_t Win32Registry::EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                                      std::uint32_t* nameLen) {
  if (!nameLen) return ERROR_INVALID_PARAMETER;
  DWORD len = *nameLen;
  const LONG rc = RegEnumKeyExA(ToHkey(key), index, name, &len, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS) *nameLen = len;
  return rc;
}

std::int32_t Win32Registry::EnumValue(RegKey key, std::uint32_t index, char* name,
                                      std::uint32_t* nameLen, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* dataLen) {
  if (!nameLen) return ERROR_INVALID_PARAMETER;
  DWORD len = *nameLen;
  DWORD valueType = 0;
  DWORD size = dataLen ? *dataLen : 0;
  const LONG rc = RegEnumValueA(ToHkey(key), index, name, &len, nullptr,
                                type ? &valueType : nullptr, data, dataLen ? &size : nullptr);
  if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    if (rc == ERROR_SUCCESS) *nameLen = len;
    if (type) *type = valueType;
    if (dataLen) *dataLen = size;
  }
  return rc;
}

std::int32_t Win32Registry::QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t* dataLen) {
  DWORD valueType = 0;
  DWORD size = dataLen ? *dataLen : 0;
  const LONG rc = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, type ? &valueType : nullptr,
                                   data, dataLen ? &size : nullptr);
  if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    if (type) *type = valueType;
    if (dataLen) *dataLen = size;
  }
  return rc;
}

std::int32_t Win32Registry::SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t size) {
  return RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
}

std::int32_t Win32Registry::DeleteKey(RegKey key, const std::string& subKey) {
  return RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

std::int32_t Win32Registry::DeleteValue(RegKey key, const std::string& name) {
  return RegDeleteValueA(ToHkey(key), name.c_str());
}

}  // namespace corvanta
