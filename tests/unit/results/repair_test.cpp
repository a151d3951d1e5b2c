#include "results/repair.h"

#include <gtest/gtest.h>

#include "app/widget_pages.h"
#include "backup/backup_store.h"
#include "platform/memory/memory_platform.h"
#include "platform/registry.h"
#include "results/restore_point.h"
#include "support/scan_faulty_registry.h"
#include "ui/headless/headless_ui.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKLM = kHKEY_LOCAL_MACHINE;
const char kBackupDir[] = "C:\\Program Files\\Corvanta\\Backup";
const char kFirstBackup[] =
    "C:\\Program Files\\Corvanta\\Backup\\Automatic Backup_12-07-2026_02-20-51.reg";

TRegRecord Problem(const std::string& key, const std::string& value, int deleteKey,
                   int kind = kKindRegistry, int action = kActionDelete) {
  TRegRecord r;
  r.RootKey = kind == kKindFile ? 0 : HKLM;
  r.Section = "Startup Programs";
  r.ProblemLabel = "Invalid startup entry";
  r.KeyPath = key;
  r.ValueName = value;
  r.DeleteKey = deleteKey;
  r.Kind = kind;
  r.Action = action;
  return r;
}

class RepairTest : public ::testing::Test {
 protected:
  RepairTest() : faulty(p.registry), shared(faulty, 0x2001F) {}

  void SetUp() override {
    p.files.AddFolder("C:\\Program Files\\Corvanta");
    m.cbBackup->SetChecked(true);
    m.cbSysRestore->SetChecked(false);
    p.registry.SetString(HKLM, "Software\\App", "Path", "C:\\gone.exe");
    p.registry.SetString(HKLM, "Software\\App", "Other", "keep");
    p.registry.SetString(HKLM, "Software\\App", "Ign", "C:\\also gone.exe");
    p.registry.SetString(HKLM, "Software\\Classes\\Prog", "", "x");
    p.registry.SetString(HKLM, "Software\\Classes\\Prog\\shell\\open", "", "cmd");
    p.files.AddFile("C:\\Links\\x.lnk", "link");
    problems = {Problem("Software\\App", "Path", 0), Problem("\\Software\\Classes\\Prog", "", 1),
                Problem("C:\\Links\\x.lnk", "", 0, kKindFile),
                Problem("Software\\App", "Ign", 0, kKindRegistry, kActionIgnore)};
  }

  RepairReport Run() {
    WidgetRepairPage page(ui.View());
    RepairContext ctx{page, problems, shared, p.files, p.system};
    return DoRepair(ctx);
  }
  std::string File(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(p.files.ReadWholeFile(path, &bytes)) << path;
    return bytes;
  }

  MemoryPlatform p;
  FaultyReadRegistry faulty;
  TRegistry shared;
  HeadlessUi ui;
  MainWindowView& m = ui.View().main;
  TRegArray problems;
};

TEST_F(RepairTest, BacksUpThenDeletesValuesKeysAndFiles) {
  const RepairReport out = Run();
  EXPECT_EQ(out.end, RepairEnd::Done);
  EXPECT_EQ(out.backupFile, kFirstBackup);
  EXPECT_EQ(File(kFirstBackup),
            "REGEDIT4\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\App]\r\n\"Path\"=\"C:\\\\gone.exe\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\Prog]\r\n@=\"x\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\Prog\\shell]\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\Prog\\shell\\open]\r\n@=\"cmd\"\r\n");
  EXPECT_FALSE(p.registry.HasValue(HKLM, "Software\\App", "Path"));
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\App", "Other"));
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\App", "Ign"));
  EXPECT_FALSE(p.registry.HasKey(HKLM, "Software\\Classes\\Prog"));
  EXPECT_TRUE(p.registry.HasKey(HKLM, "Software\\Classes"));
  EXPECT_FALSE(p.files.FileExists("C:\\Links\\x.lnk"));
  EXPECT_EQ(problems.size(), 4u);

  EXPECT_EQ(m.NoteBook->PageIndex(), 3);
  EXPECT_FALSE(ui.View().repairStatus.window->Visible());
  EXPECT_EQ(m.lbResultTitle->Caption(), "Repair Successful");
  EXPECT_EQ(m.lbResultText->Caption(),
            "All detected registry problems were repaired. It is advisable to rescan your "
            "computer weekly to keep your Windows Registry in shape.");
  EXPECT_EQ(m.lbResultText->FontColour(), kColourBlack);
  EXPECT_FALSE(m.lbLeftLabel->Visible());
  EXPECT_FALSE(m.lbLeft->Visible());
  EXPECT_EQ(m.lbResultBack->Caption(),
            "To further boost system performance, click the \"Back\" button below and visit our "
            "advanced tools section, then remove any unnecessary BHOs and Startup Entries.");
  EXPECT_EQ(m.lbFound->Caption(), "4");
  EXPECT_EQ(m.lbIgnored->Caption(), "1");
  EXPECT_EQ(m.lbRepaired->Caption(), "3");
  EXPECT_EQ(shared.CurrentKey(), 0u);
  EXPECT_EQ(p.registry.OpenHandleCount(), 0u);
}

