// The console program: every command of the GUI for scripts and tests, run on
// headless widgets over the given platform.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace CLI {
class App;
}

namespace corvanta {

struct OfflineSystemInfo;

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What a subcommand runs with.
struct CliContext {
  Platform& platform;
  std::ostream& out;
  std::ostream& err;
  // The stopped system the native program works on; null on a running one.
  const OfflineSystemInfo* offline = nullptr;
};

// On a stopped system, the "Offline: DIR (...)" line that begins a command's
// text output, so the reader sees which system was read or changed.
void WriteOfflineLine(const CliContext& ctx);

// On a stopped system, writes the changes made so far to its files before the
// command reports them (a running system has them already). False, with the
// reason on ctx.err, when they could not be written: nothing was changed.
bool CommitChanges(const CliContext& ctx);
// A path as the user should read it: on a stopped system the host's path.
std::string ShownPath(const CliContext& ctx, const std::string& path);

// Thrown by a subcommand's run step for bad usage that the parser could not
// see (a malformed list): one line on stderr, the usage, exit 2.
struct CliUsageError {
  std::string message;
};

// A subcommand adds its options to `sub` and returns what runs after a
// successful parse; the run returns the exit status (0 done, 1 failed with a
// message already on ctx.err; throw CliUsageError for bad usage).
using CliRun = std::function<int()>;
using CliAddCommand = CliRun (*)(CLI::App& sub, CliContext& ctx);

struct CliCommand {
  const char* name;
  const char* description;
  CliAddCommand add;
};

// Every subcommand, in the order the usage lists them.
const std::vector<CliCommand>& CliCommands();

// args excludes the program name.
int RunCli(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err, const OfflineSystemInfo* offline = nullptr);

}  // namespace corvanta
