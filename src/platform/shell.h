// The shell: starting programs, documents and URLs; special folders.
#pragma once

#include <cstdint>
#include <string>

namespace corvanta {

// Guarded: Win32 code sees the <shlobj.h>/<windows.h> macros of the same value.
#ifndef CSIDL_STARTMENU
constexpr int CSIDL_STARTMENU = 11;
#endif
#ifndef CSIDL_FONTS
constexpr int CSIDL_FONTS = 20;
#endif
#ifndef CSIDL_COMMON_STARTMENU
constexpr int CSIDL_COMMON_STARTMENU = 22;
#endif
#ifndef SW_HIDE
constexpr int SW_HIDE = 0;
#endif
#ifndef SW_SHOWNORMAL
constexpr int SW_SHOWNORMAL = 1;
#endif

class Shell {
 public:
  virtual ~Shell() = default;

  // ShellExecuteA (named Execute: ShellExecute is a Win32 macro); an empty verb, params or dir is
  // passed as no text. Returns the result code: above 32 means success.
  virtual int Execute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                      const std::string& params, const std::string& dir, int showCmd) = 0;
  // The system's message text for the thread's last error.
  virtual std::string LastErrorText() = 0;
  // File-system path of a shell special folder, "" when the shell has none.
  virtual std::string GetSpecialFolderPath(int csidl) = 0;
};

}  // namespace corvanta
