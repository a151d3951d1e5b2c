// corvanta-cli settings [show | set NAME=0|1 ...]
#include <CLI/CLI.hpp>
#include <cctype>
#include <memory>

#include "cli/cli.h"
#include "cli/session.h"

namespace corvanta {

static bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

static void Show(HeadlessSession& s, std::ostream& out) {
  for (const SettingRow& row : kSettingRows)
    out << row.valueName << "=" << ((s.w().*row.box)->Checked() ? 1 : 0) << "\n";
}

CliRun AddSettingsCommand(CLI::App& sub, CliContext& ctx) {
  auto words = std::make_shared<std::vector<std::string>>();
  sub.add_option("action", *words,
                 "show, or set NAME=0|1 ... (names: Section1..Section13, "
                 "RunStartUp, SysRestore, AutoUpdate, Backup)");
  return [words, &ctx] {
    const std::vector<std::string>& w = *words;
    if (!w.empty() && w[0] != "show" && w[0] != "set")
      throw CliUsageError{"settings: unknown action \"" + w[0] + "\" (show or set)"};
    if (!w.empty() && w[0] == "show" && w.size() > 1)
      throw CliUsageError{"settings show takes no arguments"};
    const bool set = !w.empty() && w[0] == "set";
    if (set && w.size() < 2) throw CliUsageError{"settings set needs NAME=0|1"};

    // Parse everything before touching the registry.
    std::vector<std::pair<const SettingRow*, bool>> changes;
    for (size_t i = 1; set && i < w.size(); ++i) {
      const size_t eq = w[i].find('=');
      const std::string name = w[i].substr(0, eq);
      const std::string value = eq == std::string::npos ? "" : w[i].substr(eq + 1);
      const SettingRow* row = nullptr;
      for (const SettingRow& r : kSettingRows)
        if (SameName(name, r.valueName)) row = &r;
      if (!row) throw CliUsageError{"settings set: unknown setting \"" + name + "\""};
      if (value != "0" && value != "1")
        throw CliUsageError{"settings set: " + name + " takes 0 or 1"};
      changes.emplace_back(row, value == "1");
    }

    HeadlessSession s(ctx.platform);
    if (!s.Run([&] { s.form().LoadSettings(); }, ctx.err)) return kExitFailed;
    if (set) {
      for (auto& [row, ticked] : changes) (s.w().*row->box)->SetChecked(ticked);
      if (!s.Run([&] { s.form().SaveSettings(); }, ctx.err)) return kExitFailed;
      if (!CommitChanges(ctx)) return kExitFailed;
    }
    WriteOfflineLine(ctx);
    Show(s, ctx.out);
    return kExitDone;
  };
}

}  // namespace corvanta
