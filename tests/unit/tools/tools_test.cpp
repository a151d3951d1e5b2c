// The advanced tools page over the memory platform: the three lists, file
// details, removals that tell the truth and can be undone, and the Internet
// Explorer backup.
#include <gtest/gtest.h>

#include "backup/backup_store.h"
#include "platform/registry.h"
#include "support/app_fixture.h"
#include "tools/advanced_tools.h"

namespace corvanta {
namespace {

using testing::AppFixture;

const char kBho[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kBackupDir[] = "C:\\Program Files\\Corvanta\\Backup";

struct ToolsFixture : AppFixture {
  ToolsFixture() {
    mem.files.AddFolder("C:\\Program Files\\Corvanta");
    Create();
    w().cbBackup->SetChecked(true);
  }
  const HeadlessApplication::ShownBox& LastBox() { return app().Boxes().back(); }
  std::vector<std::string> Column(ReportListView* v, int c) {
    std::vector<std::string> out;
    for (int i = 0; i < v->RowCount(); ++i) out.push_back(v->Cell(i, c));
    return out;
  }
  std::string File(const std::string& path) {
    std::string bytes;
    mem.files.ReadWholeFile(path, &bytes);
    return bytes;
  }
  void Click(Button* b) { b->OnClick(); }
};

TEST(ToolsPage, PanesAndBackNavigation) {
  ToolsFixture f;
  f.w().lnkAdvancedEntry->OnClick();
  EXPECT_EQ(f.Page(), kPageAdvanced);
  const struct {
    Label* panel;
    int pane;
  } cases[] = {{f.w().lnkBhoPanel, 1},
               {f.w().lnkStartupPanel, 2},
               {f.w().lnkUninstallPanel, 3},
               {f.w().lnkExplorerPanel, 4}};
  for (int i = 0; i < 4; ++i) {
    f.w().AdvancedGroup->OnItemClick(i);
    EXPECT_EQ(f.w().AdvancedNotebook->PageIndex(), i + 1);
    f.Click(f.w().btAdvancedBack);
    EXPECT_EQ(f.w().AdvancedNotebook->PageIndex(), 0);
    EXPECT_EQ(f.Page(), kPageAdvanced);
    cases[i].panel->OnClick();
    EXPECT_EQ(f.w().AdvancedNotebook->PageIndex(), cases[i].pane);
    f.Click(f.w().btAdvancedBack);
  }
  f.Click(f.w().btAdvancedBack);
  EXPECT_EQ(f.Page(), kPageMain);
  EXPECT_EQ(HeadlessUi::H(f.w().StartupListView).ColumnWidth(0), 150);
  EXPECT_EQ(HeadlessUi::H(f.w().StartupListView).ColumnWidth(1), 306);
  EXPECT_EQ(f.w().btExplorerBackup->Caption(), "Create Backup");
}

TEST(ToolsBho, FillSelectionAndDetails) {
  ToolsFixture f;
  MemoryRegistry& r = f.mem.registry;
  const std::string a = "{A1}", b = "{B2}", c = "{C3}";
  for (const std::string& id : {a, b, c}) r.CreateKey(kHKEY_LOCAL_MACHINE, kBho + ("\\" + id));
  r.SetString(kHKEY_CLASSES_ROOT, "CLSID\\" + a + "\\ProgID", "", "Helper.A");
  r.SetString(kHKEY_CLASSES_ROOT, "CLSID\\" + a + "\\InProcServer32", "", "C:\\a.dll");
  r.SetString(kHKEY_CLASSES_ROOT, "CLSID\\" + b + "\\InProcServer32", "", "C:\\none.dll");
  // Not text: read as empty, and the rest of the list still fills.
  r.SetRaw(kHKEY_CLASSES_ROOT, "CLSID\\" + c + "\\ProgID", "", kREG_BINARY, {1, 2});
  r.SetDword(kHKEY_CLASSES_ROOT, "CLSID\\" + c + "\\InProcServer32", "", 7);
  f.mem.versionInfo.SetStrings("C:\\A.DLL", {{"InternalName", "a"},
                                             {"FileVersion", "1.2"},
                                             {"ProductName", "Prod"},
                                             {"ProductVersion", "3.4"},
                                             {"FileDescription", "Desc"},
                                             {"CompanyName", "Maker"}});
  f.mem.versionInfo.SetStrings(f.mem.system.ExecutablePath(), {{"CompanyName", "Self"}});
  f.w().bhoCompany->SetCaption("stale");
  f.form->ShowAdvancedPage();
  f.form->ShowBHO();
  ReportListView* v = f.w().BhoListView;
  EXPECT_EQ(f.w().bhoCompany->Caption(), "");
  EXPECT_EQ(f.form->BhoIdList(), (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(f.Column(v, 0), (std::vector<std::string>{"Helper.A", kBhoNoNameText, kBhoNoNameText}));
  EXPECT_EQ(f.Column(v, 1), (std::vector<std::string>{"C:\\a.dll", "C:\\none.dll", ""}));
  EXPECT_TRUE(f.app().Boxes().empty());

  v->SetSelectedRow(0);
  EXPECT_EQ(f.w().bhoFileName->Caption(), "a (Version: 1.2)");
  EXPECT_EQ(f.w().bhoProductName->Caption(), "Prod (Version: 3.4)");
  EXPECT_EQ(f.w().bhoDescription->Caption(), "Desc");
  EXPECT_EQ(f.w().bhoCompany->Caption(), "Maker");
  const std::size_t reads = f.mem.versionInfo.queried().size();
  v->SetSelectedRow(0);  // already selected: not read again
  EXPECT_EQ(f.mem.versionInfo.queried().size(), reads);
  v->SetSelectedRow(1);                                             // no version information
  EXPECT_EQ(f.w().bhoFileName->Caption(), "none.dll (Version: )");  // the file's own name
  EXPECT_EQ(f.w().bhoCompany->Caption(), "");
  v->SetSelectedRow(2);  // empty path: the program's own file
  EXPECT_EQ(f.w().bhoCompany->Caption(), "Self");
  EXPECT_EQ(f.w().bhoFileName->Caption(), "Corvanta.exe (Version: )");
  v->SetSelectedRow(-1);  // deselected: the labels stay
  EXPECT_EQ(f.w().bhoCompany->Caption(), "Self");

  // Choosing the shown pane again does not refill.
  r.CreateKey(kHKEY_LOCAL_MACHINE, kBho + std::string("\\{E5}"));
  f.form->ShowBHO();
  EXPECT_EQ(v->RowCount(), 3);
}

TEST(ToolsBho, RemovalTellsTheTruthAndCanBeUndone) {
  struct Case {
    const char* name;
    int select;
    ModalResult answer;
    bool denyDelete, unwritableBackup, backupTicked;
    bool gone;
    const char* box;
  } cases[] = {
      {"no selection", -1, ModalResult::Yes, false, false, true, false, kBhoSelectText},
      {"cancelled", 0, ModalResult::Cancel, false, false, true, false, kBhoConfirmText},
      {"removed", 0, ModalResult::Yes, false, false, true, true, kBhoRemovedText},
      {"no backup asked", 0, ModalResult::Yes, false, false, false, true, kBhoRemovedText},
      {"refused", 0, ModalResult::Yes, true, false, true, false, "could not be removed"},
      {"backup unwritable", 0, ModalResult::Yes, false, true, true, false, "backup copy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolsFixture f;
    const std::string key = kBho + std::string("\\{A1}");
    f.mem.registry.SetString(kHKEY_LOCAL_MACHINE, key + "\\Sub", "x", "1");
    f.mem.registry.SetString(kHKEY_CLASSES_ROOT, "CLSID\\{A1}\\ProgID", "", "Helper.A");
    // A key of the same name at the root must survive whatever happens.
    f.mem.registry.CreateKey(kHKEY_LOCAL_MACHINE, "{A1}");
    if (c.denyDelete) f.mem.registry.DenyDelete(kHKEY_LOCAL_MACHINE, key);
    if (c.unwritableBackup) f.mem.system.SetExecutablePath("D:\\Nowhere\\Corvanta.exe");
    f.w().cbBackup->SetChecked(c.backupTicked);
    f.form->ShowAdvancedPage();
    f.form->ShowBHO();
    f.w().BhoListView->SetSelectedRow(c.select);
    f.app().QueueAnswer(c.answer);
    f.Click(f.w().btRemoveBho);
    EXPECT_NE(f.LastBox().text.find(c.box), std::string::npos) << f.LastBox().text;
    EXPECT_EQ(f.mem.registry.HasKey(kHKEY_LOCAL_MACHINE, key), !c.gone);
    EXPECT_TRUE(f.mem.registry.HasKey(kHKEY_LOCAL_MACHINE, "{A1}"));
    EXPECT_TRUE(f.mem.registry.HasKey(kHKEY_CLASSES_ROOT, "CLSID\\{A1}\\ProgID"));
    EXPECT_EQ(f.w().BhoListView->RowCount(), c.gone ? 0 : 1);
    const TRestoreArray backups = ListBackups(f.mem.system, f.mem.files);
    // A refused deletion may have taken some subkeys: its backup stays.
    const bool backedUp = (c.gone || c.denyDelete) && c.backupTicked;
    ASSERT_EQ(backups.size(), backedUp ? 1u : 0u);
    if (backedUp && c.gone) {
      const std::string bytes = f.File(std::string(kBackupDir) + "\\" + backups[0].FileName);
      EXPECT_EQ(backups[0].BackupType, "Automatic Backup");
      EXPECT_NE(bytes.find("[HKEY_LOCAL_MACHINE\\" + key + "\\Sub]\r\n\"x\"=\"1\""),
                std::string::npos);
    }
  }
}

TEST(ToolsStartup, DetailsOfTheProgramReadAcrossParenthesesAndAmpersands) {
  ToolsFixture f;
  MemoryRegistry& r = f.mem.registry;
  r.SetString(kHKEY_LOCAL_MACHINE, kRun, "X", "\"C:\\Program Files (x86)\\X\\x.exe\" /min");
  r.SetString(kHKEY_LOCAL_MACHINE, kRun, "A", "C:\\Program Files\\A&B 2.0\\a.exe -tray");
  f.mem.files.AddFile("C:\\Program Files\\A&B 2.0\\a.exe");
  f.mem.versionInfo.SetStrings("C:\\Program Files (x86)\\X\\x.exe", {{"CompanyName", "X Co"}});
  f.mem.versionInfo.SetStrings("C:\\Program Files\\A&B 2.0\\a.exe", {{"CompanyName", "AB Co"}});
  f.form->ShowAdvancedPage();
  f.form->ShowStartupManager();
  f.w().StartupListView->SetSelectedRow(0);
  EXPECT_EQ(f.w().startCompany->Caption(), "X Co");
  f.w().StartupListView->SetSelectedRow(1);
  EXPECT_EQ(f.w().startCompany->Caption(), "AB Co");
}

TEST(ToolsStartup, BothRootsDetailsAndRemovalFromTheRightRoot) {
  ToolsFixture f;
  MemoryRegistry& r = f.mem.registry;
  r.SetString(kHKEY_LOCAL_MACHINE, kRun, "Same", "\"C:\\Program Files\\M\\m.exe\" /min -x");
  r.SetString(kHKEY_LOCAL_MACHINE, kRun, "", "C:\\def.exe");
  r.SetDword(kHKEY_LOCAL_MACHINE, kRun, "Odd", 1);
  r.SetString(kHKEY_LOCAL_MACHINE, kRun, "Bare", "notepad");
  r.SetString(kHKEY_CURRENT_USER, kRun, "Same", "C:\\u.exe,1");
  f.mem.versionInfo.SetStrings("C:\\Program Files\\M\\m.exe", {{"CompanyName", "M Co"}});
  f.mem.versionInfo.SetStrings("C:\\u.exe", {{"CompanyName", "U Co"}});
  f.form->ShowAdvancedPage();
  f.form->ShowStartupManager();
  ReportListView* v = f.w().StartupListView;
  EXPECT_EQ(f.Column(v, 0), (std::vector<std::string>{"Same", "", "Odd", "Bare", "Same"}));
  EXPECT_EQ(f.Column(v, 1)[2], "");
  EXPECT_EQ(f.form->StartupOriginList(), (std::vector<std::string>{"0", "0", "0", "0", "1"}));
  v->SetSelectedRow(0);
  EXPECT_EQ(f.w().startCompany->Caption(), "M Co");
  v->SetSelectedRow(3);  // no drive path: the details stay
  EXPECT_EQ(f.w().startCompany->Caption(), "M Co");
  v->SetSelectedRow(4);
  EXPECT_EQ(f.w().startCompany->Caption(), "U Co");

  // The current user's "Same" goes, the machine's stays.
  f.Click(f.w().btRemoveStartup);
  EXPECT_EQ(f.LastBox().text, "The Startup entry  was successfully removed!");
  EXPECT_FALSE(r.HasValue(kHKEY_CURRENT_USER, kRun, "Same"));
  EXPECT_TRUE(r.HasValue(kHKEY_LOCAL_MACHINE, kRun, "Same"));
  EXPECT_EQ(v->RowCount(), 4);

  // The default value alone, and its backup holds that value alone.
  v->SetSelectedRow(1);
  f.Click(f.w().btRemoveStartup);
  EXPECT_FALSE(r.HasValue(kHKEY_LOCAL_MACHINE, kRun, ""));
  EXPECT_TRUE(r.HasValue(kHKEY_LOCAL_MACHINE, kRun, "Same"));
  const std::string backup = f.File(f.form->LastToolOutcome().file);
  EXPECT_EQ(backup, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + std::string(kRun) +
                        "]\r\n@=\"C:\\\\def.exe\"\r\n");

  // Refused: said so, and the entry is still listed.
  r.DenyDelete(kHKEY_LOCAL_MACHINE, kRun);
  v->SetSelectedRow(0);
  f.Click(f.w().btRemoveStartup);
  EXPECT_EQ(f.LastBox().kind, MessageKind::Error);
  EXPECT_EQ(v->Cell(0, 0), "Same");
  EXPECT_EQ(v->RowCount(), 3);
}

TEST(ToolsUninstall, SortedRowsAndTheRowsOwnKey) {
  ToolsFixture f;
  MemoryRegistry& r = f.mem.registry;
  auto entry = [&](const std::string& key, const char* name, const char* command) {
    if (name) r.SetString(kHKEY_LOCAL_MACHINE, kUninstall + ("\\" + key), "DisplayName", name);
    if (command)
      r.SetString(kHKEY_LOCAL_MACHINE, kUninstall + ("\\" + key), "UninstallString", command);
  };
  entry("k1", "zeta", "z.exe");
  entry("k2", "Alpha", "a.exe");
  entry("k3", "beta", "b.exe");
  entry("k4", "beta", "b.exe");  // a twin of k3
  entry("k5", "NoCommand", nullptr);
  entry("k6", nullptr, "orphan.exe");
  r.SetDword(kHKEY_LOCAL_MACHINE, kUninstall + std::string("\\k7"), "DisplayName", 3);
  r.SetString(kHKEY_CURRENT_USER, kUninstall + std::string("\\u1"), "DisplayName", "User");
  r.SetString(kHKEY_CURRENT_USER, kUninstall + std::string("\\u1"), "UninstallString", "u.exe");
  f.form->ShowAdvancedPage();
  f.form->ShowUninstallManager();
  ReportListView* v = f.w().UninstallListView;
  EXPECT_EQ(f.Column(v, 0), (std::vector<std::string>{"Alpha", "beta", "beta", "zeta"}));
  EXPECT_EQ(f.form->UninstallKeyList(), (std::vector<std::string>{"k2", "k3", "k4", "k1"}));

  v->SetSelectedRow(2);
  f.Click(f.w().RzBitBtn14);
  EXPECT_EQ(f.LastBox().text, kUninstallRemovedText);
  EXPECT_TRUE(r.HasKey(kHKEY_LOCAL_MACHINE, kUninstall + std::string("\\k3")));
  EXPECT_FALSE(r.HasKey(kHKEY_LOCAL_MACHINE, kUninstall + std::string("\\k4")));
  EXPECT_EQ(f.Column(v, 0), (std::vector<std::string>{"Alpha", "beta", "zeta"}));

  // Changed since the fill: nothing deleted. Vanished: counts as removed.
  r.SetString(kHKEY_LOCAL_MACHINE, kUninstall + std::string("\\k1"), "UninstallString", "new");
  v->SetSelectedRow(2);
  f.Click(f.w().RzBitBtn14);
  EXPECT_EQ(f.LastBox().kind, MessageKind::Error);
  EXPECT_TRUE(r.HasKey(kHKEY_LOCAL_MACHINE, kUninstall + std::string("\\k1")));
  v->SetSelectedRow(0);
  TRegistry reg(r);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  reg.DeleteKey(kUninstall + std::string("\\k2"));
  f.Click(f.w().RzBitBtn14);
  EXPECT_EQ(f.LastBox().text, kUninstallRemovedText);
}

TEST(ToolsRemoval, NeverDeletesFromTheRoot) {
  AppFixture f;
  MemoryRegistry& r = f.mem.registry;
  r.CreateKey(kHKEY_LOCAL_MACHINE, "{A1}\\child");
  r.CreateKey(kHKEY_LOCAL_MACHINE, kBho + std::string("\\{A1}"));
  r.DenyOpen(kHKEY_LOCAL_MACHINE, kBho, kKEY_SET_VALUE);  // no write rights on the parent
  const struct { std::string subKey; } cases[] = {{"{A1}"}, {""}, {"..\\{A1}"}};
  for (const auto& c : cases) {
    const RemovalOutcome out = RemoveToolEntry(
        r, f.mem.files, f.mem.system,
        RemovalTarget{kHKEY_LOCAL_MACHINE, std::string("\\") + kBho, true, c.subKey, ""}, false);
    EXPECT_FALSE(out.removed) << c.subKey;
    EXPECT_FALSE(out.error.empty());
  }
  EXPECT_TRUE(r.HasKey(kHKEY_LOCAL_MACHINE, "{A1}\\child"));
  EXPECT_TRUE(r.HasKey(kHKEY_LOCAL_MACHINE, kBho + std::string("\\{A1}")));
  // Without write rights the list still shows what is there.
  EXPECT_EQ(ListBhoEntries(r).size(), 1u);
}

TEST(ToolsExplorerBackup, WrittenListedOrRefusedWhole) {
  ToolsFixture f;
  const std::string ie = "Software\\Microsoft\\Internet Explorer";
  f.mem.registry.SetString(kHKEY_CURRENT_USER, ie + "\\Main", "Start Page", "about:blank");
  f.w().NoteBook->SetPageIndex(kPageAdvanced);
  f.form->ShowExplorerBackup();
  f.Click(f.w().btExplorerBackup);
  EXPECT_EQ(f.LastBox().text, kExplorerBackupDoneText);
  EXPECT_EQ(f.Page(), kPageMain);
  const std::string bytes = f.File(f.form->LastToolOutcome().file);
  EXPECT_EQ(bytes.rfind("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + ie + "]\r\n", 0), 0u);
  EXPECT_NE(bytes.find("\"Start Page\"=\"about:blank\""), std::string::npos);
  TRestoreArray listed = ListBackups(f.mem.system, f.mem.files);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].BackupType, "Explorer Backup");

  // Incomplete export, or a file that cannot be written: no file, no success.
  for (int failure = 0; failure < 2; ++failure) {
    ToolsFixture g;
    g.mem.registry.SetString(kHKEY_CURRENT_USER, ie + "\\Main", "x", "1");
    if (failure == 0) g.mem.registry.DenyOpen(kHKEY_CURRENT_USER, ie + "\\Main", kDELETE);
    if (failure == 1) g.mem.system.SetExecutablePath("D:\\Nowhere\\Corvanta.exe");
    g.w().NoteBook->SetPageIndex(kPageAdvanced);
    g.Click(g.w().btExplorerBackup);
    EXPECT_EQ(g.LastBox().kind, MessageKind::Error);
    EXPECT_EQ(g.Page(), kPageAdvanced);
    EXPECT_TRUE(ListBackups(g.mem.system, g.mem.files).empty());
  }
}

}  // namespace
}  // namespace corvanta
