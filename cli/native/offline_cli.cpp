#include "cli/native/offline_cli.h"

#include <sys/stat.h>

#include <cctype>
#include <memory>

#include "app/main.h"  // kSettingsKey
#include "cli/cli.h"
#include "cli/native/prefix_runner.h"
#include "offline/offline_system.h"
#include "offline/windows_volume.h"
#include "offline/wine_prefix.h"
#include "platform/memory/memory_platform.h"
#include "platform/offline/recording_registry.h"

namespace corvanta {

namespace {

const char kOfflineUsage[] =
    "On Linux corvanta-cli works on a Windows system that is not running:\n"
    "  --prefix DIR   a Wine prefix (its wineserver stopped for changes)\n"
    "  --prefix N     the prefix numbered N by \"corvanta-cli prefixes\"\n"
    "  --prefix all   scan, repair or backups list over every stopped prefix found\n"
    "  --offline DIR [--user NAME] [--drive D=DIR ...]\n"
    "                 a mounted Windows system volume, the profile to clean\n"
    "                 (needed when it has several), and the folders of its other\n"
    "                 drive letters (paths on letters not given are not judged)\n"
    "corvanta-cli prefixes [--json] lists the Wine prefixes of this user.\n";

bool Has(const std::vector<std::string>& args, const char* a, const char* b) {
  for (const std::string& s : args)
    if (s == a || s == b) return true;
  return false;
}

}  // namespace

bool TakeOfflineOptions(std::vector<std::string>* args, OfflineOptions* options,
                        std::string* error) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args->size(); ++i) {
    const std::string& a = (*args)[i];
    bool taken = false;
    if (a == "--drive" || a.compare(0, 8, "--drive=") == 0) {
      if (a == "--drive" && i + 1 >= args->size()) {
        *error = "--drive needs a letter and a folder (D=DIR)";
        return false;
      }
      const std::string v = a == "--drive" ? (*args)[++i] : a.substr(8);
      if (v.size() < 3 || v[1] != '=' || !std::isalpha(static_cast<unsigned char>(v[0]))) {
        *error = "--drive \"" + v + "\": give a letter and a folder (D=DIR)";
        return false;
      }
      options->drives.push_back(v);
      continue;
    }
    for (const auto& [name, value] :
         {std::pair<std::string, std::string*>{"--prefix", &options->prefix},
          {"--offline", &options->offline},
          {"--user", &options->user}}) {
      if (a == name) {
        if (i + 1 >= args->size()) {
          *error = name + (name == "--user" ? " needs a name" : " needs a folder");
          return false;
        }
        *value = (*args)[++i];
        taken = true;
      } else if (a.compare(0, name.size() + 1, name + "=") == 0) {
        *value = a.substr(name.size() + 1);
        taken = true;
      }
    }
    if (!taken) rest.push_back(a);
  }
  if (!options->prefix.empty() && !options->offline.empty()) {
    *error = "--prefix and --offline name two systems; give one";
    return false;
  }
  if (!options->user.empty() && options->offline.empty()) {
    *error = "--user needs --offline";
    return false;
  }
  if (!options->drives.empty() && options->offline.empty()) {
    *error = "--drive needs --offline (a prefix's drives are its dosdevices)";
    return false;
  }
  *args = std::move(rest);
  return true;
}

// The words of a command line that are no options: the command comes first.
std::vector<std::string> CommandWords(const std::vector<std::string>& args) {
  std::vector<std::string> words;
  for (const std::string& a : args)
    if (a.empty() || a[0] != '-') words.push_back(a);
  return words;
}

bool CommandMayChange(const std::vector<std::string>& args) {
  const std::vector<std::string> words = CommandWords(args);
  if (words.empty()) return false;
  const std::string& command = words[0];
  const std::string action = words.size() > 1 ? words[1] : std::string();
  if (command == "repair") return true;
  if (command == "backups") return action == "restore";
  if (command == "bho" || command == "startup" || command == "uninstall") return action == "remove";
  if (command == "settings") return action == "set";
  if (command == "ignore")  // a word of its own: a section list may come first
    for (const std::string& w : words)
      if (w == "add" || w == "remove" || w == "clear") return true;
  return false;
}

// The commands that write the program's settings key of the system: "settings"
// and the ignore list's ("ignore", "repair --always-ignore"); the others only
// create it on the way.
static bool WritesSettings(const std::vector<std::string>& args) {
  for (const std::string& a : args)
    if (a == "--always-ignore" || a.rfind("--always-ignore=", 0) == 0) return true;
  for (const std::string& a : args)
    if (!a.empty() && a[0] != '-') return a == "settings" || a == "ignore";
  return false;
}

