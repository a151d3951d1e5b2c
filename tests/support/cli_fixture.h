// Runs corvanta-cli commands over a fresh memory platform and keeps what they
// wrote.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/memory/memory_platform.h"

namespace corvanta::testing {

struct CliFixture {
  MemoryPlatform mem;
  std::string out, err;
  CliFixture() {
    // The key a Windows machine always has.
    mem.registry.CreateKey(kHKEY_LOCAL_MACHINE,
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
  }
  // The exit code; out and err hold the command's output.
  int operator()(const std::vector<std::string>& args) {
    std::ostringstream o, e;
    const int rc = RunCli(mem.platform(), args, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
};

}  // namespace corvanta::testing
