// corvanta-cli backups [list | restore FILE | delete FILE | full] [--json]
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>

#include "backup/backup_store.h"
#include "backup/restore.h"
#include "cli/cli.h"
#include "cli/json_text.h"
#include "cli/session.h"
#include "platform/platform.h"

namespace corvanta {

namespace {

// FILE names one listed backup, never a path: nothing outside the backup
// folder can be restored or deleted through it.
const TRestoreRecord& ListedBackup(const TRestoreArray& list, const std::string& action,
                                   const std::string& file) {
  if (file.empty() || file.find_first_of("\\/") != std::string::npos ||
      file.find("..") != std::string::npos)
    throw CliUsageError{"backups " + action + ": \"" + file +
                        "\" is not a backup file name (give a name as \"backups list\" shows it)"};
  for (const TRestoreRecord& r : list)
    if (r.FileName == file) return r;
  throw CliUsageError{"backups " + action + ": there is no backup \"" + file +
                      "\" (see \"backups list\")"};
}

void PrintList(CliContext& ctx, const std::string& folder, const TRestoreArray& list, bool json) {
  if (json) {
    nlohmann::ordered_json doc;
    doc["folder"] = ctx.offline ? ShownPath(ctx, folder) : folder;
    doc["backups"] = nlohmann::ordered_json::array();
    for (const TRestoreRecord& r : list)
      doc["backups"].push_back({{"fileName", r.FileName},
                                {"type", r.BackupType},
                                {"date", r.DateText},
                                {"time", r.TimeText}});
    ctx.out << DumpJson(doc) << "\n";
    return;
  }
  WriteOfflineLine(ctx);
  for (const TRestoreRecord& r : list)
    ctx.out << r.FileName << "\t" << r.BackupType << "\t" << r.DateText << "\t" << r.TimeText
            << "\n";
}

}  // namespace

CliRun AddBackupsCommand(CLI::App& sub, CliContext& ctx) {
  struct Options {
    std::vector<std::string> words;
    bool json = false;
  };
  auto o = std::make_shared<Options>();
  sub.add_option("action", o->words, "list (default), restore FILE, delete FILE, or full");
  sub.add_flag("--json", o->json, "One UTF-8 JSON object");
  return [o, &ctx] {
    const std::vector<std::string>& w = o->words;
    const std::string action = w.empty() ? "list" : w[0];
    const bool needsFile = action == "restore" || action == "delete";
    if (!needsFile && action != "list" && action != "full")
      throw CliUsageError{"backups: unknown action \"" + action +
                          "\" (list, restore FILE, delete FILE or full)"};
    if (needsFile && w.size() != 2)
      throw CliUsageError{"backups " + action + " needs exactly one FILE"};
    if (!needsFile && w.size() > 1) throw CliUsageError{"backups " + action + " takes no FILE"};

    Platform& p = ctx.platform;
    const std::string folder = BackupFolder(p.system);
    const TRestoreArray list = ListBackups(p.system, p.files);
    nlohmann::ordered_json doc;

    if (action == "list") {
      PrintList(ctx, folder, list, o->json);
      return kExitDone;
    }
    if (action == "full") {
      FullBackupResult r = ExportFullBackup(p, PrepareFullBackup(p), {});
      if (!r.ok) {
        ctx.err << "corvanta-cli: the full registry backup failed: " << r.error << "\n";
        return kExitFailed;
      }
      const std::string shown = ShownPath(ctx, r.path);
      if (o->json)
        ctx.out << DumpJson({{"file", ctx.offline ? shown : r.path}}) << "\n";
      else
        ctx.out << shown << "\n";
      return kExitDone;
    }

    const TRestoreRecord& record = ListedBackup(list, action, w[1]);
    const std::string path = folder + record.FileName;
    const std::string shown = ShownPath(ctx, path);
    doc["file"] = ctx.offline ? shown : path;
    if (action == "delete") {
      if (!DeleteBackupFiles(p.files, path)) {
        ctx.err << "corvanta-cli: could not delete \"" << shown
                << "\": it may be in use by another program\n";
        return kExitFailed;
      }
      doc["deleted"] = true;
      if (o->json) {
        ctx.out << DumpJson(doc) << "\n";
      } else {
        WriteOfflineLine(ctx);
        ctx.out << "Deleted: " << shown << "\n";
      }
      return kExitDone;
    }

    const RestoreResult r = RestoreBackup(p, path, {});
    // What the import changed is written before the outcome is reported.
    const bool committed = CommitChanges(ctx);
    doc["restored"] = r.ok && committed;
    if (ctx.offline) doc["committed"] = committed;
    doc["entries"] = r.entries;
    doc["shortcutsRestored"] = r.shortcutsRestored;
    doc["shortcutsKept"] = r.shortcutsKept;
    if (!r.ok) doc["error"] = r.error;
    if (o->json) {
      ctx.out << DumpJson(doc) << "\n";
    } else if (r.ok && committed) {
      WriteOfflineLine(ctx);
      ctx.out << "Restored: " << shown << "\n"
              << "Keys and values checked: " << r.entries << "\n"
              << "Shortcuts put back: " << r.shortcutsRestored << "\n";
      if (r.shortcutsKept > 0)
        ctx.out << "Shortcuts left alone (a file of that name exists): " << r.shortcutsKept << "\n";
      if (ctx.offline) ctx.out << "Committed: yes\n";
    }
    if (!committed) return kExitFailed;
    if (!r.ok) {
      ctx.err << "corvanta-cli: the restore failed: " << r.error << "\n";
      return kExitFailed;
    }
    return kExitDone;
  };
}

}  // namespace corvanta
