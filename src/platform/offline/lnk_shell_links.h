// Shortcut targets read from the .lnk files themselves (liblnk): the local
// base path of the link's location, else its relative path from the link's
// folder. No shell runs.
#pragma once

#include <string>

#include "platform/shell_link.h"

namespace corvanta {

class OfflineFileSystem;

class LnkShellLinks : public ShellLinkResolver {
 public:
  explicit LnkShellLinks(OfflineFileSystem& files) : files_(files) {}
  std::string ResolveShortcutTarget(const std::string& path) override;

 private:
  OfflineFileSystem& files_;
};

}  // namespace corvanta
