#include <windows.h>
// windows.h first
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error_text.h"
#include "platform/win32/win32_shell.h"

namespace corvanta {

namespace {

// The wide form of s, or null for an empty one (the system's default).
class WideOrNull {
 public:
  explicit WideOrNull(const std::string& s) : empty_(s.empty()), wide_(Wide(s)) {}
  const wchar_t* get() const { return empty_ ? nullptr : wide_.c_str(); }

 private:
  bool empty_;
  std::wstring wide_;
};

}  // namespace

int Win32Shell::Execute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                        const std::string& params, const std::string& dir, int showCmd) {
  HINSTANCE result =
      ShellExecuteW(reinterpret_cast<HWND>(ownerWindow), WideOrNull(verb).get(), Wide(file).c_str(),
                    WideOrNull(params).get(), WideOrNull(dir).get(), showCmd);
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
  wchar_t buffer[MAX_PATH] = {};
  std::string path;
  if (SHGetPathFromIDListW(list, buffer)) path = Narrow(buffer);
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
    allocator->Free(list);
    allocator->Release();
  }
  return path;
}

}  // namespace corvanta
