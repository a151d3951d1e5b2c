// The repair over the real registry and files of the test prefix: what it
// deletes comes back when its automatic backup is imported; and the restore
// point question on the Windows versions that offer System Restore.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/main.h"
#include "app/widget_pages.h"
#include "backup/reg_export.h"
#include "platform/registry.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "results/os_name.h"
#include "results/repair.h"
#include "results/restore_point.h"
#include "ui/headless/headless_ui.h"
#include "wine/ports_scratch.h"
#include "wine/regedit_import.h"
#include "wine/wine_version_child.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKCU = kHKEY_CURRENT_USER;
const char kProgramFolder[] = "C:\\corvanta-repair\\";

// The real system, with the program's folder moved into the prefix's C: drive.
struct PrefixSystem : wine::FolderSystem {
  PrefixSystem() : FolderSystem(kProgramFolder) {}
};

std::vector<std::string> ExportBranch(RegistryApi& api) {
  std::vector<std::string> lines{kRegEditHeader};
  ExportRegKey(api, HKCU, "\\Software\\CorvantaTest\\Repair", "", lines);
  return lines;
}

TRegRecord Problem(const std::string& key, const std::string& value, int deleteKey,
                   int kind = kKindRegistry) {
  TRegRecord r;
  r.RootKey = kind == kKindFile ? 0 : HKCU;
  r.Section = "Deep Registry Scan";
  r.KeyPath = key;
  r.ValueName = value;
  r.DeleteKey = deleteKey;
  r.Kind = kind;
  return r;
}

TEST(RepairEndToEnd, ImportingTheBackupRestoresWhatWasDeleted) {
  Win32Registry api;
  Win32FileSystem files;
  PrefixSystem system;
  TRegistry seed(api);
  seed.SetRootKey(HKCU);
  seed.DeleteKey("\\Software\\CorvantaTest");
  ASSERT_TRUE(seed.OpenKey("\\Software\\CorvantaTest\\Repair", true));
  seed.WriteString("Dead", "C:\\missing\\dead.exe");
  seed.WriteString("Keep", "C:\\windows\\notepad.exe");
  seed.WriteString("", "default text");
  ASSERT_TRUE(seed.OpenKey("\\Software\\CorvantaTest\\Repair\\DeadKey\\Inner", true));
  seed.WriteExpandString("Path", "%ProgramFiles%\\Gone\\gone.dll");
  seed.WriteMultiSz("List", {"a", "b c"});
  seed.WriteInteger("Count", -2);
  seed.WriteRaw("Quad", kREG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  seed.CloseKey();
  files.MakeDirectory("C:\\corvanta-repair");
  ASSERT_TRUE(files.WriteWholeFile("C:\\corvanta-repair\\dead.lnk", "not a real link"));
  const std::vector<std::string> before = ExportBranch(api);

  HeadlessUi ui;
  MainWindowView& m = ui.View().main;
  m.cbBackup->SetChecked(true);
  m.cbSysRestore->SetChecked(false);
  TRegArray problems = {Problem("Software\\CorvantaTest\\Repair", "Dead", 0),
                        Problem("Software\\CorvantaTest\\Repair", "", 0),
                        Problem("\\Software\\CorvantaTest\\Repair\\DeadKey", "", 1),
                        Problem("C:\\corvanta-repair\\dead.lnk", "", 0, kKindFile)};
  TRegistry shared(api, 0x2001F);
  WidgetRepairPage page(ui.View());
  RepairContext ctx{page, problems, shared, files, system};
  const RepairReport out = DoRepair(ctx);
  ASSERT_EQ(out.end, RepairEnd::Done);
  EXPECT_EQ(out.repaired, 4);
  EXPECT_EQ(out.left, 0);
  EXPECT_EQ(out.backupFile.rfind("C:\\corvanta-repair\\Backup\\Automatic Backup_", 0), 0u);

  seed.CloseKey();
  EXPECT_FALSE(seed.KeyExists("\\Software\\CorvantaTest\\Repair\\DeadKey"));
  ASSERT_TRUE(seed.OpenKey("\\Software\\CorvantaTest\\Repair", false));
  EXPECT_FALSE(seed.ValueExists("Dead"));
  EXPECT_FALSE(seed.ValueExists(""));
  EXPECT_TRUE(seed.ValueExists("Keep"));
  seed.CloseKey();
  EXPECT_FALSE(files.FileExists("C:\\corvanta-repair\\dead.lnk"));

  ASSERT_EQ(testing::ImportWithRegedit(out.backupFile), 0u);
  EXPECT_EQ(ExportBranch(api), before);

  seed.DeleteKey("\\Software\\CorvantaTest");
  files.RemoveFile(out.backupFile);
}

// Runs in a child process started by the test below, under the Windows
// version that test set for the prefix.
TEST(RepairRestorePointChild, QuestionOnlyWhereSystemRestoreShouldWork) {
  const std::string expected = testing::Env("CORVANTA_CHILD_OS");
  if (expected.empty()) {
    GTEST_SKIP() << "started by RepairRestorePoint only";
  }
  Win32Registry api;
  Win32FileSystem files;
  PrefixSystem system;
  ASSERT_EQ(GetOSName(system), expected);
  const bool offered = expected == "Windows XP" || expected == "Windows ME";
  const bool made = CreateRestorePoint(system);
  if (!offered) {
    EXPECT_FALSE(made);
  }

  HeadlessUi ui;
  ui.View().main.cbSysRestore->SetChecked(true);
  ui.View().main.cbBackup->SetChecked(false);
  ui.App().QueueAnswer(ModalResult::No);
  TRegArray problems;
  TRegistry shared(api, 0x2001F);
  WidgetRepairPage page(ui.View());
  RepairContext ctx{page, problems, shared, files, system};
  const RepairReport out = DoRepair(ctx);
  if (offered && !made) {
    ASSERT_EQ(ui.App().Boxes().size(), 1u);
    EXPECT_EQ(ui.App().Boxes()[0].text, kRepairQuestion);
    EXPECT_EQ(out.end, RepairEnd::Declined);
  } else {
    EXPECT_TRUE(ui.App().Boxes().empty());
    EXPECT_EQ(out.end, RepairEnd::Done);
  }
  std::printf("restore point on %s: %s\n", expected.c_str(), made ? "created" : "not created");
}

TEST(RepairRestorePoint, AskedOnXpAndMeNotOn2000) {
  const struct {
    const char* version;
    const char* name;
  } cases[] = {{"winxp", "Windows XP"}, {"winme", "Windows ME"}, {"win2k", "Windows 2000"}};
  for (const auto& c : cases)
    EXPECT_EQ(testing::RunChildTestsUnderWineVersion(c.version, "RepairRestorePointChild.*",
                                                     "CORVANTA_CHILD_OS", c.name),
              0u)
        << c.version;
}

}  // namespace
}  // namespace corvanta