TEST_F(RepairTest, DefaultValueProblemExportsTheKeyButDeletesOnlyTheValue) {
  p.registry.SetString(HKLM, "Software\\App", "", "C:\\def.exe");
  problems = {Problem("Software\\App", "", 0)};
  const RepairReport out = Run();
  EXPECT_NE(File(out.backupFile).find("\"Other\"=\"keep\""), std::string::npos);
  EXPECT_FALSE(p.registry.HasValue(HKLM, "Software\\App", ""));
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\App", "Other"));
  EXPECT_EQ(out.repaired, 1);
}

TEST_F(RepairTest, PumpsThroughLongWorkAndKeepsToTheChoicesItStartedWith) {
  for (int i = 0; i < 400; ++i) {
    const std::string name = "V" + std::to_string(i);
    p.registry.SetString(HKLM, "Software\\Many", name, "C:\\gone.exe");
    problems.push_back(Problem("Software\\Many", name, 0));
  }
  p.system.SetTickStep(1);  // every look at the clock finds it 1 ms later
  int pumps = 0;
  // A choice changed while the repair pumps (the window takes no command
  // then, but the repair must not depend on that).
  ui.App().EveryPump([&] {
    ++pumps;
    for (TRegRecord& r : problems) r.Action = kActionDelete;
  });
  const RepairReport out = Run();
  EXPECT_GE(pumps, 12);  // about one every 50 entries in each loop
  EXPECT_EQ(out.repaired, 403);
  EXPECT_EQ(out.ignored, 1);
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\App", "Ign"));
  EXPECT_EQ(File(out.backupFile).find("Ign"), std::string::npos);
  EXPECT_FALSE(p.registry.HasValue(HKLM, "Software\\Many", "V399"));
}

TEST_F(RepairTest, AllIgnoredAndBackupsOff) {
  for (TRegRecord& r : problems) r.Action = kActionIgnore;
  RepairReport out = Run();
  EXPECT_EQ(File(kFirstBackup), "REGEDIT4\r\n");
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\App", "Path"));
  EXPECT_TRUE(p.files.FileExists("C:\\Links\\x.lnk"));
  EXPECT_EQ(m.lbFound->Caption(), "4");
  EXPECT_EQ(m.lbIgnored->Caption(), "4");
  EXPECT_EQ(m.lbRepaired->Caption(), "0");

  MemoryPlatform other;
  other.files.AddFolder("C:\\Program Files\\Corvanta");
  other.registry.SetString(HKLM, "Software\\App", "Path", "x");
  TRegistry reg(other.registry, 0x2001F);
  TRegArray list = {Problem("Software\\App", "Path", 0)};
  m.cbBackup->SetChecked(false);
  WidgetRepairPage page(ui.View());
  RepairContext ctx{page, list, reg, other.files, other.system};
  out = DoRepair(ctx);
  EXPECT_EQ(out.backupFile, "");
  EXPECT_FALSE(other.files.DirectoryExists(kBackupDir));
  EXPECT_FALSE(other.registry.HasValue(HKLM, "Software\\App", "Path"));
  EXPECT_EQ(out.repaired, 1);
}

