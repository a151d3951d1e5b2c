// A file's version strings read from its bytes, for a system that is not
// running: the PE resource directory leads to the version resource, whose
// translation table names the string table the names are looked up in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/version_info.h"

namespace corvanta {

class OfflineFileSystem;

// The texts of names in the version resource of a PE file's bytes, as
// VersionInfo::QueryStrings answers them (ANSI, "" for what is missing).
// Of a resource in several languages, the one the system's loader takes:
// neutral, then language, then its primary language, then US English, then
// the first.
// Every offset is checked against the bytes: a malformed file has no
// version information.
std::vector<std::string> PeVersionStrings(const std::string& file,
                                          const std::vector<std::string>& names,
                                          std::uint16_t language);

class PeVersionInfo : public VersionInfo {
 public:
  explicit PeVersionInfo(OfflineFileSystem& files) : files_(files) {}
  std::vector<std::string> QueryStrings(const std::string& path,
                                        const std::vector<std::string>& names) override;
  // The system's language (a LANGID), for files with several versions.
  void SetLanguage(std::uint16_t language) { language_ = language; }

 private:
  OfflineFileSystem& files_;
  std::uint16_t language_ = 0x409;
};

}  // namespace corvanta