namespace corvanta {
namespace {

// The second look over the real registry and disk: an entry whose file came
// back after the scan is kept, its neighbour deleted.
TEST(RepairEndToEnd, SecondLookKeepsWhatCameBack) {
  Win32Platform win;
  PrefixSystem system;
  Platform platform = win.WithSystem(system);
  TRegistry seed(win.registry);
  seed.SetRootKey(HKCU);
  ASSERT_TRUE(seed.OpenKey("\\Software\\CorvantaTest\\Recheck", true));
  seed.WriteString("Back", "C:\\corvanta-repair\\back.exe");
  seed.WriteString("Gone", "C:\\corvanta-repair\\gone.exe");
  seed.CloseKey();
  HeadlessUi ui;
  TForm1 form(platform, ui.View());
  form.SetSaveOnDestroy(false);
  ui.View().main.cbSysRestore->SetChecked(false);
  for (const char* name : {"Back", "Gone"}) {
    TRegRecord r = Problem("Software\\CorvantaTest\\Recheck", name, 0);
    r.ValueData =
        std::string("C:\\corvanta-repair\\") + (name[0] == 'B' ? "back" : "gone") + ".exe";
    form.ProblemList().push_back(r);
  }
  win.files.MakeDirectory("C:\\corvanta-repair");
  ASSERT_TRUE(win.files.WriteWholeFile("C:\\corvanta-repair\\back.exe", "MZ"));
  HeadlessUi::H(ui.View().main.btRepair).Press();
  EXPECT_EQ(ui.View().main.lbRepaired->Caption(), "1");
  EXPECT_EQ(ui.View().main.lbIgnored->Caption(), "1");
  ASSERT_TRUE(seed.OpenKey("\\Software\\CorvantaTest\\Recheck", false));
  EXPECT_TRUE(seed.ValueExists("Back"));
  EXPECT_FALSE(seed.ValueExists("Gone"));
  seed.CloseKey();
  seed.DeleteKey("\\Software\\CorvantaTest");
  win.files.RemoveFile("C:\\corvanta-repair\\back.exe");
}

}  // namespace
}  // namespace corvanta
