// corvanta-cli repair [--all | --sections LIST] [--ignore I,J,...]
//                     [--always-ignore I,J,...] [--no-backup] [--no-restore-point] [--json]
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/json_text.h"
#include "cli/session.h"
#include "platform/file_system.h"
#include "results/repair.h"

namespace corvanta {

// scan_command.cpp
std::vector<int> ParseSectionList(const std::string& list);
bool RunScan(HeadlessSession& s, bool all, const std::vector<int>& sections, std::ostream& err);
CLI::Option* AddSectionOptions(CLI::App& sub, bool& all, std::string& sections);

// "0,3,7" to problem indexes; throws CliUsageError (naming option) for
// anything else.
std::vector<std::size_t> ParseIndexList(const std::string& list,
                                        const std::string& option = "--ignore") {
  std::vector<std::size_t> indexes;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    const std::string item =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (item.empty() || item.size() > 9 ||
        item.find_first_not_of("0123456789") != std::string::npos)
      throw CliUsageError{option + ": \"" + item +
                          "\" is not a problem index (give a list such as 0,3,7)"};
    indexes.push_back(static_cast<std::size_t>(std::stoul(item)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return indexes;
}

CliRun AddRepairCommand(CLI::App& sub, CliContext& ctx) {
  struct Options {
    bool all = false;
    std::string sections;
    std::string ignore;
    std::string alwaysIgnore;
    bool noBackup = false;
    bool noRestorePoint = false;
    bool json = false;
  };
  auto o = std::make_shared<Options>();
  CLI::Option* secs = AddSectionOptions(sub, o->all, o->sections);
  CLI::Option* ignore =
      sub.add_option("--ignore", o->ignore, "Set these problem indexes (from scan) to Ignore")
          ->type_name("I,J,...");
  CLI::Option* always =
      sub.add_option("--always-ignore", o->alwaysIgnore,
                     "Set these problem indexes to Ignore and add them to the ignore list")
          ->type_name("I,J,...");
  sub.add_flag("--no-backup", o->noBackup, "Make no automatic backup");
  sub.add_flag("--no-restore-point", o->noRestorePoint, "Create no System Restore point");
  sub.add_flag("--json", o->json, "One UTF-8 JSON object");
  return [o, secs, ignore, always, &ctx] {
    const std::vector<int> sections =
        secs->count() > 0 ? ParseSectionList(o->sections) : std::vector<int>();
    const std::vector<std::size_t> ignored =
        ignore->count() > 0 ? ParseIndexList(o->ignore) : std::vector<std::size_t>();
    const std::vector<std::size_t> listed = always->count() > 0
                                                ? ParseIndexList(o->alwaysIgnore, "--always-ignore")
                                                : std::vector<std::size_t>();
    HeadlessSession s(ctx.platform);
    if (!RunScan(s, o->all, sections, ctx.err)) return kExitFailed;
    TRegArray& problems = s.form().ProblemList();
    for (std::size_t i : ignored) {
      if (i >= problems.size())
        throw CliUsageError{"--ignore: there is no problem " + std::to_string(i) +
                            " (the scan found " + std::to_string(problems.size()) + ")"};
      problems[i].Action = kActionIgnore;
    }
    for (std::size_t i : listed)
      if (i >= problems.size())
        throw CliUsageError{"--always-ignore: there is no problem " + std::to_string(i) +
                            " (the scan found " + std::to_string(problems.size()) + ")"};
    // Listed before anything is deleted: a list that cannot be written stops
    // the repair.
    for (std::size_t i : listed)
      if (!s.Run([&] { s.form().AlwaysIgnore(i); }, ctx.err)) return kExitFailed;
    if (o->noBackup) s.w().cbBackup->SetChecked(false);
    if (o->noRestorePoint) s.w().cbSysRestore->SetChecked(false);

    RepairReport out;
    // Nothing found, nothing to repair: no restore point and no backup file
    // holding only its header (the window offers no repair then either).
    if (!problems.empty()) {
      WidgetRepairPage page(s.ui().View());
      RepairContext rc{page, problems, s.form().SharedRegistry(), ctx.platform.files,
                       ctx.platform.system};
      rc.stillAProblem = [&s](const TRegRecord& r) { return s.form().StillAProblem(r); };
      if (!s.Run([&] { out = DoRepair(rc); }, ctx.err)) return kExitFailed;
      if (out.end == RepairEnd::Declined) {
        ctx.err << "corvanta-cli: repair not started: no restore point could be made\n";
        return kExitFailed;
      }
    }
    const bool committed = CommitChanges(ctx);
    // A commit that failed wrote none of the registry's deletions, and on a
    // stopped system the files go with the commit: what is still there was
    // not repaired.
    if (ctx.offline) {
      bool moved = false;
      for (int i : out.repairedIndexes) {
        const TRegRecord& r = problems[i];
        if (r.Kind == kKindFile ? ctx.platform.files.GetAttributes(r.KeyPath) == kInvalidAttributes
                                : committed)
          continue;
        --out.repaired;
        ++out.left;
        out.leftIndexes.push_back(i);
        moved = true;
      }
      if (moved) std::sort(out.leftIndexes.begin(), out.leftIndexes.end());
    }
    const std::string backupFile = ShownPath(ctx, out.backupFile);
    if (o->json) {
      nlohmann::ordered_json doc;
      doc["found"] = out.found;
      doc["ignored"] = out.ignored;
      doc["repaired"] = out.repaired;
      doc["failed"] = out.left;
      doc["failedProblems"] = out.leftIndexes;
      doc["backupFile"] = backupFile;
      doc["unchanged"] = out.unchangedIndexes;
      if (ctx.offline) doc["committed"] = committed;
      ctx.out << DumpJson(doc) << "\n";
    } else {
      WriteOfflineLine(ctx);
      ctx.out << "Total problems found: " << out.found << "\n"
              << "Total problems ignored: " << out.ignored << "\n"
              << "Total problems repaired: " << out.repaired << "\n"
              << "Total problems failed: " << out.left << "\n";
      for (int i : out.leftIndexes) ctx.out << "  not repaired: [" << i << "]\n";
      for (int i : out.unchangedIndexes)
        ctx.out << "  unchanged since the scan, kept: [" << i << "]\n";
      ctx.out << "Backup file: " << (backupFile.empty() ? "(none)" : backupFile) << "\n";
      if (ctx.offline) ctx.out << "Committed: " << (committed ? "yes" : "no") << "\n";
    }
    if (!committed) return kExitFailed;
    if (out.left > 0) {
      ctx.err << "corvanta-cli: " << out.left << " problem(s) could not be repaired\n";
      return kExitFailed;
    }
    return kExitDone;
  };
}

}  // namespace corvanta
