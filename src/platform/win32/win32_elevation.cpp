// Whether user account control keeps this process from its administrator
// rights. Before Vista there is no such control: never.
#include <windows.h>

#include "platform/win32/win32_system.h"

namespace corvanta {

bool Win32System::RunsWithoutAdminRights() {
  if (GetVersion().major < 6) return false;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD elevated = 0, size = 0;
  // TokenElevation (20) answers one DWORD, TokenIsElevated; the class is
  // named by number since XP-era headers lack it.
  const BOOL ok = GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(20), &elevated,
                                      sizeof elevated, &size);
  CloseHandle(token);
  return ok && elevated == 0;
}

}  // namespace corvanta
