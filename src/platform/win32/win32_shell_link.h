// The shell link resolver over the shell's link object (COM).
#pragma once

#include "platform/shell_link.h"

namespace corvanta {

// COM for the calling thread while it lives (CoInitialize / CoUninitialize).
// main() holds one on the GUI thread for the whole run.
class ComScope {
 public:
  ComScope();
  ~ComScope();
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool initialized() const { return initialized_; }

 private:
  bool initialized_ = false;
};

class Win32ShellLinkResolver : public ShellLinkResolver {
 public:
  std::string ResolveShortcutTarget(const std::string& path) override;
};

}  // namespace corvanta
