// HKEY_CLASSES_ROOT as Windows shows it: the user's HKCU\Software\Classes
// over the machine's HKLM\Software\Classes. A key in both shows the union of
// their subkeys and values, the user's value where a name is in both. A write
// goes to the user's copy when the key has one, else to the machine's; a
// deletion to the copy that holds the key or value, the user's first; a new
// key to the machine's unless its nearest existing parent is only the user's.
// Every other key passes through unchanged, and so does the classes root
// while merging is off (Wine does not merge).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry_api.h"

namespace corvanta {

class MergedClassesRegistry : public RegistryApi {
 public:
  explicit MergedClassesRegistry(RegistryApi& inner) : inner_(inner) {}
  ~MergedClassesRegistry() override;
  MergedClassesRegistry(const MergedClassesRegistry&) = delete;
  MergedClassesRegistry& operator=(const MergedClassesRegistry&) = delete;

  void SetMerging(bool on) { merging_ = on; }

  std::int32_t OpenKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                         RegKey* out) override;
  std::int32_t CreateKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                           RegKey* out, std::uint32_t* disposition) override;
  std::int32_t CloseKey(RegKey key) override;
  std::int32_t FlushKey(RegKey key) override;
  std::int32_t QueryInfoKey(RegKey key, RegKeyInfo* info) override;
  std::int32_t EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                         std::uint32_t* nameLen) override;
  std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                         std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLen) override;
  std::int32_t QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* dataLen) override;
  std::int32_t SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override;
  std::int32_t DeleteKey(RegKey key, const std::string& subKey) override;
  std::int32_t DeleteValue(RegKey key, const std::string& name) override;

 private:
  enum { kUser = 0, kMachine = 1 };
  // One entry of a merged list: which copy holds it and its index there.
  using Entry = std::pair<int, std::uint32_t>;
  struct Merged {
    std::string path;          // below the classes root
    RegKey side[2] = {0, 0};   // the user's and the machine's copy, 0 when absent
    std::uint64_t keysAt = 0;  // the change count the lists were made at, 0 for none
    std::uint64_t valuesAt = 0;
    std::int32_t keysError = 0, valuesError = 0;
    std::vector<Entry> keys, values;
  };

  // The merged key behind a handle (the classes root included), or null for
  // one that passes through.
  Merged* Find(RegKey key);
  // Opens both copies of the key at path; the error when neither opens.
  std::int32_t OpenBoth(const std::string& path, std::uint32_t access, Merged* m);
  std::int32_t SubPath(RegKey parent, const Merged& m, const std::string& subKey,
                       std::string* path) const;
  RegKey Mint(Merged m);
  // The one copy of a key that has only one, else 0.
  static RegKey Only(const Merged& m);
  // Empties m's subkey or value list when a change came after it was made,
  // with both copies' upper-case names in names; false when the list is
  // current or a copy could not be listed (its error kept in m).
  bool Rebuild(Merged& m, bool values, std::vector<std::string> (&names)[2]);
  const std::vector<Entry>& Keys(Merged& m);
  const std::vector<Entry>& Values(Merged& m);
  bool Exists(int side, const std::string& path);

  RegistryApi& inner_;
  bool merging_ = false;
  std::uint64_t changes_ = 1;  // counts the changes made, for the lists
  Merged root_;
  std::uint64_t rootAt_ = 0;
  std::map<RegKey, Merged> merged_;
  RegKey next_ = 0x40000002;  // apart from the handles the registry below hands out
};

}  // namespace corvanta
