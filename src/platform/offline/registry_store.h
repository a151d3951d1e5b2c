// One registry file of a system that is not running (a Wine prefix's text
// file, a Windows hive): it fills its part of the in-memory registry the
// logic works on, and at the end writes the changes that fall into it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/offline/registry_change.h"

namespace corvanta {

class AtomicReplace;
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
  // Applies the changes this store owns, in order, and stages the new file in
  // replace (written beside the file and synced; the caller renames every
  // staged file at once). False with the reason when a change does not
  // resolve to exactly one key of the file or the file cannot be staged.
  virtual bool Stage(const RegistryChanges& changes, AtomicReplace& replace,
                     std::string* error) = 0;
  // Why the file could not hold the change exactly, "" when it can.
  virtual std::string Refusal(const RegistryChange&) const { return std::string(); }
  // Called once the staged file replaced the old one.
  virtual void Committed() {}
  // Stage and commit this store alone.
  bool Write(const RegistryChanges& changes, std::string* error);
};

// The keys and values a store loaded whose names it cannot write back as
// the file holds them (bytes a Wine file holds that are no UTF-8, names the
// hive library cannot take): a change at or below one is refused, so such an
// entry is never changed.
class UnwritableNames {
 public:
  // path: below the root, as the in-memory registry spells it.
  void AddKey(const std::string& path);
  void AddValue(const std::string& path, const std::string& name);
  // Every value of the key: the store rewrites a key's values as a whole.
  void AddValuesOf(const std::string& path);
  // "" when the change names no such key or value, else why it is refused.
  std::string Refuse(const RegistryChange& change) const;

 private:
  std::set<std::string> keys_;       // folded paths
  std::set<std::string> valueKeys_;  // folded paths
  std::set<std::string> values_;     // folded path + "\\" + name
};

}  // namespace corvanta
