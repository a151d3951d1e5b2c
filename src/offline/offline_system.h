// A Windows system that is not running (a Wine prefix, a mounted Windows
// volume) assembled as a Platform: its registry files loaded into memory, its
// drives mapped, shortcuts read from the files, and the registry changes the
// logic makes written back to the files at the end, all at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/offline/offline_file_system.h"
#include "platform/offline/offline_info.h"
#include "platform/offline/registry_store.h"
#include "platform/system.h"

namespace corvanta {

struct Platform;
class MemoryRegistry;
class RecordingRegistry;

class HostFiles;

// The system's folder as the host resolves it; a backup names it.
std::string SystemIdOf(const std::string& folder);
// Where the backups of the system in folder are kept:
// $XDG_DATA_HOME/corvanta/<folder's name>-<hash of its path> (by default
// below ~/.local/share), one folder per system.
std::string BackupHomeOf(const std::string& folder);

class OfflineSystem {
 public:
  // kind and folder as OfflineSystemInfo has them.
  OfflineSystem(std::string kind, std::string folder);
  ~OfflineSystem();
  OfflineSystem(const OfflineSystem&) = delete;
  OfflineSystem& operator=(const OfflineSystem&) = delete;

  // ---- Assembly, before Load. ----
  void AddStore(std::unique_ptr<RegistryFileStore> store);
  // Drive letters, the Windows directory (set again by Load from the registry).
  OfflineFileSystem& files();
  // The profile whose registry is HKEY_CURRENT_USER.
  void SetUser(const std::string& name);
  // HKEY_CLASSES_ROOT shows the user's Software\Classes merged over the
  // machine's, as Windows shows it; without this it is the machine's alone,
  // as Wine shows it.
  void MergeUserClasses();
  // The version the system reports; without one Load reads it from the
  // registry ("Windows NT\CurrentVersion").
  void SetVersion(const OsVersion& version);
  // The name the system gives itself ("Windows XP"), in place of the one
  // made from its version numbers.
  void SetVersionName(const std::string& name);
  // This program on the host (its name is the one the system sees).
  void SetExecutable(const std::string& hostPath);
  // A check that must pass before a change is made and again before the files
  // are written: "" when changes may be written, else why not.
  void AddWriteCheck(std::function<std::string()> check);

  // Loads every store into the registry, then reads the Windows folder and the
  // special folders from it. False with a message naming the file otherwise.
  bool Load(std::string* error);

  // ---- After Load. ----
  Platform& platform();
  const OfflineSystemInfo& info() const;
  OfflineSystemInfo& info();
  MemoryRegistry& memory();
  RecordingRegistry& registry();
  const std::vector<std::unique_ptr<RegistryFileStore>>& stores() const;

  // "" when changes may be written (every registry file and its folder is
  // writable on a writable mount and every check passes), else why not.
  std::string RefuseChanges();
  // True when the logic changed the registry since Load, or deleted a file
  // that the commit still holds.
  bool HasChanges() const;
  // Writes the recorded changes in one commit: a copy of each registry file
  // that changes goes into the folder beside this run's backup (*copies says
  // where), each store stages its new file, and only then are they all
  // renamed into place and their folders synced. False with the reason when a
  // check refuses or any step fails; every registry file is then as it was.
  bool Commit(std::string* copies, std::string* error);
  // From now on files are deleted by the commit, after the registry files are
  // in place, and not at all when it fails: a repair is then all or nothing.
  void HoldFileRemovals();

  // The host operations the commit uses (a test fails one of them).
  void SetHostFiles(HostFiles& files);
  // The host folder of this system's backups (they are in its "Backup").
  const std::string& BackupHome() const;

 private:
  bool CommitRegistry(std::string* copies, std::string* error);

  struct Ports;
  std::unique_ptr<Ports> ports_;
};

}  // namespace corvanta
