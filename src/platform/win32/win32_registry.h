// The registry port over advapi32's wide calls: names and the data of the
// text types are converted between the port's UTF-8 and the system's UTF-16,
// other data passes as bytes. The predefined roots are passed as their HKEY
// values; every other RegKey is an HKEY it handed out. Not for use by two
// threads at once (it keeps its buffers between calls).
#pragma once

#include <vector>

#include "platform/registry_api.h"

namespace corvanta {

class Win32Registry : public RegistryApi {
 public:
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
  // One value's type and bytes as the system holds them, read through call
  // (RegQueryValueExW or RegEnumValueW bound to a value) into data_.
  template <class Call>
  std::int32_t ReadStored(Call call, unsigned long* type, unsigned long* size);

  std::vector<wchar_t> name_;
  std::vector<unsigned char> data_;
  // The UTF-8 of the last name or text read, kept to spare an allocation each.
  std::string utf8_;
};

}  // namespace corvanta
