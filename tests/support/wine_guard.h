// The check that keeps the Windows test binary off any registry but the
// throwaway Wine prefix that the test scripts made inside the build tree.
// Portable so that the rule itself is tested natively.
#pragma once

#include <string>

namespace corvanta::testing {

struct GuardFacts {
  bool underWine = false;       // ntdll exports wine_get_version
  std::string winePrefix;       // WINEPREFIX as the process sees it (Unix path)
  std::string buildDir;         // the build tree the binary was configured in
  std::string expectedToken;    // CORVANTA_TEST_TOKEN handed over by the script
  bool tokenFileFound = false;  // C:\corvanta-test-prefix.token could be read
  std::string tokenFileText;
};

// Empty when the tests may run; otherwise the one line to print before exiting.
inline std::string GuardRefusal(const GuardFacts& f) {
  const std::string head = "corvanta_wine_tests: refusing to run: ";
  if (!f.underWine)
    return head + "not running under Wine (never run these tests on a real Windows registry)";
  if (f.winePrefix.empty()) return head + "WINEPREFIX is not set; use scripts/wine-tests.sh";
  if (f.buildDir.empty() || f.winePrefix.compare(0, f.buildDir.size() + 1, f.buildDir + "/") != 0)
    return head + "the Wine prefix is not inside the build tree; use scripts/wine-tests.sh";
  const std::string p = f.winePrefix + "/";
  if (p.find("/../") != std::string::npos || p.find("/./") != std::string::npos ||
      p.find("//") != std::string::npos)
    return head + "the Wine prefix path is not plain";
  if (f.expectedToken.empty() || !f.tokenFileFound || f.tokenFileText != f.expectedToken)
    return head + "the prefix was not made by the test scripts; use scripts/wine-tests.sh";
  return "";
}

}  // namespace corvanta::testing
