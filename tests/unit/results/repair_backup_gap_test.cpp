// With backups on, an entry that exists but is missing from the backup is not
// deleted: a key that refuses the writer's full access (while the repair's
// own rights still reach it), or a denied subkey of a key about to go.
#include <gtest/gtest.h>

#include <string>

#include "app/widget_pages.h"
#include "backup/reg_export.h"
#include "platform/memory/memory_platform.h"
#include "platform/registry.h"
#include "results/repair.h"
#include "ui/headless/headless_ui.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKLM = kHKEY_LOCAL_MACHINE;

TRegRecord Problem(const std::string& key, const std::string& value, int deleteKey) {
  TRegRecord r;
  r.RootKey = HKLM;
  r.Section = "Startup Programs";
  r.ProblemLabel = "Invalid startup entry";
  r.KeyPath = key;
  r.ValueName = value;
  r.DeleteKey = deleteKey;
  r.Kind = kKindRegistry;
  r.Action = kActionDelete;
  return r;
}

struct GapRepair {
  MemoryPlatform p;
  TRegistry shared{p.registry, 0x2001F};
  HeadlessUi ui;
  TRegArray problems;
  GapRepair() {
    p.files.AddFolder("C:\\Program Files\\Corvanta");
    ui.View().main.cbBackup->SetChecked(true);
    ui.View().main.cbSysRestore->SetChecked(false);
  }
  RepairReport Run() {
    WidgetRepairPage page(ui.View());
    RepairContext ctx{page, problems, shared, p.files, p.system};
    return DoRepair(ctx);
  }
  std::string Backup(const RepairReport& out) {
    std::string bytes;
    EXPECT_TRUE(p.files.ReadWholeFile(out.backupFile, &bytes));
    return bytes;
  }
};

TEST(RepairBackupGap, EntriesMissingFromTheBackupAreLeft) {
  GapRepair g;
  MemoryRegistry& reg = g.p.registry;
  reg.SetString(HKLM, "Software\\A", "v", "C:\\gone.exe");
  reg.SetString(HKLM, "Software\\B", "w", "x");
  reg.SetString(HKLM, "Software\\C", "u", "1");
  reg.SetString(HKLM, "Software\\C\\sub", "t", "2");
  reg.SetString(HKLM, "Software\\D", "ok", "C:\\gone.exe");
  reg.SetString(HKLM, "Software\\E", "s", "3");
  // Closed to full access only: the repair's 0x2001F still opens and deletes.
  reg.DenyOpen(HKLM, "Software\\A", kKEY_CREATE_LINK);
  reg.DenyOpen(HKLM, "Software\\B", kKEY_CREATE_LINK);
  reg.DenyOpen(HKLM, "Software\\C\\sub", kKEY_CREATE_LINK);
  reg.DenyOpen(HKLM, "Software\\E", kKEY_CREATE_LINK);
  g.problems = {Problem("Software\\A", "v", 0), Problem("Software\\B", "", 1),
                Problem("Software\\C", "", 1), Problem("Software\\D", "ok", 0),
                Problem("Software\\E", "absent", 0)};
  const RepairReport out = g.Run();
  EXPECT_EQ(out.end, RepairEnd::Done);
  EXPECT_TRUE(reg.HasValue(HKLM, "Software\\A", "v"));
  EXPECT_TRUE(reg.HasKey(HKLM, "Software\\B"));
  EXPECT_TRUE(reg.HasValue(HKLM, "Software\\C\\sub", "t"));
  EXPECT_TRUE(reg.HasValue(HKLM, "Software\\C", "u"));
  EXPECT_FALSE(reg.HasValue(HKLM, "Software\\D", "ok"));
  EXPECT_EQ(out.repaired, 2);  // D, and E's value that was never there
  EXPECT_EQ(out.left, 3);
  EXPECT_EQ(out.leftIndexes, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(g.ui.View().main.lbLeft->Caption(), "3");
  // The written lines are unchanged: headers alone for what could not be read.
  EXPECT_EQ(g.Backup(out),
            "REGEDIT4\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\B]\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\C]\r\n\"u\"=\"1\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\C\\sub]\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\D]\r\n\"ok\"=\"C:\\\\gone.exe\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\E]\r\n");
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace corvanta
