// The System Restore point made before a repair, on the two systems that
// offer one.
#pragma once

#include <string>

namespace corvanta {

class System;

extern const char kRestorePointDescription[];  // "Corvanta Restore Point"

// Asks System Restore for a restore point: "srclient.dll" on Windows XP,
// "sfc.dll" on Windows ME; on any other system nothing is loaded. True exactly
// when the restore point was created. Shows nothing.
bool CreateRestorePoint(System& system);

// The same for an already known OS name.
bool CreateRestorePointFor(System& system, const std::string& osName);

}  // namespace corvanta
