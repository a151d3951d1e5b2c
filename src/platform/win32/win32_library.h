// Libraries loaded at run time come from the system folder only: a program
// that runs with administrator rights must not pick up a DLL planted in its
// own folder or in the current one.
#pragma once

#include <windows.h>

#include <string>

namespace corvanta {

// "<system folder>\name" (GetSystemDirectoryA); "" when the folder is unknown.
std::string SystemLibraryPath(const std::string& name);

// LoadLibraryA of SystemLibraryPath(name); nullptr when it cannot be loaded.
HMODULE LoadSystemLibrary(const std::string& name);

// Takes the current folder out of the DLL search path where the system allows
// it: SetDllDirectoryA("") (XP SP1 and later) and SetDefaultDllDirectories
// (system folder only; Windows 8, or 7 and Vista with KB2533623). Both are
// looked up at run time, so the program still starts on older systems.
void HardenDllSearchPath();

}  // namespace corvanta
