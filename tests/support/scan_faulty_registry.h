// A registry that passes every call to another one, except that reading the
// data of chosen value names fails, as a value that vanished or cannot be
// read does. Size and type queries still succeed.
#pragma once

#include <set>
#include <string>

#include "platform/registry_api.h"

namespace corvanta {

class FaultyReadRegistry : public RegistryApi {
 public:
  explicit FaultyReadRegistry(RegistryApi& inner) : inner_(inner) {}

  // Reads of this value name (exact spelling) fail with kERROR_CANTREAD.
  void FailReadsOf(const std::string& valueName) { failing_.insert(valueName); }

  std::int32_t OpenKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                         RegKey* out) override {
    return inner_.OpenKeyEx(parent, subKey, access, out);
  }
  std::int32_t CreateKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                           RegKey* out, std::uint32_t* disposition) override {
    return inner_.CreateKeyEx(parent, subKey, access, out, disposition);
  }
  std::int32_t CloseKey(RegKey key) override { return inner_.CloseKey(key); }
  std::int32_t FlushKey(RegKey key) override { return inner_.FlushKey(key); }
  std::int32_t QueryInfoKey(RegKey key, RegKeyInfo* info) override {
    return inner_.QueryInfoKey(key, info);
  }
  std::int32_t EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                         std::uint32_t* nameLen) override {
    return inner_.EnumKeyEx(key, index, name, nameLen);
  }
  std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                         std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLen) override {
    const std::uint32_t room = *nameLen;
    const std::int32_t rc = inner_.EnumValue(key, index, name, nameLen, type, data, dataLen);
    // Listing a failing value's data is a read of it too.
    if (rc == kERROR_SUCCESS && data != nullptr && failing_.count(std::string(name, *nameLen))) {
      *nameLen = room;
      return kERROR_CANTREAD;
    }
    return rc;
  }
  std::int32_t QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* dataLen) override {
    if (data != nullptr && failing_.count(name) != 0) return kERROR_CANTREAD;
    return inner_.QueryValueEx(key, name, type, data, dataLen);
  }
  std::int32_t SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override {
    return inner_.SetValueEx(key, name, type, data, size);
  }
  std::int32_t DeleteKey(RegKey key, const std::string& subKey) override {
    return inner_.DeleteKey(key, subKey);
  }
  std::int32_t DeleteValue(RegKey key, const std::string& name) override {
    return inner_.DeleteValue(key, name);
  }

 private:
  RegistryApi& inner_;
  std::set<std::string> failing_;
};

}  // namespace corvanta
