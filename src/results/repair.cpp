#include "results/repair.h"

#include <cstdint>

#include "backup/backup_store.h"
#include "backup/reg_export.h"
#include "backup/restore.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "results/os_name.h"
#include "results/repair_page.h"
#include "results/restore_point.h"

namespace corvanta {

const char kRepairQuestion[] =
    "Could not create Windows Restore Point. Windows ME and Windows XP should be able to create a "
    "System Restore Point. This is an added safetey measure. It is completely safe to move "
    "forward, because Corvanta makes its own backup before making any changes to your System "
    "Registry.\r\n\r\n Would you like to continue with your Repair?";

namespace {

bool IsDeletableRegistryEntry(const TRegRecord& r) {
  return r.Kind == kKindRegistry && (r.DeleteKey == 0 || r.DeleteKey == 1);
}

// The records set to Delete when the repair starts. The repair pumps messages,
// so it decides from this copy: a choice changed meanwhile can never reach a
// deletion that the backup did not cover.
std::vector<bool> ChosenForDelete(const TRegArray& problems) {
  std::vector<bool> chosen(problems.size());
  for (std::size_t i = 0; i < problems.size(); ++i) chosen[i] = problems[i].Action == kActionDelete;
  return chosen;
}

// Pumps at most every 50 ms, so that a long repair keeps the window painting
// and answering without spending its time in the pump.
class RepairPump {
 public:
  explicit RepairPump(RepairContext& ctx) : ctx_(ctx), last_(ctx.system.TickCount()) {}
  void operator()() {
    const std::uint64_t now = ctx_.system.TickCount();
    if (now - last_ < kIntervalMs) return;
    last_ = now;
    ctx_.page.ProcessMessages();
  }

