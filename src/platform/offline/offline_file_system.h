// The file system of a stopped system: drive letters mapped to host folders,
// Windows path rules over a case-sensitive tree (the host's UTF-8 names
// matched by the program's case rule through a listing cache per folder, "\" and "/" alike, 8.3
// names worked out where the listing has none), symbolic links seen as reparse points, DOS
// attributes from the extended attributes Wine and ntfs-3g keep. A path it cannot decide (a drive
// the volume does not map, a host name that is no UTF-8) is unknown: it reads as present and is
// never changed.
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
  bool HasDrive(char letter) const;
  // A Windows volume: letters it does not map are unknown, not missing, and
  // names beginning with a dot are not hidden (a Wine prefix's rule).
  void SetVolumeRules();
  // The host path a Windows path stands for, whether or not it exists (the
  // names that exist as they are spelled on the host); "" off every drive.
  std::string HostPathFor(const std::string& path);

  // What GetAttributes answers for a path that cannot be decided.
  static constexpr std::uint32_t kUnknownAttributes = faArchive;

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
    std::vector<std::string> names;                      // as the program sees them, in list order
    std::vector<std::string> hosts;                      // the same names on the host
    std::unordered_map<std::string, std::size_t> upper;  // upper-case name -> index
    bool undecodable = false;                            // it holds host names that are no UTF-8
  };
  enum class Found { kYes, kNo, kUnknown };
  // Resolves every component of a full path to the host.
  Found Resolve(const std::string& path, std::string* host);
  // The host folder and components of a full path after Windows' lexical
  // rules ("." and ".." folded, trailing dots and blanks dropped); false for
  // a path on no mapped drive. A path that begins with "/" is a host path.
  bool Split(const std::string& path, std::string* host, std::vector<std::string>* parts) const;
  const Listing& ListingOf(const std::string& hostFolder);
  // The host name in the host folder that component stands for, "" when
  // none; *unknown when it may be a host name that is no UTF-8.
  std::string Match(const std::string& hostFolder, const std::string& component,
                    bool* unknown = nullptr);
  // Host path of the parent folder (resolved) and the last component as given.
  bool ResolveParent(const std::string& path, std::string* hostParent, std::string* leaf);
  void Forget(const std::string& hostFolder) { listings_.erase(hostFolder); }

  std::map<char, std::string> drives_;
  std::unordered_map<std::string, Listing> listings_;
  std::string windowsDirectory_ = "C:\\windows";
  std::uint32_t errorMode_ = 0;
  bool volume_ = false;
  std::vector<std::string> written_;
  std::vector<std::string> read_;
};

// The 8.3 name Windows gives the n-th (from 1) long name of a folder with
// this basis ("Program Files", 1 -> "PROGRA~1"); the name itself when it is a
// valid 8.3 name already.
std::string ShortNameOf(const std::string& longName, int n);
// True when name is a valid 8.3 name (upper case, no blanks, at most 8 + 3).
bool IsShortName(const std::string& name);

// The two forms in which a host keeps a file's DOS attributes: Wine's
// "user.DOSATTRIB" text ("0x22", perhaps ending in a NUL) and ntfs-3g's
// "system.ntfs_attrib_be" (four bytes, big-endian).
enum class KeptAttributesForm { kDosAttribText, kNtfsBigEndian };
// The attributes an extended attribute's value holds; false when the value
// is not of its form (it then says nothing about the file).
bool DecodeKeptAttributes(KeptAttributesForm form, const std::string& value,
                          std::uint32_t* attributes);

}  // namespace corvanta
