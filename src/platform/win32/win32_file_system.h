// The file system port over kernel32's wide calls; paths are UTF-8 on the
// port. A path in bytes that are no UTF-8 names nothing the program read from
// the system: it is unknown, which reads as present and is never changed.
#pragma once

#include "platform/file_system.h"

namespace corvanta {

class Win32FileSystem : public FileSystem {
 public:
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
  std::string WindowsDirectory() override;
  std::string ShortPathName(const std::string& path) override;
  uint32_t SetErrorMode(uint32_t mode) override;
};

}  // namespace corvanta
