#include <windows.h>
// windows.h first
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/win32_shell.h"

namespace corvanta {

namespace {

const char* OrNull(const std::string& s) {
  return s.empty() ? nullptr : s.c_str();
}

}  // namespace

int Win32Shell::Execute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                        const std::string& params, const std::string& dir, int showCmd) {
  HINSTANCE result = ShellExecuteA(reinterpret_cast<HWND>(ownerWindow), OrNull(verb), file.c_str(),
                                   OrNull(params), OrNull(dir), showCmd);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

std::string Win32Shell::LastErrorText() {
  const DWORD code = GetLastError();
  char buffer[1024] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, sizeof buffer, nullptr);
  // The system's text ends in a line break a message box does not want.
  while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == ' ')) --n;
  return std::string(buffer, n);
}

std::string Win32Shell::GetSpecialFolderPath(int csidl) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(reinterpret_cast<HWND>(ownerWindow_), csidl, &list)) ||
      list == nullptr) {
    return std::string();
  }
  char buffer[MAX_PATH] = {};
  std::string path;
  if (SHGetPathFromIDListA(list, buffer)) path = buffer;
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
    allocator->Free(list);
    allocator->Release();
  }
  return path;
}

}  // namespace corvanta