 private:
  static constexpr std::uint64_t kIntervalMs = 50;
  RepairContext& ctx_;
  std::uint64_t last_;
};

void SetStatus(RepairContext& ctx, const std::string& text) {
  ctx.page.SetStatusText(text);
  ctx.page.ProcessMessages();
}

// Restore point step. False when the user chose not to go on.
bool RestorePointStep(RepairContext& ctx) {
  try {
    SetStatus(ctx, "Creating a Restore Point...");
    if (CreateRestorePoint(ctx.system)) return true;
    const std::string os = GetOSName(ctx.system);
    if (os != "Windows XP" && os != "Windows ME") return true;
    return ctx.page.AskYesNo(kRepairQuestion);
  } catch (const std::exception&) {
    // The program's own backup follows; a restore point is only an extra.
    return true;
  }
}

// Backup step. Marks in heldBack every record whose export failed or left out
// something that exists. False when the file could not be written.
bool BackupStep(RepairContext& ctx, const std::vector<bool>& chosen, std::vector<bool>& heldBack,
                RepairReport& out) {
  SetStatus(ctx, "Backing up Registry Keys...");
  RepairPump pump(ctx);
  std::vector<std::string> lines{kRegEditHeader};
  RegistryApi& api = ctx.SharedRegistry.Api();
  for (std::size_t i = 0; i < ctx.ProblemList.size(); ++i) {
    const TRegRecord& r = ctx.ProblemList[i];
    if (!chosen[i] || !IsDeletableRegistryEntry(r)) continue;
    pump();
    try {
      // An entry that exists but is missing from the backup stays.
      if (!ExportRegKey(api, r.RootKey, r.KeyPath, r.DeleteKey == 0 ? r.ValueName : std::string(),
                        lines))
        heldBack[i] = true;
    } catch (const ERegistryException&) {
      heldBack[i] = true;
    }
  }
  EnsureBackupFolder(ctx.system, ctx.files);
  const std::string path = FreeBackupPath(ctx.system, ctx.files, kAutomaticBackupPrefix);
  if (path.empty() || !SaveRegLines(ctx.files, path, lines)) {
    out.error = "Cannot create file \"" +
                (path.empty() ? BackupFolder(ctx.system) + kAutomaticBackupPrefix : path) + "\".";
    return false;
  }
  out.backupFile = path;
  // Shortcut files have no registry lines: a copy of each beside the backup
  // lets a restore bring them back. One that could not be copied stays.
  const std::string copies = ShortcutCopiesFolder(path);
  for (std::size_t i = 0; i < ctx.ProblemList.size(); ++i) {
    const TRegRecord& r = ctx.ProblemList[i];
    if (!chosen[i] || r.Kind != kKindFile) continue;
    pump();
    if (ctx.files.GetAttributes(r.KeyPath) == kInvalidAttributes) continue;  // gone already
    if (!CopyShortcutIntoBackup(ctx.files, copies, r.KeyPath)) heldBack[i] = true;
  }
  return true;
}

// True when the entry is gone after the deletion (also when it was gone
// before); false when it is still there or that cannot be told.
bool DeleteProblem(RepairContext& ctx, const TRegRecord& r) {
  if (r.Kind == kKindFile) {
    if (ctx.files.RemoveFile(r.KeyPath)) return true;
    return ctx.files.GetAttributes(r.KeyPath) == kInvalidAttributes;
  }
  TRegistry& reg = ctx.SharedRegistry;
  try {
    reg.CloseKey();
    reg.SetRootKey(r.RootKey);
    if (r.DeleteKey == 1) {
      if (reg.DeleteKey(r.KeyPath)) return true;
      return !reg.KeyExists(r.KeyPath);
    }
    if (!reg.OpenKey(r.KeyPath, false)) return !reg.KeyExists(r.KeyPath);
    const bool deleted = reg.DeleteValue(r.ValueName) || !reg.ValueExists(r.ValueName);
    reg.CloseKey();
    return deleted;
  } catch (const ERegistryException&) {
    reg.CloseKey();
    return false;
  }
}

}  // namespace

RepairReport DoRepair(RepairContext& ctx) {
  RepairReport out;
  RepairPage& page = ctx.page;
  const std::vector<bool> chosen = ChosenForDelete(ctx.ProblemList);
  page.ShowStatusWindow();
  page.ProcessMessages();

  if (page.RestorePointWanted() && !RestorePointStep(ctx)) {
    page.HideStatusWindow();
    out.end = RepairEnd::Declined;
    return out;
  }

  std::vector<bool> heldBack(ctx.ProblemList.size(), false);
  if (page.BackupWanted() && !BackupStep(ctx, chosen, heldBack, out)) {
    page.HideStatusWindow();
    page.ProcessMessages();
    page.ShowError(out.error);
    out.end = RepairEnd::BackupNotWritten;
    return out;
  }

  SetStatus(ctx, "Repairing Errors. Please wait...");
  RepairPump pump(ctx);
  for (std::size_t i = 0; i < ctx.ProblemList.size(); ++i) {
    const TRegRecord& r = ctx.ProblemList[i];
    if (!chosen[i]) continue;
    if (r.Kind != kKindFile && !IsDeletableRegistryEntry(r)) continue;
    pump();
    // Time passed since the scan: a drive may be back, a program reinstalled.
    if (!heldBack[i] && ctx.stillAProblem && !ctx.stillAProblem(r)) {
      ++out.unchanged;
      out.unchangedIndexes.push_back(static_cast<int>(i));
      continue;
    }
    if (!heldBack[i] && DeleteProblem(ctx, r)) {
      ++out.repaired;
      out.repairedIndexes.push_back(static_cast<int>(i));
    } else {
      ++out.left;
      out.leftIndexes.push_back(static_cast<int>(i));
    }
  }
  page.HideStatusWindow();
  page.ProcessMessages();

  out.found = static_cast<int>(ctx.ProblemList.size());
  for (std::size_t i = 0; i < chosen.size(); ++i)
    if (!chosen[i]) ++out.ignored;
  out.ignored += out.unchanged;
  page.ShowReport(out);
  return out;
}

}  // namespace corvanta
