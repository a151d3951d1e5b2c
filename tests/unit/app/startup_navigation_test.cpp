#include <gtest/gtest.h>

#include <algorithm>

#include "support/app_fixture.h"

namespace corvanta {
namespace {

using testing::AppFixture;

TEST(StartUp, StatusWindowForAtLeastASecondThenSettingsThenMainWindow) {
  AppFixture f;
  TForm1& form = f.Create();
  uint64_t shownAt = 0, hiddenAt = 0;
  int privilegesAtHide = -1;
  std::vector<std::string> order;
  f.app().OnJournal = [&](const std::string& e) {
    if (e == "show TUpdateStatus") shownAt = f.mem.system.TickCount();
    if (e == "hide TUpdateStatus") {
      hiddenAt = f.mem.system.TickCount();
      privilegesAtHide = f.mem.system.enableAllPrivilegesCalls();
    }
    if (e.rfind("show ", 0) == 0 || e.rfind("hide ", 0) == 0 || e.rfind("pump", 0) == 0)
      order.push_back(e);
  };
  bool checked = false;
  form.CheckForUpdate = [&] {
    checked = true;
    EXPECT_EQ(f.ui.View().updateStatus.lbStatus->Caption(), "Checking for software updates...");
    EXPECT_TRUE(f.ui.View().updateStatus.window->Visible());
  };
  f.w().RestoreListView->AddRow("stale");
  form.StartUp();

  EXPECT_EQ(f.ui.View().updateStatus.lbVersion->Caption(), "version 1.3.0");
  EXPECT_GE(hiddenAt - shownAt, 1000u);
  EXPECT_EQ(f.mem.system.sleeps(), std::vector<uint32_t>{1000});
  EXPECT_EQ(privilegesAtHide, 1);  // settings loaded before the window closed
  EXPECT_TRUE(checked);            // auto update is on by default
  // The page-change hook of the start on page 0 empties the backup list and
  // pumps once the window is up.
  const std::vector<std::string> want = {"show TUpdateStatus", "pump 1",      "pump 2", "pump 3",
                                         "hide TUpdateStatus", "show TForm1", "pump 4"};
  EXPECT_EQ(order, want);
  EXPECT_EQ(f.Page(), kPageMain);
  EXPECT_EQ(f.w().RestoreListView->RowCount(), 0);
  EXPECT_EQ(f.ui.View().dlgComplete.window->Caption(), "Scan Complete");
  EXPECT_EQ(HeadlessUi::H(f.ui.View().dlgComplete.window).ModalCount(), 0);

  // Auto update off: the status only ever says "Loading software...".
  AppFixture g;
  g.mem.registry.SetDword(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", "AutoUpdate", 0);
  TForm1& form2 = g.Create();
  bool called = false;
  form2.CheckForUpdate = [&] { called = true; };
  std::vector<std::string> statuses;
  g.app().OnJournal = [&](const std::string&) {
    statuses.push_back(g.ui.View().updateStatus.lbStatus->Caption());
  };
  form2.StartUp();
  EXPECT_FALSE(called);
  for (auto& s : statuses) EXPECT_EQ(s, "Loading software...");
}

TEST(StartUp, OnlyAnExactFirstArgumentScanStartsAScan) {
  for (const char* arg : {"", "/SCAN", "/Scan", "-scan", "/scan ", "scan", " /scan"}) {
    AppFixture f;
    f.mem.system.SetFirstArgument(arg);
    f.Create().StartUp();
    EXPECT_EQ(f.Page(), kPageMain) << arg;
    EXPECT_EQ(f.w().ScanListView->RowCount(), 0) << arg;
  }
  // "/scan" runs all thirteen sections though 10 and 12 are unticked by
  // default, and so does a later scan of the same process.
  AppFixture f;
  f.mem.system.SetFirstArgument("/scan");
  TForm1& form = f.Create();
  form.StartUp();
  EXPECT_FALSE(f.w().cbSection10->Checked());
  EXPECT_EQ(f.w().ScanListView->RowCount(), 13);
  EXPECT_EQ(f.Page(), kPageResults);
  EXPECT_EQ(HeadlessUi::H(f.ui.View().dlgComplete.window).ModalCount(), 1);
  for (int k = 0; k < 13; ++k) EXPECT_TRUE(f.w().ResultGroup->ItemVisible(k)) << k;
  form.GoBack();
  HeadlessUi::H(f.w().lnkScanNow).Click();
  EXPECT_EQ(f.w().ScanListView->RowCount(), 13);
}

TEST(Navigation, TransitionTableHookAndSideGroups) {
  AppFixture f;
  TForm1& form = f.Create();
  form.StartUp();
  auto& m = f.w();
  auto click = [](Label* l) { EXPECT_TRUE(HeadlessUi::H(l).Click()); };
  auto press = [](Button* b) { EXPECT_TRUE(HeadlessUi::H(b).Press()); };

  m.RestoreListView->AddRow("stale");
  click(m.lnkSettings);
  EXPECT_EQ(f.Page(), kPageSettings);
  EXPECT_EQ(m.RestoreListView->RowCount(), 0);  // every page change empties it
  // Windows XP offers the restore point.
  EXPECT_TRUE(m.cbSysRestore->Enabled());
  EXPECT_FALSE(m.lbSystemRestore->Visible());
  press(m.RzBitBtn8);
  EXPECT_EQ(f.Page(), kPageMain);

  click(m.lnkBackupEntry);
  EXPECT_EQ(f.Page(), kPageBackup);
  press(m.btBackupBack);
  EXPECT_EQ(f.Page(), kPageMain);

  m.AdvancedNotebook->SetPageIndex(3);
  click(m.lnkAdvancedEntry);
  EXPECT_EQ(f.Page(), kPageAdvanced);
  EXPECT_EQ(m.AdvancedNotebook->PageIndex(), 0);
  m.AdvancedNotebook->SetPageIndex(2);
  press(m.btAdvancedBack);  // a single tool returns to the tool list first
  EXPECT_EQ(f.Page(), kPageAdvanced);
  EXPECT_EQ(m.AdvancedNotebook->PageIndex(), 0);
  press(m.btAdvancedBack);
  EXPECT_EQ(f.Page(), kPageMain);

  for (GroupBar* g : {m.ResultGroup, m.SettingsHelpGroup, m.BackupGroup, m.AdvancedGroup})
    EXPECT_TRUE(HeadlessUi::H(g).RequestCollapse()) << g->Caption();

  click(m.lnkHelp);
  click(m.lnkUserManual);
  ASSERT_EQ(f.mem.shell.executeCalls().size(), 2u);
  const auto& call = f.mem.shell.executeCalls()[0];
  EXPECT_EQ(call.verb, "open");
  EXPECT_EQ(call.file, std::string("http://") + CORVANTA_VENDOR_HOST + "/help/");
  EXPECT_EQ(call.params, "");
  EXPECT_EQ(call.showCmd, 1);

  // Other systems: the option is greyed out, keeps its state, the note shows.
  for (OsVersion v :
       {OsVersion{2, 5, 0, 0, ""}, OsVersion{1, 4, 10, 0, ""}, OsVersion{2, 6, 1, 0, ""}}) {
    f.mem.system.SetVersion(v);
    m.cbSysRestore->SetChecked(true);
    form.DoSettings();
    EXPECT_FALSE(m.cbSysRestore->Enabled());
    EXPECT_TRUE(m.cbSysRestore->Checked());
    EXPECT_TRUE(m.lbSystemRestore->Visible());
    form.GoBack();
  }
  f.mem.system.SetVersion(OsVersion{1, 4, 90, 0, ""});
  form.DoSettings();
  EXPECT_TRUE(m.cbSysRestore->Enabled());
}

TEST(Navigation, TheBackupPageListsTheBackupFolder) {
  AppFixture f;
  f.mem.system.SetExecutablePath("C:\\Prog\\Corvanta.exe");
  f.mem.files.AddFile("C:\\Prog\\Backup\\Automatic Backup_03-05-2007_14-07-09.reg");
  f.mem.files.AddFile("C:\\Prog\\Backup\\Explorer Backup_12-07-2026_02-20-51.reg");
  f.mem.files.AddFile("C:\\Prog\\Backup\\notes.txt");
  TForm1& form = f.Create();
  form.StartUp();
  auto& m = f.w();
  int pumps = 0;
  f.app().OnJournal = [&](const std::string& e) { pumps += e.rfind("pump", 0) == 0; };

  m.BackupNotebook->SetPageIndex(1);
  EXPECT_TRUE(HeadlessUi::H(m.lnkBackupEntry).Click());
  EXPECT_EQ(f.Page(), kPageBackup);
  EXPECT_EQ(m.BackupNotebook->PageIndex(), 0);
  ASSERT_EQ(m.RestoreListView->RowCount(), 2);
  ASSERT_EQ(form.RestoreList().size(), 2u);
  std::vector<std::string> rows;
  for (int i = 0; i < 2; ++i) {
    rows.push_back(m.RestoreListView->Cell(i, 0) + "|" + m.RestoreListView->Cell(i, 1));
    EXPECT_EQ(form.RestoreList()[i].BackupType, m.RestoreListView->Cell(i, 0));
  }
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"Automatic Backup|03/05/2007 - 14:07:09",
                                            "Explorer Backup|12/07/2026 - 02:20:51"}));
  EXPECT_GE(pumps, 3);  // once on the change, once per file

