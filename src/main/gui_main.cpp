// The GUI program: COM for the GUI thread (the shell-link reader needs it),
// the Win32 platform, the real windows, and the controller's whole run.
#include <windows.h>
// after windows.h
#include <objbase.h>

#include "app/main.h"
#include "platform/win32/win32_library.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_ui.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  // Before anything can load a library by name.
  corvanta::HardenDllSearchPath();
  const HRESULT com = CoInitialize(nullptr);
  int code = 0;
  {
    corvanta::Win32Platform platform;
    code = corvanta::RunApplication(platform.platform(), corvanta::BuildWin32Ui);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}
