// An in-memory file system with Windows path rules, for tests and the demo.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace corvanta {

// Drive letters map to folder trees. Names compare without regard to ASCII
// case and keep their spelling; "\" and "/" separate components; a path that
// starts with "\" is on the current drive. Listings behave like
// FindFirstFileW: "*" and "?" wildcards, "*.*" matching every name, "." and
// ".." reported first in folders other than a drive root.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();
  ~MemoryFileSystem() override;

  // Seeding. Missing parent folders (and the drive) are created as plain
  // folders. AddFile replaces an existing file; attributes 0 mean faArchive.
  void AddFile(const std::string& path, const std::string& bytes = std::string(),
               uint32_t attributes = faArchive);
  void AddFolder(const std::string& path, uint32_t attributes = faDirectory);
  // Changes the attributes of an existing entry (the directory bit is kept
  // as the entry is); false when it does not exist.
  bool SetAttributes(const std::string& path, uint32_t attributes);
  // Makes every later RemoveFile of this path fail, as for a locked file.
  void LockFile(const std::string& path);
  // Fixes the 8.3 name of an existing entry instead of a generated one.
  bool SetShortName(const std::string& path, const std::string& shortName);
  void SetWindowsDirectory(const std::string& path) { windowsDirectory_ = path; }
  void SetCurrentDrive(char letter);
  uint32_t errorMode() const { return errorMode_; }
  // Every mode passed to SetErrorMode, in order.
  const std::vector<uint32_t>& errorModeHistory() const { return errorModeHistory_; }

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  uint32_t GetAttributes(const std::string& path) override;
  void ForEachFile(const std::string& pattern, uint32_t attrFilter,
                   const std::function<bool(const FindEntry&)>& visit) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  bool CopyOneFile(const std::string& from, const std::string& to) override;
  bool MakeDirectory(const std::string& path) override;
  bool ReadWholeFile(const std::string& path, std::string* out) override;
  bool WriteWholeFile(const std::string& path, const std::string& bytes) override;
  std::string WindowsDirectory() override { return windowsDirectory_; }
  std::string ShortPathName(const std::string& path) override;
  uint32_t SetErrorMode(uint32_t mode) override;

  // Case-insensitive DOS wildcard match of one file name.
  static bool WildcardMatch(const std::string& pattern, const std::string& name);

 private:
  struct Node;
  struct Parsed;

  bool Parse(const std::string& path, Parsed* out) const;
  Node* Find(const Parsed& parsed) const;
  Node* FindParent(const Parsed& parsed) const;
  Node* Ensure(const std::string& path, bool lastIsFolder, uint32_t attributes);
  std::string ShortNameOf(const Node& parent, const Node& node) const;

  std::map<char, std::unique_ptr<Node>> drives_;
  std::set<std::string> locked_;  // upper-case full paths
  std::string windowsDirectory_ = "C:\\WINDOWS";
  char currentDrive_ = 'C';
  uint32_t errorMode_ = 0;
  std::vector<uint32_t> errorModeHistory_;
};

}  // namespace corvanta
