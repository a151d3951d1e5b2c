// The registry file of the smallest prefix the offline tests open.
#pragma once

namespace corvanta::testing {

inline const char kSystemReg[] =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
    "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
    "\"CurrentVersion\"=\"5.1\"\n\"SystemRoot\"=\"C:\\\\windows\"\n\n";

}  // namespace corvanta::testing
