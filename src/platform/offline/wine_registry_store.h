// One registry file of a Wine prefix (system.reg, user.reg, userdef.reg) as a
// store: read into the in-memory registry below its root and mount path, and
// written back block by block, so every key the changes do not touch keeps its
// bytes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/offline/host_files.h"
#include "platform/offline/registry_store.h"

namespace corvanta {

class WineRegistryStore : public RegistryFileStore {
 public:
  // root: the predefined root the file holds; mount: the path below it where
  // the file's keys start ("" or e.g. ".Default" below HKEY_USERS).
  WineRegistryStore(std::string filePath, std::uint32_t root, std::string mount = std::string());

  std::string FilePath() const override { return filePath_; }
  bool Load(MemoryRegistry& reg, std::string* error) override;
  std::vector<RegistryLink> Links() const override { return links_; }
  bool Owns(const RegistryChange& change) const override;
  bool Stage(const RegistryChanges& changes, AtomicReplace& replace, std::string* error) override;
  std::string Refusal(const RegistryChange& change) const override {
    return unwritable_.Refuse(change);
  }
  void Committed() override;

  // The file's bytes after changes, without touching the disk.
  static bool ApplyChanges(const std::string& bytes, const RegistryChanges& changes,
                           const std::string& mount, std::int64_t now, std::string* out,
                           std::string* error);

 private:
  // The change's path relative to the file; false when it is not the file's.
  bool Relative(const RegistryChange& change, std::string* path) const;

  std::string filePath_;
  std::uint32_t root_;
  std::string mount_;
  // What the file was when loaded: a rewrite over a file that changed since
  // would lose those changes.
  std::int64_t loadedSize_ = -1;
  std::int64_t loadedMtimeNs_ = -1;
  std::vector<RegistryLink> links_;
  // Names that held bytes Wine skips: the file cannot be rewritten there.
  UnwritableNames unwritable_;
};

}  // namespace corvanta
