// The system's message text for a Win32 error code.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace corvanta {

inline std::string SystemErrorText(DWORD code) {
  wchar_t buffer[1024] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
  // The system's text ends in a line break a message box does not want.
  while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
  return Narrow(buffer, n);
}

}  // namespace corvanta
