// A stopped Wine prefix as an offline system: system.reg as HKLM, user.reg as
// HKCU, userdef.reg as HKU\.Default, the drives of dosdevices/ (C: is
// drive_c), the user and the Windows version the prefix reports.
#pragma once

#include <memory>
#include <string>

#include "offline/offline_system.h"

namespace corvanta {

// Opens and loads the prefix; null with the reason in error when it is not a
// prefix or a registry file cannot be read. executable: this program's host
// path (backups go beside it).
std::unique_ptr<OfflineSystem> OpenWinePrefix(const std::string& folder,
                                              const std::string& executable, std::string* error);

// "" when no wineserver runs for the prefix, else a message saying so: a
// running server would write its own registry over the files when it ends.
std::string WineServerRunning(const std::string& folder);

// True when the host path names a folder (links followed).
bool IsHostDirectory(const std::string& path);

}  // namespace corvanta
