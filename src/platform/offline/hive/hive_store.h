// A Windows hive file mounted at a key of the offline registry: SOFTWARE at
// HKLM\SOFTWARE, a profile's NTUSER.DAT at HKCU, its UsrClass.dat at
// HKCU\Software\Classes. Read and written through hivex.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/offline/registry_store.h"

namespace corvanta {

class HiveStore : public RegistryFileStore {
 public:
  // mountPath is below root, without a leading backslash ("" for the root
  // itself).
  HiveStore(std::string file, std::uint32_t root, std::string mountPath);

  // A path below root that another store holds: this store neither loads the
  // hive's key there nor owns changes below it (NTUSER.DAT's Software\Classes,
  // which the system replaces by the profile's UsrClass.dat).
  void Exclude(const std::string& path);

  std::uint32_t Root() const { return root_; }
  const std::string& MountPath() const { return mount_; }

  std::string FilePath() const override { return file_; }
  bool Load(MemoryRegistry& reg, std::string* error) override;
  std::vector<RegistryLink> Links() const override { return links_; }
  bool Owns(const RegistryChange& change) const override;
  bool Stage(const RegistryChanges& changes, AtomicReplace& replace, std::string* error) override;
  std::string Refusal(const RegistryChange& change) const override;
  // "" when the hive may be written, else why not: its folder cannot be
  // written, or the system left changes in the hive's log files that the
  // hive lacks (writing it then would lose them).
  std::string RefuseWrite() const;

 private:
  std::string file_;
  std::uint32_t root_;
  std::string mount_;
  std::vector<std::string> excluded_;
  std::vector<RegistryLink> links_;
  // Names hivex could not convert, read from their cells instead.
  UnwritableNames unwritable_;
};

// True when path is base itself or lies below it (names compared as the
// registry compares them).
bool IsAtOrBelow(const std::string& path, const std::string& base);

// Why hivex cannot open a hive for reading, or "" when it can.
std::string CheckHive(const std::string& file);

// The text values (REG_SZ, REG_EXPAND_SZ) of the key at path below the hive's
// root, in UTF-8 without their terminators, in the key's order. False when the
// hive or the key cannot be read.
bool ReadHiveTexts(const std::string& file, const std::string& path,
                   std::vector<std::pair<std::string, std::string>>* values);

}  // namespace corvanta
