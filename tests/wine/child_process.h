// Starting another program from a Wine test and waiting for it.
#pragma once

#include <windows.h>

#include <string>

namespace corvanta::testing {

// Starts the command line; quiet sends its output to NUL. The process
// handle, nullptr when it could not start.
inline HANDLE StartChild(std::string commandLine, const char* folder = nullptr,
                         bool quiet = false) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nul = quiet ? CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                   0, nullptr)
                     : INVALID_HANDLE_VALUE;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (nul != INVALID_HANDLE_VALUE) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = nul;
  }
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, quiet,
                                      quiet ? CREATE_NO_WINDOW : 0, nullptr, folder, &si, &pi);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

// Waits for a started child and closes its handle: its exit code, or
// 0xFFFFFFFF when it did not start or did not end in time (then it is ended).
inline DWORD WaitChild(HANDLE process, DWORD timeoutMs) {
  if (process == nullptr) return 0xFFFFFFFFu;
  DWORD code = 0xFFFFFFFFu;
  if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(process, &code);
  else
    TerminateProcess(process, code);
  CloseHandle(process);
  return code;
}

inline DWORD RunChild(const std::string& commandLine, DWORD timeoutMs, const char* folder = nullptr,
                      bool quiet = false) {
  return WaitChild(StartChild(commandLine, folder, quiet), timeoutMs);
}

}  // namespace corvanta::testing
