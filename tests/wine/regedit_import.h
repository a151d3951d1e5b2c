// Imports a .reg file with the system's registry editor, silently, and waits.
#pragma once

#include <windows.h>

#include <string>

namespace corvanta::testing {

// The editor's exit code, or 0xFFFFFFFF when it could not be started.
inline DWORD ImportWithRegedit(const std::string& file) {
  std::string cmd = "regedit.exe /S \"" + file + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return 0xFFFFFFFFu;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0xFFFFFFFFu;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

}  // namespace corvanta::testing
