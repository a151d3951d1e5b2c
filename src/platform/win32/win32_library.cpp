#include "platform/win32/win32_library.h"

#include <vector>

#include "platform/win32/wide_text.h"

namespace corvanta {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32; the XP headers do not have it.
constexpr DWORD kSearchSystem32 = 0x00000800;

typedef BOOL(WINAPI* SetDllDirectoryFn)(LPCSTR);
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);

}  // namespace

std::string SystemLibraryPath(const std::string& name) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const UINT n = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) {
      std::string path = Narrow(buffer.data(), n);
      if (path.back() != '\\') path += '\\';
      return path + name;
    }
    buffer.resize(n + 1);
  }
}

HMODULE LoadSystemLibrary(const std::string& name) {
  // Only a bare name is looked for in the system folder.
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return nullptr;
  const std::string path = SystemLibraryPath(name);
  return path.empty() ? nullptr : LoadLibraryW(Wide(path).c_str());
}

void HardenDllSearchPath() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDllDirectory) setDllDirectory("");
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault) setDefault(kSearchSystem32);
}

}  // namespace corvanta
