// The registry of a stopped system as the logic sees it: the in-memory
// registry the stores filled, with every change recorded so that it can be
// written to the registry files at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>

#include "platform/memory/memory_registry.h"
#include "platform/offline/registry_change.h"

namespace corvanta {

class RecordingRegistry : public RegistryApi {
 public:
  explicit RecordingRegistry(MemoryRegistry& reg) : reg_(reg) {}

  std::int32_t OpenKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                         RegKey* out) override;
  std::int32_t CreateKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                           RegKey* out, std::uint32_t* disposition) override;
  std::int32_t CloseKey(RegKey key) override;
  std::int32_t FlushKey(RegKey key) override { return reg_.FlushKey(key); }
  std::int32_t QueryInfoKey(RegKey key, RegKeyInfo* info) override {
    return reg_.QueryInfoKey(key, info);
  }
  std::int32_t EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                         std::uint32_t* nameLen) override {
    return reg_.EnumKeyEx(key, index, name, nameLen);
  }
  std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                         std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLen) override {
    return reg_.EnumValue(key, index, name, nameLen, type, data, dataLen);
  }
  std::int32_t QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* dataLen) override {
    return reg_.QueryValueEx(key, name, type, data, dataLen);
  }
  std::int32_t SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override;
  std::int32_t DeleteKey(RegKey key, const std::string& subKey) override;
  std::int32_t DeleteValue(RegKey key, const std::string& name) override;

  // Every change made so far, in order.
  const RegistryChanges& Changes() const { return changes_; }
  void ClearChanges() { changes_.clear(); }
  // Drops the changes to the key at path below root and to its subkeys (path
  // without a leading backslash; names compared without regard to case).
  void ForgetChangesBelow(std::uint32_t root, const std::string& path);
  // Makes the key at root\path a link: opening, creating or deleting through
  // it reaches the target ("\Registry\Machine\..." or "\Registry\User\..."),
  // and the changes are recorded at the target. False for another target.
  bool AddLink(std::uint32_t root, const std::string& path, const std::string& target);
  // Makes root\path another name of a whole root, as HKEY_USERS\<the user's
  // id> is of HKEY_CURRENT_USER (what a full export of the system names).
  void AddAlias(std::uint32_t root, const std::string& path, std::uint32_t target);
  // A change the files could not hold exactly (a name the code page cannot
  // spell) is denied up front, so that the caller sees it fail.
  void SetGuard(std::function<bool(const RegistryChange&)> refuses) {
    refuses_ = std::move(refuses);
  }

 private:
  struct Where {
    std::uint32_t root = 0;
    std::string path;
  };
  // The storing root and path of a handle plus subKey, links in subKey
  // followed (*followed says whether one was); false for a handle this
  // registry did not hand out.
  bool Locate(RegKey key, const std::string& subKey, Where* where, bool* followed = nullptr) const;
  // Replaces the first link among where's keys longer than `from` characters
  // by its target, again until none is left; true when one was.
  bool FollowLinks(Where* where, std::size_t from) const;
  static std::string LinkKey(std::uint32_t root, const std::string& upperPath);

  MemoryRegistry& reg_;
  std::map<RegKey, Where> where_;
  RegistryChanges changes_;
  std::unordered_map<std::string, Where> links_;  // by LinkKey
  std::function<bool(const RegistryChange&)> refuses_;
};

}  // namespace corvanta
