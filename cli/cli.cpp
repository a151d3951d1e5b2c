#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <map>

#include "platform/offline/offline_info.h"

namespace corvanta {

CliRun AddScanCommand(CLI::App& sub, CliContext& ctx);         // scan_command.cpp
CliRun AddSettingsCommand(CLI::App& sub, CliContext& ctx);     // settings_command.cpp
CliRun AddRepairCommand(CLI::App& sub, CliContext& ctx);       // cmd_repair.cpp
CliRun AddExportCommand(CLI::App& sub, CliContext& ctx);       // cmd_export.cpp
CliRun AddBackupsCommand(CLI::App& sub, CliContext& ctx);      // cmd_backups.cpp
CliRun AddUpdateCheckCommand(CLI::App& sub, CliContext& ctx);  // cmd_update.cpp
CliRun AddBhoCommand(CLI::App& sub, CliContext& ctx);          // cmd_tools.cpp
CliRun AddStartupCommand(CLI::App& sub, CliContext& ctx);      // cmd_tools.cpp
CliRun AddUninstallCommand(CLI::App& sub, CliContext& ctx);    // cmd_tools.cpp
CliRun AddIeBackupCommand(CLI::App& sub, CliContext& ctx);     // cmd_tools.cpp
CliRun AddIgnoreCommand(CLI::App& sub, CliContext& ctx);       // cmd_ignore.cpp

const std::vector<CliCommand>& CliCommands() {
  // ---- Registration point: one line per subcommand. ----
  // A new subcommand is one function `CliRun AddXxxCommand(CLI::App&,
  // CliContext&)` in its own cli/*.cpp file, declared above and listed here.
  static const std::vector<CliCommand> commands = {
      {"scan", "Scan the registry as the GUI does (stored sections unless told)", &AddScanCommand},
      {"repair", "Scan, then repair what was found (with backup and restore point)",
       &AddRepairCommand},
      {"export", "Write a key or one value as REGEDIT4 text", &AddExportCommand},
      {"backups", "List, restore or delete backups, or make a full registry backup",
       &AddBackupsCommand},
      {"update-check", "Ask the update server for its version and what is new",
       &AddUpdateCheckCommand},
      {"settings", "Show or change the stored settings", &AddSettingsCommand},
      {"bho", "List the browser helper objects or remove one", &AddBhoCommand},
      {"startup", "List the startup entries or remove one", &AddStartupCommand},
      {"uninstall", "List the uninstall entries or remove one", &AddUninstallCommand},
      {"ie-backup", "Back up the Internet Explorer settings", &AddIeBackupCommand},
      {"ignore", "List the ignore list, add a scan's problem to it, or remove entries",
       &AddIgnoreCommand},
  };
  return commands;
}

void WriteOfflineLine(const CliContext& ctx) {
  if (ctx.offline) ctx.out << ctx.offline->Describe() << "\n";
}

bool CommitChanges(const CliContext& ctx) {
  if (!ctx.offline || !ctx.offline->commit) return true;
  std::string why;
  if (ctx.offline->commit(&why)) return true;
  ctx.err << "corvanta-cli: the registry files were not written: " << why << "\n";
  return false;
}

std::string ShownPath(const CliContext& ctx, const std::string& path) {
  if (!ctx.offline || !ctx.offline->hostPath || path.empty()) return path;
  const std::string host = ctx.offline->hostPath(path);
  return host.empty() ? path : host;
}

int RunCli(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err, const OfflineSystemInfo* offline) {
  CliContext ctx{platform, out, err, offline};
  CLI::App app{"Corvanta registry cleaner, console front end", "corvanta-cli"};
  app.set_version_flag("--version", std::string("corvanta-cli ") + CORVANTA_VERSION);
  std::vector<std::pair<CLI::App*, CliRun>> runs;
  for (const CliCommand& c : CliCommands()) {
    CLI::App* sub = app.add_subcommand(c.name, c.description);
    runs.emplace_back(sub, c.add(*sub, ctx));
  }

  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them backwards
  try {
    app.parse(reversed);
  } catch (const CLI::Success& e) {  // --help, --version
    app.exit(e, out, err);
    return kExitDone;
  } catch (const CLI::ParseError& e) {
    err << "corvanta-cli: " << e.what() << "\n" << app.help();
    return kExitUsage;
  }

  for (auto& [sub, run] : runs) {
    if (!sub->parsed()) continue;
    try {
      return run();
    } catch (const CliUsageError& u) {
      err << "corvanta-cli: " << u.message << "\n" << sub->help();
      return kExitUsage;
    } catch (const std::exception& e) {
      err << "corvanta-cli: " << e.what() << "\n";
      return kExitFailed;
    }
  }
  err << "corvanta-cli: a command is required\n" << app.help();
  return kExitUsage;
}

}  // namespace corvanta
