// The file system as the program sees it: existence tests, folder listings,
// whole-file reads and writes, and the few system folders it needs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvanta {

// File attribute bits, as the run-time library's FindFirst names them.
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faHidden = 0x02;
constexpr uint32_t faSysFile = 0x04;
constexpr uint32_t faVolumeID = 0x08;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;
constexpr uint32_t faAnyFile = 0x3F;
// Not a filter bit; reported in attributes (junctions, symbolic links).
constexpr uint32_t faReparsePoint = 0x400;
// Plain file attribute the OS reports for a file with no other bit.
constexpr uint32_t faNormal = 0x80;

// What GetAttributes answers for a path that does not exist.
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// SetErrorMode flag that fails critical errors (no disk in drive) quietly.
// Guarded: Win32 code sees the macro of the same value.
#ifndef SEM_FAILCRITICALERRORS
constexpr uint32_t SEM_FAILCRITICALERRORS = 0x0001;
#endif

struct FindEntry {
  std::string name;     // file name only, spelled as stored
  uint32_t attributes;  // the OS attribute bits
  uint64_t size;        // bytes; 0 for folders
};

// The attribute filter of a listing. The "special" attributes are hidden,
// system, volume label and directory: an entry is returned unless it has a
// special attribute that the filter does not admit. So faAnyFile returns
// everything, and faDirectory returns folders and plain files (read-only and
// archive files too) but drops anything hidden or system.
inline bool MatchesAttributeFilter(uint32_t attributes, uint32_t filter) {
  const uint32_t special = faHidden | faSysFile | faVolumeID | faDirectory;
  return (attributes & ~filter & special) == 0;
}

// Method names avoid the Win32 macros (DeleteFile, CreateDirectory, ...), so
// this header works whether or not <windows.h> came first.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // A search for the path finds an entry that is not a directory.
  virtual bool FileExists(const std::string& path) = 0;
  // The attributes of the path can be read and have the directory bit.
  virtual bool DirectoryExists(const std::string& path) = 0;
  // The path's attribute bits, kInvalidAttributes when it cannot be read.
  virtual uint32_t GetAttributes(const std::string& path) = 0;

  // Calls visit for every entry matching pattern (folder + wildcard name) that
  // passes the attribute filter, in the order the file system returns them,
  // "." and ".." included where the OS reports them. Stops early when visit
  // returns false. A folder that cannot be listed yields no entries. The
  // search is closed before this returns, also when visit throws.
  virtual void ForEachFile(const std::string& pattern, uint32_t attrFilter,
                           const std::function<bool(const FindEntry&)>& visit) = 0;
  // The same listing collected; for small folders only.
  std::vector<FindEntry> FindFiles(const std::string& pattern, uint32_t attrFilter) {
    std::vector<FindEntry> out;
    ForEachFile(pattern, attrFilter, [&out](const FindEntry& e) {
      out.push_back(e);
      return true;
    });
    return out;
  }

  virtual bool RemoveFile(const std::string& path) = 0;
  // Removes an empty folder.
  virtual bool RemoveFolder(const std::string& path) = 0;
  // Copies a file; fails when `to` exists already (nothing is overwritten).
  virtual bool CopyOneFile(const std::string& from, const std::string& to) = 0;
  // Creates one folder level; its parent must exist.
  virtual bool MakeDirectory(const std::string& path) = 0;
  // Reads the file's bytes unchanged (no line-ending translation).
  virtual bool ReadWholeFile(const std::string& path, std::string* out) = 0;
  // Creates or replaces the file with exactly these bytes.
  virtual bool WriteWholeFile(const std::string& path, const std::string& bytes) = 0;

  // The Windows directory without a trailing backslash, e.g. "C:\WINDOWS".
  virtual std::string WindowsDirectory() = 0;
  // The 8.3 form of an existing path; "" when it fails or exceeds 260 UTF-16
  // units (MAX_PATH, as the system counts).
  virtual std::string ShortPathName(const std::string& path) = 0;

  // Sets the process error mode and returns the previous one.
  virtual uint32_t SetErrorMode(uint32_t mode) = 0;
};

// Keeps existence tests on drives without media from asking for a disk while
// it lives; restores the previous mode on every way out.
class QuietErrorMode {
 public:
  explicit QuietErrorMode(FileSystem& files)
      : files_(files), previous_(files.SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~QuietErrorMode() { files_.SetErrorMode(previous_); }
  QuietErrorMode(const QuietErrorMode&) = delete;
  QuietErrorMode& operator=(const QuietErrorMode&) = delete;

 private:
  FileSystem& files_;
  uint32_t previous_;
};

}  // namespace corvanta
