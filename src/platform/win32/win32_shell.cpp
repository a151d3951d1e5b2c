#include <windows.h>
// windows.h first
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/win32_error_text.h"
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
  return SystemErrorText(GetLastError());
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
