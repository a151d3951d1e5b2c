// A file system that passes every call to another one and remembers the exact
// paths the existence tests were asked about. Paths added with AddExact exist
// as files whatever the inner file system says (network shares, say).
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace corvanta {

class ProbeFileSystem : public FileSystem {
 public:
  explicit ProbeFileSystem(FileSystem& inner) : inner_(inner) {}

  void AddExact(const std::string& path) { exact_.insert(path); }
  std::vector<std::string> fileProbes;
  std::vector<std::string> attributeProbes;

  bool FileExists(const std::string& path) override {
    fileProbes.push_back(path);
    return exact_.count(path) != 0 || inner_.FileExists(path);
  }
  bool DirectoryExists(const std::string& path) override { return inner_.DirectoryExists(path); }
  uint32_t GetAttributes(const std::string& path) override {
    attributeProbes.push_back(path);
    return inner_.GetAttributes(path);
  }
  void ForEachFile(const std::string& pattern, uint32_t attrFilter,
                   const std::function<bool(const FindEntry&)>& visit) override {
    inner_.ForEachFile(pattern, attrFilter, visit);
  }
  bool RemoveFile(const std::string& path) override { return inner_.RemoveFile(path); }
  bool RemoveFolder(const std::string& path) override { return inner_.RemoveFolder(path); }
  bool CopyOneFile(const std::string& from, const std::string& to) override {
    return inner_.CopyOneFile(from, to);
  }
  bool MakeDirectory(const std::string& path) override { return inner_.MakeDirectory(path); }
  bool ReadWholeFile(const std::string& path, std::string* out) override {
    return inner_.ReadWholeFile(path, out);
  }
  bool WriteWholeFile(const std::string& path, const std::string& bytes) override {
    return inner_.WriteWholeFile(path, bytes);
  }
  std::string WindowsDirectory() override { return inner_.WindowsDirectory(); }
  std::string ShortPathName(const std::string& path) override { return inner_.ShortPathName(path); }
  uint32_t SetErrorMode(uint32_t mode) override { return inner_.SetErrorMode(mode); }

 private:
  FileSystem& inner_;
  std::set<std::string> exact_;
};

}  // namespace corvanta
