// The shell port over shell32.
#pragma once

#include "platform/shell.h"

namespace corvanta {

class Win32Shell : public Shell {
 public:
  // The window special folder lookups are made for (0 = none).
  void SetOwnerWindow(uintptr_t window) { ownerWindow_ = window; }

  int Execute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
              const std::string& params, const std::string& dir, int showCmd) override;
  std::string LastErrorText() override;
  std::string GetSpecialFolderPath(int csidl) override;

 private:
  uintptr_t ownerWindow_ = 0;
};

}  // namespace corvanta
