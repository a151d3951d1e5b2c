// corvanta-cli on Linux: the console program over a stopped Windows system.
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include "cli/native/offline_cli.h"
#include "offline/offline_system.h"

namespace {
// The loaded system lives until the process ends: taking a large registry
// apart node by node only to exit costs a tenth of a scan. Reachable from
// here, so leak checkers do not report it.
corvanta::OfflineSystem* kept = nullptr;
}  // namespace

int main(int argc, char** argv) {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  const std::string executable = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : argv[0];
  std::vector<std::string> args(argv + 1, argv + argc);
  std::unique_ptr<corvanta::OfflineSystem> system;
  const int rc = corvanta::RunOfflineCli(args, executable, std::cout, std::cerr, &system);
  kept = system.release();
  std::cout.flush();
  return rc;
}
