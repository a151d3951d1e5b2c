// The raw registry, shaped like the advapi32 calls but in UTF-8: names are
// UTF-8 (WTF-8 for an unpaired surrogate), lengths count UTF-8 bytes, and the
// data of REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ is UTF-8 with each
// terminator one 0 byte; every other type is raw bytes. Every method returns
// a Win32 error code (kERROR_SUCCESS on success). Adapters: win32/ (the wide
// calls, converting to and from UTF-16) and memory/ (an in-memory registry
// with Windows semantics).
#pragma once

#include <cstdint>
#include <string>

namespace corvanta {

// Opaque key handle. The predefined roots carry their documented values; the
// adapters hand out other values for opened keys. 0 is never a valid key.
using RegKey = std::uintptr_t;

constexpr std::uint32_t kHKEY_CLASSES_ROOT = 0x80000000u;
constexpr std::uint32_t kHKEY_CURRENT_USER = 0x80000001u;
constexpr std::uint32_t kHKEY_LOCAL_MACHINE = 0x80000002u;
constexpr std::uint32_t kHKEY_USERS = 0x80000003u;
constexpr std::uint32_t kHKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr std::uint32_t kHKEY_CURRENT_CONFIG = 0x80000005u;
constexpr std::uint32_t kHKEY_DYN_DATA = 0x80000006u;

// True for the seven predefined root values above.
constexpr bool IsPredefinedRoot(std::uint32_t root) {
  return root >= kHKEY_CLASSES_ROOT && root <= kHKEY_DYN_DATA;
}

// Value types.
constexpr std::uint32_t kREG_NONE = 0;
constexpr std::uint32_t kREG_SZ = 1;
constexpr std::uint32_t kREG_EXPAND_SZ = 2;
constexpr std::uint32_t kREG_BINARY = 3;
constexpr std::uint32_t kREG_DWORD = 4;
constexpr std::uint32_t kREG_DWORD_BIG_ENDIAN = 5;
constexpr std::uint32_t kREG_LINK = 6;
constexpr std::uint32_t kREG_MULTI_SZ = 7;
constexpr std::uint32_t kREG_RESOURCE_LIST = 8;
constexpr std::uint32_t kREG_FULL_RESOURCE_DESCRIPTOR = 9;
constexpr std::uint32_t kREG_RESOURCE_REQUIREMENTS_LIST = 10;
constexpr std::uint32_t kREG_QWORD = 11;

// Access rights.
constexpr std::uint32_t kKEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t kKEY_SET_VALUE = 0x0002;
constexpr std::uint32_t kKEY_CREATE_SUB_KEY = 0x0004;
constexpr std::uint32_t kKEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr std::uint32_t kKEY_NOTIFY = 0x0010;
constexpr std::uint32_t kKEY_CREATE_LINK = 0x0020;
constexpr std::uint32_t kKEY_WOW64_64KEY = 0x0100;
constexpr std::uint32_t kKEY_WOW64_32KEY = 0x0200;
constexpr std::uint32_t kDELETE = 0x00010000;
constexpr std::uint32_t kREAD_CONTROL = 0x00020000;
constexpr std::uint32_t kKEY_READ = 0x20019;
constexpr std::uint32_t kKEY_WRITE = 0x20006;
constexpr std::uint32_t kKEY_EXECUTE = 0x20019;
constexpr std::uint32_t kKEY_ALL_ACCESS = 0xF003F;

// Win32 error codes the registry calls answer.
constexpr std::int32_t kERROR_SUCCESS = 0;
constexpr std::int32_t kERROR_FILE_NOT_FOUND = 2;
constexpr std::int32_t kERROR_ACCESS_DENIED = 5;
constexpr std::int32_t kERROR_INVALID_HANDLE = 6;
constexpr std::int32_t kERROR_NOT_ENOUGH_MEMORY = 8;
constexpr std::int32_t kERROR_INVALID_PARAMETER = 87;
constexpr std::int32_t kERROR_BAD_PATHNAME = 161;
constexpr std::int32_t kERROR_MORE_DATA = 234;
constexpr std::int32_t kERROR_NO_MORE_ITEMS = 259;
constexpr std::int32_t kERROR_BADKEY = 1010;
constexpr std::int32_t kERROR_CANTOPEN = 1011;
constexpr std::int32_t kERROR_CANTREAD = 1012;
constexpr std::int32_t kERROR_CANTWRITE = 1013;
constexpr std::int32_t kERROR_KEY_DELETED = 1018;
constexpr std::int32_t kERROR_CHILD_MUST_BE_VOLATILE = 1021;
// A name or text given in bytes that are no UTF-8: nothing was written.
constexpr std::int32_t kERROR_NO_UNICODE_TRANSLATION = 1113;

// Dispositions of CreateKeyEx.
constexpr std::uint32_t kREG_CREATED_NEW_KEY = 1;
constexpr std::uint32_t kREG_OPENED_EXISTING_KEY = 2;

// What QueryInfoKey reports. Name lengths are in UTF-8 bytes without the NUL,
// maxValueLen in bytes of the port's data; the maxima may be upper bounds
// (the system counts UTF-16), never less than a name or value needs.
struct RegKeyInfo {
  std::uint32_t subKeys = 0;
  std::uint32_t maxSubKeyLen = 0;
  std::uint32_t values = 0;
  std::uint32_t maxValueNameLen = 0;
  std::uint32_t maxValueLen = 0;
};

// Buffer conventions follow the real API:
// - name buffers: *nameLen is the buffer size in bytes including room for the
//   NUL on input, and the name's UTF-8 length without the NUL on output; a
//   buffer too small answers kERROR_MORE_DATA.
// - data buffers: *dataLen is the buffer size in bytes on input and the size of
//   the data on output. data == nullptr with dataLen set is a size query
//   (kERROR_SUCCESS). A buffer too small answers kERROR_MORE_DATA and sets
//   *dataLen to the size required.
// - subKey paths use "\" between components; a leading "\" is rejected
//   (kERROR_BAD_PATHNAME); "" names the key itself. The value name "" is the
//   key's default value.
class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  virtual std::int32_t OpenKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                                 RegKey* out) = 0;
  // disposition may be null.
  virtual std::int32_t CreateKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                                   RegKey* out, std::uint32_t* disposition) = 0;
  // Closing a predefined root is a no-op that succeeds.
  virtual std::int32_t CloseKey(RegKey key) = 0;
  virtual std::int32_t FlushKey(RegKey key) = 0;
  virtual std::int32_t QueryInfoKey(RegKey key, RegKeyInfo* info) = 0;
  virtual std::int32_t EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLen) = 0;
  // type, data and dataLen may be null (data needs dataLen).
  virtual std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLen, std::uint32_t* type, std::uint8_t* data,
                                 std::uint32_t* dataLen) = 0;
  // type, data and dataLen may be null (data needs dataLen).
  virtual std::int32_t QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* dataLen) = 0;
  virtual std::int32_t SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) = 0;
  // Deletes one key without subkeys; a key that has subkeys is refused.
  virtual std::int32_t DeleteKey(RegKey key, const std::string& subKey) = 0;
  virtual std::int32_t DeleteValue(RegKey key, const std::string& name) = 0;
};

}  // namespace corvanta
