// corvanta-cli bho | startup | uninstall [list | remove N] [--json]
// corvanta-cli ie-backup
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/json_text.h"
#include "cli/session.h"
#include "platform/registry_api.h"
#include "tools/advanced_tools.h"

namespace corvanta {

namespace {

enum class Tool { Bho, Startup, Uninstall };

struct ToolOptions {
  std::string action = "list";
  std::string index;
  bool json = false;
};

ReportListView& ToolList(HeadlessSession& s, Tool tool) {
  MainWindowView& m = s.w();
  return tool == Tool::Bho       ? *m.BhoListView
         : tool == Tool::Startup ? *m.StartupListView
                                 : *m.UninstallListView;
}

// Shows the tool's pane as the window does, which fills its list.
bool OpenTool(HeadlessSession& s, Tool tool, std::ostream& err) {
  return s.Run(
      [&] {
        s.form().LoadSettings();
        s.form().ShowAdvancedPage();
        if (tool == Tool::Bho)
          s.form().ShowBHO();
        else if (tool == Tool::Startup)
          s.form().ShowStartupManager();
        else
          s.form().ShowUninstallManager();
      },
      err);
}

nlohmann::ordered_json Details(CliContext& ctx, const std::string& path) {
  const FileDetails d = ReadFileDetails(ctx.platform.versionInfo, ctx.platform.system, path);
  nlohmann::ordered_json j;
  j["internalName"] = d.InternalName;
  j["fileVersion"] = d.FileVersion;
  j["productName"] = d.ProductName;
  j["productVersion"] = d.ProductVersion;
  j["description"] = d.FileDescription;
  j["company"] = d.CompanyName;
  return j;
}

void WriteList(HeadlessSession& s, Tool tool, CliContext& ctx, bool json) {
  ReportListView& list = ToolList(s, tool);
  TForm1& f = s.form();
  nlohmann::ordered_json entries = nlohmann::ordered_json::array();
  if (!json) WriteOfflineLine(ctx);
  for (int i = 0; i < list.RowCount(); ++i) {
    const std::string name = list.Cell(i, 0), second = list.Cell(i, 1);
    std::string third;
    nlohmann::ordered_json e;
    e["index"] = i;
    if (tool == Tool::Bho) {
      third = f.BhoIdList()[i];
      e["id"] = third;
      e["name"] = name;
      e["path"] = second;
      e["details"] = Details(ctx, second);
    } else if (tool == Tool::Startup) {
      third = RootKeyName(f.StartupOriginList()[i] == kOriginMachine ? kHKEY_LOCAL_MACHINE
                                                                     : kHKEY_CURRENT_USER);
      e["name"] = name;
      e["location"] = second;
      e["root"] = third;
    } else {
      third = f.UninstallKeyList()[i];
      e["name"] = name;
      e["uninstaller"] = second;
      e["key"] = third;
    }
    if (json)
      entries.push_back(e);
    else
      ctx.out << "[" << i << "] " << name << "\t" << second << "\t" << third << "\n";
  }
  if (json) {
    nlohmann::ordered_json doc;
    doc["entries"] = entries;
    ctx.out << DumpJson(doc) << "\n";
  }
}

int RemoveRow(HeadlessSession& s, Tool tool, CliContext& ctx, const std::string& index) {
  ReportListView& list = ToolList(s, tool);
  const bool digits = !index.empty() && index.size() <= 9 &&
                      index.find_first_not_of("0123456789") == std::string::npos;
  const int row = digits ? std::stoi(index) : -1;
  if (row < 0 || row >= list.RowCount())
    throw CliUsageError{"remove: \"" + index + "\" is not a row (the list has " +
                        std::to_string(list.RowCount()) + ")"};
  TForm1& f = s.form();
  const size_t before = s.app().Boxes().size();
  const bool ok = s.Run(
      [&] {
        list.SetSelectedRow(row);
        if (tool == Tool::Bho)
          f.RemoveBHO();
        else if (tool == Tool::Startup)
          f.RemoveStartup();
        else
          f.RzBitBtn14Click();
      },
      ctx.err);
  const auto& boxes = s.app().Boxes();
  for (size_t i = before; i < boxes.size(); ++i)
    if (boxes[i].kind == MessageKind::Information && boxes[i].buttons == MessageButtons::Ok)
      ctx.out << boxes[i].text << "\n";
  if (!f.LastToolOutcome().file.empty())
    ctx.out << "Backup file: " << f.LastToolOutcome().file << "\n";
  return ok && f.LastToolOutcome().done ? kExitDone : kExitFailed;
}

CliRun AddToolCommand(CLI::App& sub, CliContext& ctx, Tool tool) {
  auto o = std::make_shared<ToolOptions>();
  sub.add_option("action", o->action, "list (the default) or remove")
      ->check(CLI::IsMember({"list", "remove"}));
  sub.add_option("N", o->index, "remove: the row index as listed");
  sub.add_flag("--json", o->json, "list: one UTF-8 JSON object");
  return [o, &ctx, tool] {
    if (o->action == "remove" && o->index.empty()) throw CliUsageError{"remove: N is required"};
    if (o->action == "list" && !o->index.empty()) throw CliUsageError{"list takes no N"};
    HeadlessSession s(ctx.platform);
    if (!OpenTool(s, tool, ctx.err)) return kExitFailed;
    if (o->action == "list") {
      WriteList(s, tool, ctx, o->json);
      return kExitDone;
    }
    return RemoveRow(s, tool, ctx, o->index);
  };
}

}  // namespace

CliRun AddBhoCommand(CLI::App& sub, CliContext& ctx) {
  return AddToolCommand(sub, ctx, Tool::Bho);
}
CliRun AddStartupCommand(CLI::App& sub, CliContext& ctx) {
  return AddToolCommand(sub, ctx, Tool::Startup);
}
CliRun AddUninstallCommand(CLI::App& sub, CliContext& ctx) {
  return AddToolCommand(sub, ctx, Tool::Uninstall);
}

CliRun AddIeBackupCommand(CLI::App&, CliContext& ctx) {
  return [&ctx] {
    HeadlessSession s(ctx.platform);
    if (!s.Run([&] { s.form().CreateExplorerBackup(); }, ctx.err)) return kExitFailed;
    if (!s.form().LastToolOutcome().done) return kExitFailed;
    ctx.out << ShownPath(ctx, s.form().LastToolOutcome().file) << "\n";
    return kExitDone;
  };
}

}  // namespace corvanta
