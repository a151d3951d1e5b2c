// A change made to an offline registry, recorded while the logic runs and
// written to the registry files at the end, all at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvanta {

struct RegistryChange {
  enum class Op { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
  Op op = Op::kCreateKey;
  // The predefined root that stores the key (never HKEY_CLASSES_ROOT: the
  // recorder resolves it to the root that holds the key) and the key's path
  // below it, without a leading backslash.
  std::uint32_t root = 0;
  std::string path;
  // kSetValue and kDeleteValue: the value's name ("" for the default value).
  std::string name;
  // kSetValue: the value's type and bytes.
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

using RegistryChanges = std::vector<RegistryChange>;

}  // namespace corvanta
