// The GUI program: COM for the GUI thread (the shell-link reader needs it),
// the Win32 platform, the real windows, and the controller's whole run.
#include <windows.h>

#include "app/main.h"
#include "platform/win32/win32_library.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_ui.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  // Before anything can load a library by name.
  corvanta::HardenDllSearchPath();
  corvanta::ComScope com;
  corvanta::Win32Platform platform;
  return corvanta::RunApplication(platform.platform(), corvanta::BuildWin32Ui);
}
