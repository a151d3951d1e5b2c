// The system's message text for a Win32 error code.
#pragma once

#include <windows.h>

#include <string>

namespace corvanta {

inline std::string SystemErrorText(DWORD code) {
  char buffer[1024] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, sizeof buffer, nullptr);
  // The system's text ends in a line break a message box does not want.
  while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == ' ')) --n;
  return std::string(buffer, n);
}

}  // namespace corvanta
