// Imports a .reg file with the system's registry editor, silently, and waits.
#pragma once

#include <windows.h>

#include <string>

#include "wine/child_process.h"

namespace corvanta::testing {

// The editor's exit code, or 0xFFFFFFFF when it could not be started.
inline DWORD ImportWithRegedit(const std::string& file) {
  return RunChild("regedit.exe /S \"" + file + "\"", 60000);
}

}  // namespace corvanta::testing
