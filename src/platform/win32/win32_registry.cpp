#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/wide_text.h"

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

bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A name the caller gave, in UTF-16. False for bytes that are no UTF-8: every
// name the system holds reads as valid (WTF-8) text, so none can match.
bool WideName(const std::string& name, std::wstring* wide) {
  bool exact = true;
  *wide = Wide(name, &exact);
  return exact;
}

// Registry names are at most 16383 units; a buffer this big takes any, so a
// too-small caller buffer is judged on the UTF-8 length alone.
constexpr DWORD kNameUnits = 16384;

// The caller's name buffer rules, counted in UTF-8 bytes.
std::int32_t CopyName(const std::string& utf8, char* buffer, std::uint32_t* len) {
  if (utf8.size() >= *len) return ERROR_MORE_DATA;
  std::memcpy(buffer, utf8.data(), utf8.size());
  buffer[utf8.size()] = '\0';
  *len = static_cast<std::uint32_t>(utf8.size());
  return ERROR_SUCCESS;
}

// The caller's data buffer rules, counted in bytes of the port's form: a
// size query without a buffer, ERROR_MORE_DATA with the size needed, and a
// NUL added after text stored without one when the buffer has room for it.
std::int32_t CopyData(DWORD type, const unsigned char* bytes, std::size_t size, std::uint8_t* data,
                      std::uint32_t* dataLen) {
  if (!dataLen) return ERROR_SUCCESS;
  const std::uint32_t need = static_cast<std::uint32_t>(size);
  if (!data) {
    *dataLen = need;
    return ERROR_SUCCESS;
  }
  if (*dataLen < need) {
    *dataLen = need;
    return ERROR_MORE_DATA;
  }
  if (need) std::memcpy(data, bytes, need);
  if (IsText(type) && need > 0 && need < *dataLen && bytes[need - 1] != 0) data[need] = 0;
  *dataLen = need;
  return ERROR_SUCCESS;
}

// The stored bytes in the port's form: text types from UTF-16 to UTF-8 (in
// utf8), each NUL unit one 0 byte; everything else as it is.
std::int32_t DeliverData(DWORD type, const unsigned char* stored, DWORD size, std::uint8_t* data,
                         std::uint32_t* dataLen, std::string& utf8) {
  if (!IsText(type)) return CopyData(type, stored, size, data, dataLen);
  utf8.clear();
  AppendStoredText(utf8, stored, size);
  return CopyData(type, reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), data,
                  dataLen);
}

// The UTF-16 name in utf8, then under the caller's buffer rules.
std::int32_t DeliverName(const wchar_t* units, DWORD length, char* buffer, std::uint32_t* len,
                         std::string& utf8) {
  utf8.clear();
  AppendNarrow(utf8, units, length);
  return CopyName(utf8, buffer, len);
}

// A length in UTF-16 units or bytes scaled to the most UTF-8 bytes it can
// take: three per unit for names, three per two bytes for text data.
std::uint32_t Scaled(DWORD length, unsigned num, unsigned den) {
  const unsigned long long bytes = (static_cast<unsigned long long>(length) * num + den - 1) / den;
  return static_cast<std::uint32_t>(std::min<unsigned long long>(bytes, 0xFFFFFFFFull));
}

}  // namespace

template <class Call>
std::int32_t Win32Registry::ReadStored(Call call, unsigned long* type, unsigned long* size) {
  if (data_.size() < 512) data_.resize(512);
  // A value that grew between the calls answers "more data" with its new size.
  for (int attempt = 0;; ++attempt) {
    DWORD len = static_cast<DWORD>(data_.size());
    const LONG rc = call(type, data_.data(), &len);
    if (rc == ERROR_MORE_DATA && len > data_.size() && attempt < 8) {
      data_.resize(len);
      continue;
    }
    *size = len;
    return rc;
  }
}

std::int32_t Win32Registry::OpenKeyEx(RegKey parent, const std::string& subKey,
                                      std::uint32_t access, RegKey* out) {
  if (!out) return ERROR_INVALID_PARAMETER;
  *out = 0;
  std::wstring wide;
  if (!WideName(subKey, &wide)) return ERROR_FILE_NOT_FOUND;
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExW(ToHkey(parent), wide.c_str(), 0, access, &key);
  if (rc == ERROR_SUCCESS) *out = FromHkey(key);
  return rc;
}

