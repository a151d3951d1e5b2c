// Registry keys of Windows itself that more than one part of the program uses.
#pragma once

namespace corvanta {

// The machine's and the user's log-on programs (under HKLM and HKCU).
inline constexpr char kRunKeyPath[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace corvanta