  // Leaving the page empties the view; coming back lists the folder afresh.
  pumps = 0;
  EXPECT_TRUE(HeadlessUi::H(m.btBackupBack).Press());
  EXPECT_EQ(f.Page(), kPageMain);
  EXPECT_EQ(m.RestoreListView->RowCount(), 0);
  EXPECT_GE(pumps, 1);
  f.mem.files.AddFile("C:\\Prog\\Backup\\Full Registry Backup_01-01-2008_00-00-00.reg");
  form.ShowbackupPage();
  EXPECT_EQ(m.RestoreListView->RowCount(), 3);
  EXPECT_EQ(form.RestoreList().size(), 3u);
}

TEST(Dispatch, AnEscapedErrorIsShownAndTheProgramGoesOn) {
  AppFixture f;
  TForm1& form = f.Create();
  form.Dispatch([] { throw std::runtime_error("Failed to set data for 'Section1'"); });
  ASSERT_EQ(f.app().Boxes().size(), 1u);
  EXPECT_EQ(f.app().Boxes()[0].kind, MessageKind::Error);
  EXPECT_EQ(f.app().Boxes()[0].text, "Failed to set data for 'Section1'");
  // A failing section ends the scan with the results of what ran.
  form.LoadSettings();
  form.RunSection = [&](int n) {
    if (n == 3) throw std::runtime_error("no link object");
  };
  form.DoScan();
  EXPECT_EQ(f.app().Boxes().back().text, "no link object");
  EXPECT_EQ(f.Page(), kPageResults);
}

}  // namespace
}  // namespace corvanta
