// One registry file of a system that is not running (a Wine prefix's text
// file, a Windows hive): it fills its part of the in-memory registry the
// logic works on, and at the end writes the changes that fall into it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/offline/registry_change.h"

namespace corvanta {

class MemoryRegistry;

// A key that is a link to another one (a "SymbolicLinkValue" of type
// REG_LINK): the system opens the target through it.
struct RegistryLink {
  std::uint32_t root = 0;
  std::string path;
  // As stored, e.g. "\Registry\Machine\Software\Classes\Wow6432Node".
  std::string target;
};

class RegistryFileStore {
 public:
  virtual ~RegistryFileStore() = default;

  // The file on disk.
  virtual std::string FilePath() const = 0;
  // Reads the file into reg below the store's root and mount path. False with
  // a message naming the file when it cannot be read or parsed.
  virtual bool Load(MemoryRegistry& reg, std::string* error) = 0;
  // The link keys Load found.
  virtual std::vector<RegistryLink> Links() const { return {}; }
  // True when the change falls below this store's root and mount path.
  virtual bool Owns(const RegistryChange& change) const = 0;
  // Applies the changes this store owns, in order, and replaces the file
  // atomically (a new file beside it, then a rename). On failure the file is
  // left as it was and error says why.
  virtual bool Write(const RegistryChanges& changes, std::string* error) = 0;
};

}  // namespace corvanta
