// The file system of a stopped system: drive letters mapped to host folders,
// Windows path rules over a case-sensitive tree (names matched without regard
// to case through a listing cache per folder, "\" and "/" alike, 8.3 names
// worked out where the listing has none), symbolic links seen as reparse
// points.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

namespace corvanta {

class OfflineFileSystem : public FileSystem {
 public:
  // letter: 'A'..'Z'; hostFolder: the folder the drive's root is.
  void MapDrive(char letter, const std::string& hostFolder);
  // The Windows path of a host path through the mapped drives (the drive
  // whose folder holds it most closely), "" when none does.
  std::string WindowsPathOf(const std::string& hostPath) const;
  // The host path of a Windows path whose every component exists, matched
  // without regard to case; "" when it does not resolve.
  std::string HostPathOf(const std::string& path);
  void SetWindowsDirectory(const std::string& path) { windowsDirectory_ = path; }

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  std::uint32_t GetAttributes(const std::string& path) override;
  void ForEachFile(const std::string& pattern, std::uint32_t attrFilter,
                   const std::function<bool(const FindEntry&)>& visit) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  bool CopyOneFile(const std::string& from, const std::string& to) override;
  bool MakeDirectory(const std::string& path) override;
  bool ReadWholeFile(const std::string& path, std::string* out) override;
  bool WriteWholeFile(const std::string& path, const std::string& bytes) override;
  std::string WindowsDirectory() override { return windowsDirectory_; }
  std::string ShortPathName(const std::string& path) override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;

  // The Windows paths of the files this run wrote and read, in order.
  const std::vector<std::string>& Written() const { return written_; }
  const std::vector<std::string>& Read() const { return read_; }

 private:
  struct Listing {
    std::vector<std::string> names;                      // as the folder lists them
    std::unordered_map<std::string, std::size_t> upper;  // upper-case name -> index
  };
  // The host folder and components of a full path after Windows' lexical
  // rules ("." and ".." folded, trailing dots and blanks dropped); false for
  // a path on no mapped drive. A path that begins with "/" is a host path.
  bool Split(const std::string& path, std::string* host, std::vector<std::string>* parts) const;
  const Listing& ListingOf(const std::string& hostFolder);
  // The name in the host folder that component stands for, "" when none.
  std::string Match(const std::string& hostFolder, const std::string& component);
  // Host path of the parent folder (resolved) and the last component as given.
  bool ResolveParent(const std::string& path, std::string* hostParent, std::string* leaf);
  void Forget(const std::string& hostFolder) { listings_.erase(hostFolder); }

  std::map<char, std::string> drives_;
  std::unordered_map<std::string, Listing> listings_;
  std::string windowsDirectory_ = "C:\\windows";
  std::uint32_t errorMode_ = 0;
  std::vector<std::string> written_;
  std::vector<std::string> read_;
};

// The 8.3 name Windows gives the n-th (from 1) long name of a folder with
// this basis ("Program Files", 1 -> "PROGRA~1"); the name itself when it is a
// valid 8.3 name already.
std::string ShortNameOf(const std::string& longName, int n);
// True when name is a valid 8.3 name (upper case, no blanks, at most 8 + 3).
bool IsShortName(const std::string& name);

}  // namespace corvanta
