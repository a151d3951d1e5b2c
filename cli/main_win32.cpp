// corvanta-cli.exe: the console program over the real system.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/win32/win32_library.h"
#include "platform/win32/win32_platform.h"

int main() {
  // Before anything can load a library by name.
  corvanta::HardenDllSearchPath();
  // The shortcut sections create shell link objects on this thread.
  corvanta::ComScope com;
  corvanta::Win32Platform win32;
  // The wide command line: arguments outside the code page arrive whole.
  const std::vector<std::string> args = corvanta::Win32System::CommandLineArguments();
  const int rc = corvanta::RunCli(win32.platform(), args, std::cout, std::cerr);
  std::cout.flush();
  return rc;
}