std::int32_t Win32Registry::CreateKeyEx(RegKey parent, const std::string& subKey,
                                        std::uint32_t access, RegKey* out,
                                        std::uint32_t* disposition) {
  if (!out) return ERROR_INVALID_PARAMETER;
  *out = 0;
  std::wstring wide;
  if (!WideName(subKey, &wide)) return ERROR_NO_UNICODE_TRANSLATION;
  HKEY key = nullptr;
  DWORD how = 0;
  const LONG rc = RegCreateKeyExW(ToHkey(parent), wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  access, nullptr, &key, &how);
  if (rc == ERROR_SUCCESS) *out = FromHkey(key);
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
      RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr,
                       &values, &maxValueNameLen, &maxValueLen, nullptr, nullptr);
  if (rc == ERROR_SUCCESS && info) {
    // The system counts UTF-16; the port's lengths are UTF-8 bytes, which a
    // unit takes at most three of (a pair four for its two units).
    info->subKeys = subKeys;
    info->maxSubKeyLen = Scaled(maxSubKeyLen, 3, 1);
    info->values = values;
    info->maxValueNameLen = Scaled(maxValueNameLen, 3, 1);
    info->maxValueLen = Scaled(maxValueLen, 3, 2);
  }
  return rc;
}

std::int32_t Win32Registry::EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                                      std::uint32_t* nameLen) {
  if (!name || !nameLen) return ERROR_INVALID_PARAMETER;
  name_.resize(std::max<std::size_t>(kNameUnits, *nameLen));
  DWORD units = static_cast<DWORD>(name_.size());
  const LONG rc =
      RegEnumKeyExW(ToHkey(key), index, name_.data(), &units, nullptr, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return DeliverName(name_.data(), units, name, nameLen, utf8_);
}

std::int32_t Win32Registry::EnumValue(RegKey key, std::uint32_t index, char* name,
                                      std::uint32_t* nameLen, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* dataLen) {
  if (!name || !nameLen || (data && !dataLen)) return ERROR_INVALID_PARAMETER;
  name_.resize(std::max<std::size_t>(kNameUnits, *nameLen));
  DWORD units = 0;
  DWORD valueType = 0;
  DWORD size = 0;
  LONG rc;
  const HKEY hkey = ToHkey(key);
  if (dataLen) {
    rc = ReadStored(
        [&](DWORD* t, BYTE* bytes, DWORD* len) {
          units = static_cast<DWORD>(name_.size());
          return RegEnumValueW(hkey, index, name_.data(), &units, nullptr, t, bytes, len);
        },
        &valueType, &size);
  } else {
    units = static_cast<DWORD>(name_.size());
    rc = RegEnumValueW(hkey, index, name_.data(), &units, nullptr, &valueType, nullptr, nullptr);
  }
  if (rc != ERROR_SUCCESS) return rc;
  const std::int32_t named = DeliverName(name_.data(), units, name, nameLen, utf8_);
  if (named != ERROR_SUCCESS) return named;
  if (type) *type = valueType;
  return DeliverData(valueType, data_.data(), size, data, dataLen, utf8_);
}

std::int32_t Win32Registry::QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t* dataLen) {
  if (data && !dataLen) return ERROR_INVALID_PARAMETER;
  std::wstring wide;
  if (!WideName(name, &wide)) return ERROR_FILE_NOT_FOUND;
  const HKEY hkey = ToHkey(key);
  DWORD valueType = 0;
  DWORD size = 0;
  const LONG rc = dataLen
                      ? ReadStored(
                            [&](DWORD* t, BYTE* bytes, DWORD* len) {
                              return RegQueryValueExW(hkey, wide.c_str(), nullptr, t, bytes, len);
                            },
                            &valueType, &size)
                      : RegQueryValueExW(hkey, wide.c_str(), nullptr, &valueType, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  if (type) *type = valueType;
  return DeliverData(valueType, data_.data(), size, data, dataLen, utf8_);
}

std::int32_t Win32Registry::SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t size) {
  if (!data && size) return ERROR_INVALID_PARAMETER;
  std::wstring wide;
  if (!WideName(name, &wide)) return ERROR_NO_UNICODE_TRANSLATION;
  if (!IsText(type)) return RegSetValueExW(ToHkey(key), wide.c_str(), 0, type, data, size);
  // Text is stored as UTF-16; bytes that are no UTF-8 would be replaced, so
  // they are refused instead.
  bool exact = true;
  std::string units =
      Utf8ToUtf16Le(std::string_view(reinterpret_cast<const char*>(data), size), &exact);
  if (!exact) return ERROR_NO_UNICODE_TRANSLATION;
  const DWORD stored = static_cast<DWORD>(units.size());
  // The wide call adds a NUL to text without one when the unit after it is
  // 0; a non-zero unit there keeps the data exactly as given.
  units += "\xFF\xFF";
  return RegSetValueExW(ToHkey(key), wide.c_str(), 0, type,
                        reinterpret_cast<const BYTE*>(units.data()), stored);
}

std::int32_t Win32Registry::DeleteKey(RegKey key, const std::string& subKey) {
  std::wstring wide;
  if (!WideName(subKey, &wide)) return ERROR_FILE_NOT_FOUND;
  return RegDeleteKeyW(ToHkey(key), wide.c_str());
}

std::int32_t Win32Registry::DeleteValue(RegKey key, const std::string& name) {
  std::wstring wide;
  if (!WideName(name, &wide)) return ERROR_FILE_NOT_FOUND;
  return RegDeleteValueW(ToHkey(key), wide.c_str());
}

}  // namespace corvanta
