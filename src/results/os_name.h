// The display name of the running Windows version, as the settings page and
// the restore point need it.
#pragma once

#include <string>

#include "platform/system.h"

namespace corvanta {

// "Windows 95", "Windows 98", "Windows ME", "Windows NT 3.51", "Windows NT4.0",
// "Windows 2000", "Windows XP", "Windows .NET server", or "" for any other
// version (6.0 and later included).
std::string OsNameFor(const OsVersion& version);
// OsNameFor the version the system reports.
std::string GetOSName(System& system);

}  // namespace corvanta
