// The host's file operations every offline writer goes through, and the one
// way they replace files: each new file written beside its target and synced,
// then all renamed, then their folders synced. A test hands in operations
// that fail at a chosen step.
#pragma once

#include <string>
#include <vector>

namespace corvanta {

class HostFiles {
 public:
  virtual ~HostFiles() = default;
  // Creates or truncates path with the bytes and mode, and syncs it.
  virtual bool WriteSynced(const std::string& path, const std::string& bytes, unsigned mode,
                           std::string* error);
  // Syncs an existing file (one a library wrote).
  virtual bool SyncFile(const std::string& path, std::string* error);
  // A second name for an existing file; fails when to exists.
  virtual bool Link(const std::string& from, const std::string& to, std::string* error);
  virtual bool Rename(const std::string& from, const std::string& to, std::string* error);
  virtual bool SyncFolder(const std::string& folder, std::string* error);
  virtual void Remove(const std::string& path);
};

// The real operations.
HostFiles& RealHostFiles();

// Files replaced together. Stage writes "<target>.new" (or takes one a
// library wrote) and syncs it; Commit renames every staged file over its
// target and syncs the folders. A failure before the renames leaves every
// target as it was; a failed rename puts back the targets renamed before it.
// What is staged and not committed is removed.
class AtomicReplace {
 public:
  explicit AtomicReplace(HostFiles& io = RealHostFiles()) : io_(io) {}
  ~AtomicReplace();
  AtomicReplace(const AtomicReplace&) = delete;
  AtomicReplace& operator=(const AtomicReplace&) = delete;

  // The staging name of a target.
  static std::string StagingPath(const std::string& target) { return target + ".new"; }
  // Writes the target's new bytes beside it, with the target's mode.
  bool Stage(const std::string& target, const std::string& bytes, std::string* error);
  // Takes StagingPath(target), already written, and syncs it.
  bool StageWritten(const std::string& target, std::string* error);
  bool Commit(std::string* error);
  bool Empty() const { return targets_.empty(); }

 private:
  HostFiles& io_;
  std::vector<std::string> targets_;
  bool committed_ = false;
};

// One file replaced as above.
bool ReplaceHostFile(const std::string& path, const std::string& bytes, std::string* error,
                     HostFiles& io = RealHostFiles());
// Writes a new file that must not exist yet (a temporary name, synced, then
// linked into place), so that no partial file ever carries its name.
bool CreateHostFile(const std::string& path, const std::string& bytes, std::string* error,
                    HostFiles& io = RealHostFiles());
// Reads a whole host file.
bool ReadHostFile(const std::string& path, std::string* out, std::string* error);

}  // namespace corvanta
