// Test double of the version-information reader: files and their strings
// are registered by the test.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/version_info.h"

namespace corvanta {

class MemoryVersionInfo : public VersionInfo {
 public:
  // Gives the file at path (matched without regard to case) a version
  // resource with these strings.
  void SetStrings(const std::string& path, const std::map<std::string, std::string>& strings);
  // Every path asked for, in order.
  const std::vector<std::string>& queried() const { return queried_; }

  std::vector<std::string> QueryStrings(const std::string& path,
                                        const std::vector<std::string>& names) override;

 private:
  static std::string Key(const std::string& path);
  std::map<std::string, std::map<std::string, std::string>> files_;
  std::vector<std::string> queried_;
};

}  // namespace corvanta
