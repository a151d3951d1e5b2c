// TRegistry: the registry accessor every caller goes through. It holds a root
// key, access rights, at most one open current key and that key's path.
// Paths, names and texts are UTF-8, as on the port beneath it; texts are
// written with one 0 byte as their terminator.
//
// Path rules:
// - A path that begins with "\" is absolute: it starts at the root, and the
//   reported path is the path without its leading "\".
// - Any other path is relative: it starts at the current key when one is open,
//   else at the root. With a key open the reported path is the previous path,
//   "\" and the relative path, so a key opened by name while the accessor
//   stands on the root itself (current path "") reports a leading "\", e.g.
//   "\CLSID". With no key open the reported path is the relative path.
// - Doubled separators are collapsed and a trailing separator is dropped, both
//   in what the platform is handed (never a leading "\" nor an empty
//   component) and in the reported path; every reported path can be opened
//   again as "\" + path.
// - Opening "\" opens the root itself (current path ""). "" is relative too:
//   it reopens the current key with the same path, or the root when no key
//   is open.
// - A successful open closes the previous current key; a failed one keeps it.
// Value operations work on the current key; with no key open they fail (reads
// raise, queries answer "absent").
// Walks go down with EnterSubKey and back with LeaveSubKey: the keys above the
// current one stay open beneath it, so going back needs no second open. Any
// OpenKey, CloseKey or root change closes them too.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/registry_api.h"

namespace corvanta {

// The one error type the accessor raises.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// GetDataType's answer for a value that is absent or cannot be queried.
constexpr std::uint32_t kRegTypeUnknown = 0xFFFFFFFFu;

// One value as the enumeration lists it. When its data could not be read
// with it, readable is false and type is kRegTypeUnknown: ask by name.
struct RegValue {
  std::string name;
  std::uint32_t type = kRegTypeUnknown;
  std::vector<std::uint8_t> data;
  bool readable = true;
};

// A key's values with their types and data, in enumeration order; complete
// when the listing reached the key's count.
struct RegValueList {
  std::vector<RegValue> values;
  bool complete = true;
};

// The text ReadString would return for this data: cut at its first NUL.
std::string RegText(const std::vector<std::uint8_t>& data);

class TRegistry {
 public:
  explicit TRegistry(RegistryApi& api, std::uint32_t access = kKEY_ALL_ACCESS);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  RegistryApi& Api() const { return api_; }

  // HKEY_CURRENT_USER at creation. Setting a different root closes the
  // current key; setting the same root changes nothing.
  std::uint32_t RootKey() const { return root_; }
  void SetRootKey(std::uint32_t root);

  std::uint32_t Access() const { return access_; }
  // Used by later opens; the current key keeps the rights it was opened with.
  void SetAccess(std::uint32_t access) { access_ = access; }

  // 0 when no key is open.
  RegKey CurrentKey() const { return current_; }
  const std::string& CurrentPath() const { return path_; }

  // Opens (or, with canCreate, creates) the key at path with Access(). True on
  // success; the key becomes current. False leaves the current key as it was.
  bool OpenKey(const std::string& path, bool canCreate);
  // Closes the current key (if any); the path becomes "".
  void CloseKey();
  // Opens the subkey name of the current key (a key must be open) as the new
  // current key, its path the current path, "\" and name; the key left
  // stays open beneath it. False when it cannot be opened (nothing changes).
  bool EnterSubKey(const std::string& name);
  // Closes the current key and makes the key that EnterSubKey left current
  // again. False when no such key is kept (nothing changes).
  bool LeaveSubKey();

  // Counts and maximal lengths of the current key. False when no key is open
  // or the platform refuses.
  bool GetKeyInfo(RegKeyInfo* info);
  // Names listed via the key's counts and maximal name lengths, enumerating
  // from index 0 and stopping at the first error of any kind.
  std::vector<std::string> GetKeyNames();
  std::vector<std::string> GetValueNames();
  // The same from counts already asked for (GetKeyInfo of the current key).
  std::vector<std::string> GetKeyNames(const RegKeyInfo& info);
  // Every value with its type and data, one enumeration call each (more only
  // when a value grew since the counts), stopping at the first error that
  // is not a data read error.
  RegValueList GetValues(const RegKeyInfo& info);
  bool HasSubKeys();
  std::uint32_t ValueCount();

  bool ValueExists(const std::string& name);
  // The raw REG_* type, or kRegTypeUnknown for an absent or unreadable value.
  std::uint32_t GetDataType(const std::string& name);
  // Size in bytes, or -1 when the value cannot be queried.
  std::int64_t GetDataSize(const std::string& name);

  // "" for a missing value or one of size 0 (no error); the text is cut at its
  // first NUL. Raises "Failed to get data for '%s'" when the platform read
  // fails and "Invalid data type for '%s'" for a non-empty value that is not
  // REG_SZ or REG_EXPAND_SZ.
  std::string ReadString(const std::string& name);
  // REG_DWORD only; other types raise "Invalid data type for '%s'", a missing
  // or unreadable value "Failed to get data for '%s'".
  std::int32_t ReadInteger(const std::string& name);
  // Raw bytes of a value of any type, sized by a query just before the read.
  // Raises "Failed to get data for '%s'" when the value cannot be read.
  std::vector<std::uint8_t> ReadBinaryData(const std::string& name);

  // Writes raise "Failed to set data for '%s'" when the platform refuses.
  // Texts are stored with their terminating NUL.
  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, std::int32_t value);
  void WriteBinaryData(const std::string& name, const std::vector<std::uint8_t>& data);
  // Texts each with their NUL, then the closing NUL.
  void WriteMultiSz(const std::string& name, const std::vector<std::string>& texts);
  void WriteRaw(const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data);

  // Deletes the key at path (relative or absolute as in OpenKey) after all its
  // subkeys, recursively, taking them from the last enumeration index down to
  // the first. True when the key itself was deleted. The root is never deleted.
  bool DeleteKey(const std::string& path);
  // Deletes a value of the current key; true on success.
  bool DeleteValue(const std::string& name);
  // True when the key at path (relative or absolute as in OpenKey) exists,
  // including one that exists but refuses the accessor's rights. The current
  // key is not changed.
  bool KeyExists(const std::string& path);

 private:
  // Subkey or value names by the key's counts, stopping at the first error.
  std::vector<std::string> ListNames(bool values, const RegKeyInfo& info);
  // Closes the keys EnterSubKey left open.
  void CloseParents();
  // A sized read of the current key's value: size query, then the read,
  // again while the value grows in between. The platform's code.
  std::int32_t ReadSized(const std::string& name, std::uint32_t* type,
                         std::vector<std::uint8_t>* data);
  RegistryApi& api_;
  std::uint32_t access_;
  std::uint32_t root_ = kHKEY_CURRENT_USER;
  RegKey current_ = 0;
  std::string path_;
  struct Parent {
    RegKey key;
    std::size_t pathLength;  // path_ is the parent's path plus "\name"
  };
  std::vector<Parent> parents_;
};

}  // namespace corvanta