TEST_F(RepairTest, RestorePointFailureOnXpAsksAndNoChangesNothing) {
  m.cbSysRestore->SetChecked(true);  // XP without the library: the call fails
  ui.App().QueueAnswer(ModalResult::No);
  const RepairReport out = Run();
  EXPECT_EQ(out.end, RepairEnd::Declined);
  ASSERT_EQ(ui.App().Boxes().size(), 1u);
  EXPECT_EQ(ui.App().Boxes()[0].kind, MessageKind::Confirmation);
  EXPECT_EQ(ui.App().Boxes()[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(ui.App().Boxes()[0].text, kRepairQuestion);
  EXPECT_NE(std::string(kRepairQuestion).find("safetey measure."), std::string::npos);
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\App", "Path"));
  EXPECT_TRUE(p.files.FileExists("C:\\Links\\x.lnk"));
  EXPECT_FALSE(p.files.DirectoryExists(kBackupDir));
  EXPECT_FALSE(ui.View().repairStatus.window->Visible());
  EXPECT_NE(m.NoteBook->PageIndex(), 3);

  ui.App().ClearBoxes();
  ui.App().QueueAnswer(ModalResult::Yes);
  EXPECT_EQ(Run().end, RepairEnd::Done);
  EXPECT_EQ(ui.App().Boxes().size(), 1u);
  EXPECT_FALSE(p.registry.HasValue(HKLM, "Software\\App", "Path"));
}

TEST_F(RepairTest, RestorePointElsewhereIsSkippedSilentlyAndMadeWhenOffered) {
  m.cbSysRestore->SetChecked(true);
  p.system.SetVersion(OsVersion{2, 5, 0, 2195, ""});
  EXPECT_EQ(Run().end, RepairEnd::Done);
  EXPECT_TRUE(ui.App().Boxes().empty());
  EXPECT_TRUE(p.system.libraryLoads().empty());

  p.system.SetVersion(OsVersion{1, 4, 90, 3000, ""});
  p.system.AddRestoreLibrary("sfc.dll", "SRSetRestorePoint", true);
  EXPECT_EQ(Run().end, RepairEnd::Done);
  EXPECT_TRUE(ui.App().Boxes().empty());
  ASSERT_EQ(p.system.restorePointCalls().size(), 1u);
}

TEST(CreateRestorePoint, LibraryByOsNameAndRequestFields) {
  MemorySystem system;
  system.AddRestoreLibrary("srclient.dll", "SRSetRestorePointA", true);
  system.AddRestoreLibrary("sfc.dll", "SRSetRestorePoint", false);
  system.SetVersion(OsVersion{1, 5, 1, 0, ""});
  EXPECT_TRUE(CreateRestorePoint(system));
  ASSERT_EQ(system.restorePointCalls().size(), 1u);
  const RestorePointRequest& req = system.restorePointCalls()[0].request;
  EXPECT_EQ(req.eventType, 100u);
  EXPECT_EQ(req.restorePointType, 0u);
  EXPECT_EQ(req.sequenceNumber, 0);
  EXPECT_EQ(req.description, "Corvanta Restore Point");

  system.SetVersion(OsVersion{1, 4, 90, 0, ""});
  EXPECT_FALSE(CreateRestorePoint(system));  // refused
  EXPECT_EQ(system.libraryLoads().back(), "sfc.dll");
  EXPECT_EQ(system.restorePointCalls().back().entry, "SRSetRestorePoint");

  const std::size_t loads = system.libraryLoads().size();
  for (const OsVersion& v :
       {OsVersion{2, 6, 0, 0, ""}, OsVersion{2, 5, 0, 0, ""}, OsVersion{1, 4, 10, 0, ""}}) {
    system.SetVersion(v);
    EXPECT_FALSE(CreateRestorePoint(system));
  }
  EXPECT_EQ(system.libraryLoads().size(), loads);
}

TEST_F(RepairTest, FailedDeletionsAreLeftAndGoneEntriesCountAsRepaired) {
  p.registry.SetString(HKLM, "Software\\Locked", "v", "x");
  p.registry.DenyOpen(HKLM, "Software\\Locked", kKEY_SET_VALUE);
  p.files.LockFile("C:\\Links\\x.lnk");
  problems.push_back(Problem("Software\\Locked", "v", 0));
  problems.push_back(Problem("Software\\Vanished", "v", 0));
  problems.push_back(Problem("Software\\App", "NoSuchValue", 0));
  problems.push_back(Problem("Software\\VanishedKey", "", 1));
  const RepairReport out = Run();
  EXPECT_EQ(out.repaired, 5);  // Path, Prog, the three already gone
  EXPECT_EQ(out.left, 2);
  EXPECT_EQ(out.leftIndexes, (std::vector<int>{2, 4}));
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\Locked", "v"));
  EXPECT_TRUE(p.files.FileExists("C:\\Links\\x.lnk"));
  EXPECT_EQ(m.lbRepaired->Caption(), "5");
  EXPECT_TRUE(m.lbLeftLabel->Visible());
  EXPECT_TRUE(m.lbLeft->Visible());
  EXPECT_EQ(m.lbLeft->Caption(), "2");
  EXPECT_EQ(m.lbResultTitle->Caption(), "Repair Incomplete");
  EXPECT_EQ(m.lbResultText->Caption().find("All detected"), std::string::npos);
  EXPECT_EQ(shared.CurrentKey(), 0u);
}

TEST_F(RepairTest, ProblemWhoseExportFailedIsNotDeleted) {
  faulty.FailReadsOf("Path");
  const RepairReport out = Run();
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\App", "Path"));
  EXPECT_FALSE(p.registry.HasKey(HKLM, "Software\\Classes\\Prog"));
  EXPECT_EQ(out.repaired, 2);
  EXPECT_EQ(out.left, 1);
  EXPECT_NE(File(kFirstBackup).find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\Prog]"),
            std::string::npos);
  EXPECT_EQ(m.lbLeft->Caption(), "1");

  // Backups off: nothing is exported, so nothing is held back.
  m.cbBackup->SetChecked(false);
  const RepairReport again = Run();
  EXPECT_EQ(again.repaired, 3);  // the key and the file were already gone
  EXPECT_EQ(again.left, 0);
  EXPECT_FALSE(p.registry.HasValue(HKLM, "Software\\App", "Path"));
}

TEST_F(RepairTest, NoBackupOverwritesAnother) {
  p.files.AddFile(kFirstBackup, "earlier");
  const RepairReport out = Run();
  EXPECT_EQ(File(kFirstBackup), "earlier");
  EXPECT_EQ(out.backupFile,
            "C:\\Program Files\\Corvanta\\Backup\\Automatic Backup_12-07-2026_02-20-52.reg");
  EXPECT_EQ(File(out.backupFile).substr(0, 10), "REGEDIT4\r\n");
  EXPECT_FALSE(p.system.sleeps().empty());
  EXPECT_EQ(ParseRestoreRecord("Automatic Backup_12-07-2026_02-20-52.reg").TimeText, "02:20:52");
}

TEST_F(RepairTest, UnwritableBackupStopsBeforeAnyDeletion) {
  p.system.SetExecutablePath("D:\\Nowhere\\Corvanta.exe");
  const RepairReport out = Run();
  EXPECT_EQ(out.end, RepairEnd::BackupNotWritten);
  ASSERT_EQ(ui.App().Boxes().size(), 1u);
  EXPECT_EQ(ui.App().Boxes()[0].kind, MessageKind::Error);
  EXPECT_NE(ui.App().Boxes()[0].text.find("D:\\Nowhere\\Backup\\Automatic Backup_"),
            std::string::npos);
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\App", "Path"));
  EXPECT_TRUE(p.registry.HasKey(HKLM, "Software\\Classes\\Prog"));
  EXPECT_TRUE(p.files.FileExists("C:\\Links\\x.lnk"));
  EXPECT_FALSE(ui.View().repairStatus.window->Visible());
  EXPECT_NE(m.NoteBook->PageIndex(), 3);
}

TEST_F(RepairTest, ButtonRunsTheRepairAndStatusTextsFollowTheSteps) {
  WidgetRepairPage page(ui.View());
  RepairContext ctx{page, problems, shared, p.files, p.system};
  BindRepair(ui.View(), ctx);
  std::vector<std::string> texts;
  ui.App().EveryPump([&] {
    const std::string t = ui.View().repairStatus.lbStatus->Caption();
    if (texts.empty() || texts.back() != t) texts.push_back(t);
  });
  m.cbSysRestore->SetChecked(true);
  ui.App().QueueAnswer(ModalResult::Yes);
  ui.H(m.btRepair).OnClick();
  EXPECT_EQ(m.NoteBook->PageIndex(), 3);
  EXPECT_EQ(ui.View().repairStatus.window->Left(), m.window->Left() + 300);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[texts.size() - 3], "Creating a Restore Point...");
  EXPECT_EQ(texts[texts.size() - 2], "Backing up Registry Keys...");
  EXPECT_EQ(texts[texts.size() - 1], "Repairing Errors. Please wait...");
}

}  // namespace
}  // namespace corvanta
