// The version-information reader over version.dll.
#pragma once

#include "platform/version_info.h"

namespace corvanta {

class Win32VersionInfo : public VersionInfo {
 public:
  std::vector<std::string> QueryStrings(const std::string& path,
                                        const std::vector<std::string>& names) override;
};

}  // namespace corvanta
