#include "platform/win32/win32_process.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error_text.h"

namespace corvanta {

namespace {

bool IsFile(const std::string& path) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// True for a 32-bit process on 64-bit Windows. Both entries are looked up at
// run time: the first releases of XP have neither.
bool RunsUnderWow64() {
  using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto isWow64 = reinterpret_cast<IsWow64Fn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow = FALSE;
  return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow) && wow;
}

std::string Wow64SystemDirectory() {
  using GetDirFn = UINT(WINAPI*)(LPWSTR, UINT);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto getDir = reinterpret_cast<GetDirFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetSystemWow64DirectoryW")));
  wchar_t buffer[MAX_PATH] = {};
  if (getDir == nullptr) return std::string();
  const UINT n = getDir(buffer, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : Narrow(buffer, n);
}

std::string InFolder(const std::string& folder, const char* name) {
  if (folder.empty()) return std::string();
  return folder + (folder.back() == '\\' ? "" : "\\") + name;
}

}  // namespace

std::string Win32ProcessRunner::RegistryEditorPath() {
  // An import must land in the registry view the backup was exported from:
  // the 32-bit editor writes the 32-bit view of HKLM\Software.
  if (RunsUnderWow64()) {
    const std::string wow = InFolder(Wow64SystemDirectory(), "regedit.exe");
    if (!wow.empty() && IsFile(wow)) return wow;
  }
  wchar_t buffer[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  const std::string windows = n > 0 && n < MAX_PATH ? Narrow(buffer, n) : std::string();
  const std::string inWindows = InFolder(windows, "regedit.exe");
  if (!inWindows.empty() && IsFile(inWindows)) return inWindows;
  n = GetSystemDirectoryW(buffer, MAX_PATH);
  const std::string system = n > 0 && n < MAX_PATH ? Narrow(buffer, n) : std::string();
  const std::string inSystem = InFolder(system, "regedit.exe");
  if (!inSystem.empty() && IsFile(inSystem)) return inSystem;
  return std::string();
}

ProcessOutcome Win32ProcessRunner::RunHidden(const std::string& program, const std::string& params,
                                             uint32_t timeoutMs,
                                             const std::function<void()>& pump) {
  ProcessOutcome out;
  std::string line = "\"" + program + "\"";
  if (!params.empty()) line += " " + params;
  // The command line buffer must be writable for the wide call.
  std::wstring wide = Wide(line);
  std::vector<wchar_t> writable(wide.begin(), wide.end());
  writable.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(Wide(program).c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi)) {
    // Read at once: any later call may overwrite the thread's last error.
    const DWORD code = GetLastError();
    out.end = ProcessOutcome::End::LaunchFailed;
    out.error = code != 0 ? SystemErrorText(code) : std::string();
    if (out.error.empty()) out.error = "\"" + program + "\" could not be started.";
    return out;
  }
  CloseHandle(pi.hThread);
  const DWORD started = GetTickCount();
  out.end = ProcessOutcome::End::TimedOut;
  for (;;) {
    const DWORD elapsed = GetTickCount() - started;
    if (elapsed >= timeoutMs) break;
    const DWORD slice = timeoutMs - elapsed < 50 ? timeoutMs - elapsed : 50;
    const DWORD woke = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, slice, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(pi.hProcess, &code);
      out.end = ProcessOutcome::End::Exited;
      out.exitCode = code;
      break;
    }
    if (woke == WAIT_FAILED) {
      Sleep(slice);
    }
    if (pump) pump();
  }
  CloseHandle(pi.hProcess);
  return out;
}

}  // namespace corvanta
