// The native console program: the same commands as corvanta-cli.exe, run on
// a stopped system chosen by a global option. Changes to its registry are
// written to the registry files when the command has finished.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace corvanta {

class HostFiles;
class OfflineSystem;

// The global options that choose the stopped system, taken out of the
// arguments wherever they stand.
struct OfflineOptions {
  std::string prefix;               // --prefix DIR: a Wine prefix
  std::string offline;              // --offline DIR: a mounted Windows system volume
  std::string user;                 // --user NAME: its profile to clean
  std::vector<std::string> drives;  // --drive D=DIR ...: more letters of the volume
};
// False with a message for an option without its value, for both systems
// at once, and for --user or --drive without --offline.
bool TakeOfflineOptions(std::vector<std::string>* args, OfflineOptions* options,
                        std::string* error);

// True when the command line may change the registry (repair, restore,
// remove, settings set): the refusals are checked before it runs.
bool CommandMayChange(const std::vector<std::string>& args);

// args excludes the program name; executable is this program's host path.
// With keep, the loaded system is handed over there instead of being freed,
// so that a program about to exit need not take the registry apart. With
// io, the commit goes through those host operations (a test fails one).
int RunOfflineCli(const std::vector<std::string>& args, const std::string& executable,
                  std::ostream& out, std::ostream& err,
                  std::unique_ptr<OfflineSystem>* keep = nullptr, HostFiles* io = nullptr);

}  // namespace corvanta