int RunOfflineCli(const std::vector<std::string>& arguments, const std::string& executable,
                  std::ostream& out, std::ostream& err, std::unique_ptr<OfflineSystem>* keep,
                  HostFiles* io) {
  std::vector<std::string> args = arguments;
  OfflineOptions options;
  std::string error;
  if (!TakeOfflineOptions(&args, &options, &error)) {
    err << "corvanta-cli: " << error << "\n" << kOfflineUsage;
    return kExitUsage;
  }
  if (!args.empty() && args[0] == "prefixes" && options.prefix.empty() && options.offline.empty())
    return RunPrefixesCommand({args.begin() + 1, args.end()}, out, err);
  if (IsPrefixSelector(options.prefix))
    return RunOnDiscoveredPrefixes(options.prefix, args, executable, out, err, keep);
  if (options.prefix.empty() && options.offline.empty()) {
    if (Has(args, "--help", "-h")) {
      // The commands' usage does not depend on the system.
      out << kOfflineUsage << "\n";
      MemoryPlatform none;
      return RunCli(none.platform(), args, out, err);
    }
    if (Has(args, "--version", "--version")) {
      MemoryPlatform none;
      return RunCli(none.platform(), args, out, err);
    }
    err << "corvanta-cli: an offline system is needed: there is no running Windows here\n"
        << kOfflineUsage;
    return kExitUsage;
  }

  std::vector<DriveMapping> drives;
  for (const std::string& d : options.drives) {
    struct stat st;
    const std::string folder = d.substr(2);
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      err << "corvanta-cli: --drive " << d << ": \"" << folder << "\" is not a folder\n";
      return kExitUsage;
    }
    drives.push_back(
        DriveMapping{static_cast<char>(std::toupper(static_cast<unsigned char>(d[0]))), folder});
  }
  std::unique_ptr<OfflineSystem> system =
      options.offline.empty()
          ? OpenWinePrefix(options.prefix, executable, &error)
          : OpenWindowsVolume(options.offline, options.user, executable, &error, drives);
  if (!system) {
    err << "corvanta-cli: " << error << "\n";
    return kExitFailed;
  }
  if (io) system->SetHostFiles(*io);
  if (CommandMayChange(args)) {
    const std::string why = system->RefuseChanges();
    if (!why.empty()) {
      err << "corvanta-cli: " << why << "\n";
      return kExitFailed;
    }
  } else if (!options.prefix.empty()) {
    const std::string running = WineServerRunning(options.prefix);
    if (!running.empty())
      err << "corvanta-cli: warning: a wineserver of \"" << options.prefix
          << "\" is running: its files may not hold its latest changes\n";
  }

  struct Keep {  // on every return below
    std::unique_ptr<OfflineSystem>& system;
    std::unique_ptr<OfflineSystem>* keep;
    ~Keep() {
      if (keep) *keep = std::move(system);
    }
  } handOver{system, keep};
  const bool mayChange = CommandMayChange(args);
  const bool settings = WritesSettings(args);
  // A command that may change the registry commits before it reports, and
  // says whether the commit happened.
  bool attempted = false;
  auto commit = [&](std::string* why) {
    attempted = true;
    // The settings key the program makes when it loads its settings is its
    // own, not the cleaned system's: only "settings set" and the ignore
    // list's commands write it there.
    if (!settings) system->registry().ForgetChangesBelow(kHKEY_LOCAL_MACHINE, kSettingsKey + 1);
    if (!system->HasChanges()) return true;
    std::string copies;
    if (!system->Commit(&copies, why)) return false;
    if (!copies.empty())
      err << "corvanta-cli: registry files written; their earlier copies are in "
          << system->info().hostPath(copies) << "\n";
    return true;
  };
  OfflineSystemInfo& info = system->info();
  if (mayChange) info.commit = commit;
  // A repair deletes its shortcut files with its registry entries, or none.
  const std::vector<std::string> words = CommandWords(args);
  if (!words.empty() && words[0] == "repair") system->HoldFileRemovals();
  int rc = RunCli(system->platform(), args, out, err, &info);
  info.commit = nullptr;
  // What a command changed and did not commit (it failed before its report)
  // is written as the registry editor would have left it; what the others
  // touch on the way goes.
  if (mayChange && !attempted) {
    std::string why;
    if (!commit(&why)) {
      err << "corvanta-cli: the registry files were not written: " << why << "\n";
      return kExitFailed;
    }
  }
  return rc;
}

}  // namespace corvanta
