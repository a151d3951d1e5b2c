// The advanced tools over the real registry and files of the test prefix:
// a helper object with a real version resource, startup entries under both roots, uninstall rows
// and their twins, and the Internet Explorer backup through the registry editor.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/main.h"
#include "backup/backup_store.h"
#include "backup/reg_export.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "tools/advanced_tools.h"
#include "ui/headless/headless_ui.h"
#include "wine/ports_scratch.h"
#include "wine/regedit_import.h"

namespace corvanta {
namespace {

const char kProgramFolder[] = "C:\\corvanta-tools\\";

// The Win32 platform with the program's folder moved into the prefix.
struct ToolsApp {
  Win32Platform w;
  wine::FolderSystem system{kProgramFolder};
  Platform platform = w.WithSystem(system);
  HeadlessUi ui;
  TForm1 form{platform, ui.View()};
  MainWindowView& m() { return ui.View().main; }
  ToolsApp() {
    w.files.MakeDirectory("C:\\corvanta-tools");
    m().cbBackup->SetChecked(true);
    form.ShowAdvancedPage();
  }
  int RowOf(ReportListView* v, const std::string& caption, const std::string& second) {
    for (int i = 0; i < v->RowCount(); ++i)
      if (v->Cell(i, 0) == caption && v->Cell(i, 1) == second) return i;
    return -1;
  }
};

// reg.exe's exit code for "reg query KEY /v NAME": 0 when the value exists.
DWORD RegQuery(const std::string& key, const std::string& value) {
  return testing::RunChild("reg.exe query \"" + key + "\" /v \"" + value + "\"", 60000, nullptr,
                           true);
}

// The test DLL built beside this binary.
std::string TestDllPath() {
  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  return path.substr(0, path.find_last_of('\\') + 1) + "corvanta_test_bho.dll";
}

TEST(ToolsWine, BhoWithARealVersionResourceShownRemovedAndRestored) {
  Win32Registry api;
  TRegistry seed(api);
  const std::string dll = TestDllPath();
  ASSERT_NE(GetFileAttributesA(dll.c_str()), INVALID_FILE_ATTRIBUTES) << dll;
  const std::string real = "{C0E7A1A0-0000-4000-8000-000000000001}";
  const std::string noProgId = "{C0E7A1A0-0000-4000-8000-000000000002}";
  const std::string binary = "{C0E7A1A0-0000-4000-8000-000000000003}";
  const std::string bhoKey = std::string(kBhoKeyPath) + "\\";
  for (const std::string& id : {real, noProgId, binary}) {
    seed.SetRootKey(kHKEY_LOCAL_MACHINE);
    ASSERT_TRUE(seed.OpenKey(bhoKey + id, true));
    seed.SetRootKey(kHKEY_CLASSES_ROOT);
    ASSERT_TRUE(seed.OpenKey("\\CLSID\\" + id + "\\InProcServer32", true));
    seed.WriteString("", id == real ? dll : "C:\\windows\\none.dll");
  }
  ASSERT_TRUE(seed.OpenKey("\\CLSID\\" + real + "\\ProgID", true));
  seed.WriteString("", "Corvanta.TestHelper");
  ASSERT_TRUE(seed.OpenKey("\\CLSID\\" + binary + "\\ProgID", true));
  seed.WriteBinaryData("", {1, 2, 3});
  seed.CloseKey();

  ToolsApp app;
  app.form.ShowBHO();
  ReportListView* v = app.m().BhoListView;
  const int row = app.RowOf(v, "Corvanta.TestHelper", dll);
  ASSERT_GE(row, 0);
  EXPECT_GE(app.RowOf(v, kBhoNoNameText, "C:\\windows\\none.dll"), 0);
  int unnamed = 0;
  for (int i = 0; i < v->RowCount(); ++i)
    unnamed += v->Cell(i, 0) == kBhoNoNameText && v->Cell(i, 1) == "C:\\windows\\none.dll";
  EXPECT_EQ(unnamed, 2);  // no ProgID, and a ProgID that is not text
  EXPECT_TRUE(app.ui.App().Boxes().empty());

  v->SetSelectedRow(row);
  EXPECT_EQ(app.m().bhoFileName->Caption(), "testbho (Version: 2.5.0.7)");
  EXPECT_EQ(app.m().bhoProductName->Caption(), "Test Helper (Version: 2.5)");
  EXPECT_EQ(app.m().bhoDescription->Caption(), "Test helper object");
  EXPECT_EQ(app.m().bhoCompany->Caption(), "Test Maker");

  app.m().btRemoveBho->OnClick();
  EXPECT_EQ(app.ui.App().Boxes().back().text, kBhoRemovedText);
  seed.SetRootKey(kHKEY_LOCAL_MACHINE);
  EXPECT_FALSE(seed.KeyExists(bhoKey + real));
  EXPECT_EQ(app.RowOf(v, "Corvanta.TestHelper", dll), -1);
  seed.SetRootKey(kHKEY_CLASSES_ROOT);
  EXPECT_TRUE(seed.KeyExists("\\CLSID\\" + real + "\\InProcServer32"));

  const std::string backup = app.form.LastToolOutcome().file;
  ASSERT_EQ(testing::ImportWithRegedit(backup), 0u);
  seed.SetRootKey(kHKEY_LOCAL_MACHINE);
  EXPECT_TRUE(seed.KeyExists(bhoKey + real));
  for (const std::string& id : {real, noProgId, binary}) {
    seed.SetRootKey(kHKEY_LOCAL_MACHINE);
    seed.DeleteKey(bhoKey + id);
    seed.SetRootKey(kHKEY_CLASSES_ROOT);
    seed.DeleteKey("\\CLSID\\" + id);
  }
  app.w.files.RemoveFile(backup);
}

TEST(ToolsWine, StartupSameNameUnderBothRootsOnlyTheChosenOneGoes) {
  Win32Registry api;
  TRegistry seed(api);
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (std::uint32_t root : {kHKEY_LOCAL_MACHINE, kHKEY_CURRENT_USER}) {
    seed.SetRootKey(root);
    ASSERT_TRUE(seed.OpenKey("\\" + run, true));
    seed.WriteString("CorvantaTwin", root == kHKEY_LOCAL_MACHINE ? "C:\\m.exe" : "C:\\u.exe");
    seed.CloseKey();
  }
  ToolsApp app;
  app.form.ShowStartupManager();
  ReportListView* v = app.m().StartupListView;
  const int machine = app.RowOf(v, "CorvantaTwin", "C:\\m.exe");
  const int user = app.RowOf(v, "CorvantaTwin", "C:\\u.exe");
  ASSERT_GE(machine, 0);
  ASSERT_GT(user, machine);
  v->SetSelectedRow(user);
  app.m().btRemoveStartup->OnClick();
  EXPECT_EQ(app.ui.App().Boxes().back().text, kStartupRemovedText);
  EXPECT_NE(RegQuery("HKCU\\" + run, "CorvantaTwin"), 0u);
  EXPECT_EQ(RegQuery("HKLM\\" + run, "CorvantaTwin"), 0u);
  EXPECT_EQ(app.RowOf(v, "CorvantaTwin", "C:\\u.exe"), -1);

  // The backup brings it back.
  ASSERT_FALSE(app.form.LastToolOutcome().file.empty());
  ASSERT_EQ(testing::ImportWithRegedit(app.form.LastToolOutcome().file), 0u);
  EXPECT_EQ(RegQuery("HKCU\\" + run, "CorvantaTwin"), 0u);
  for (std::uint32_t root : {kHKEY_LOCAL_MACHINE, kHKEY_CURRENT_USER}) {
    seed.SetRootKey(root);
    if (seed.OpenKey("\\" + run, false)) seed.DeleteValue("CorvantaTwin");
    seed.CloseKey();
  }
  app.w.files.RemoveFile(app.form.LastToolOutcome().file);
}

TEST(ToolsWine, UninstallRowsSortedAndTwinsRemovedOneByOne) {
  Win32Registry api;
  TRegistry seed(api);
  seed.SetRootKey(kHKEY_LOCAL_MACHINE);
  const std::string base = std::string(kUninstallKeyPath) + "\\CorvantaTest";
  const struct {
    const char* key;
    const char* name;
  } entries[] = {{"1", "corvanta zeta"},
                 {"2", "Corvanta Alpha"},
                 {"3", "corvanta beta"},
                 {"4", "corvanta beta"}};
  for (const auto& e : entries) {
    ASSERT_TRUE(seed.OpenKey(base + e.key, true));
    seed.WriteString("DisplayName", e.name);
    seed.WriteString("UninstallString", "C:\\twin.exe");
  }
  seed.CloseKey();
  ToolsApp app;
  app.form.ShowUninstallManager();
  ReportListView* v = app.m().UninstallListView;
  std::vector<std::string> ours;
  for (int i = 0; i < v->RowCount(); ++i)
    if (v->Cell(i, 1) == "C:\\twin.exe") ours.push_back(v->Cell(i, 0));
  EXPECT_EQ(ours, (std::vector<std::string>{"Corvanta Alpha", "corvanta beta", "corvanta beta",
                                            "corvanta zeta"}));
  for (int i = 1; i < v->RowCount(); ++i)
    EXPECT_LE(lstrcmpA(v->Cell(i - 1, 0).c_str(), v->Cell(i, 0).c_str()), 0);

  const int first = app.RowOf(v, "corvanta beta", "C:\\twin.exe");
  ASSERT_GE(first, 0);
  const std::string key = app.form.UninstallKeyList()[first];
  v->SetSelectedRow(first);
  app.m().RzBitBtn14->OnClick();
  EXPECT_EQ(app.ui.App().Boxes().back().text, kUninstallRemovedText);
  EXPECT_FALSE(seed.KeyExists("\\" + std::string(kUninstallKeyPath) + "\\" + key));
  EXPECT_TRUE(seed.KeyExists(base + (key == "CorvantaTest3" ? "4" : "3")));
  EXPECT_GE(app.RowOf(v, "corvanta beta", "C:\\twin.exe"), 0);
  for (const auto& e : entries) seed.DeleteKey(base + e.key);
  app.w.files.RemoveFile(app.form.LastToolOutcome().file);
}

TEST(ToolsWine, ExplorerBackupListedAndRoundTripsThroughTheEditor) {
  Win32Registry api;
  TRegistry seed(api);
  seed.SetRootKey(kHKEY_CURRENT_USER);
  ASSERT_TRUE(seed.OpenKey(std::string(kExplorerKeyPath) + "\\CorvantaTest", true));
  seed.WriteString("Start Page", "http://example.invalid/\"quoted\"\\");
  seed.WriteInteger("Count", 7);
  seed.WriteBinaryData("Blob", std::vector<std::uint8_t>(30, 0xAB));
  seed.CloseKey();
  ToolsApp app;
  app.m().NoteBook->SetPageIndex(kPageAdvanced);
  app.form.ShowExplorerBackup();
  app.m().btExplorerBackup->OnClick();
  ASSERT_EQ(app.ui.App().Boxes().back().text, kExplorerBackupDoneText);
  EXPECT_EQ(app.m().NoteBook->PageIndex(), kPageMain);
  const std::string file = app.form.LastToolOutcome().file;
  std::string saved;
  ASSERT_TRUE(app.w.files.ReadWholeFile(file, &saved));

  // Listed on the backup page.
  app.form.ShowbackupPage();
  bool listed = false;
  for (std::size_t i = 0; i < app.form.RestoreList().size(); ++i)
    listed |= app.m().RestoreListView->Cell(static_cast<int>(i), 0) == "Explorer Backup" &&
              file == BackupFolder(app.system) + app.form.RestoreList()[i].FileName;
  EXPECT_TRUE(listed);

  // Our key deleted, then imported back: exported again byte for byte.
  seed.DeleteKey(std::string(kExplorerKeyPath) + "\\CorvantaTest");
  ASSERT_EQ(testing::ImportWithRegedit(file), 0u);
  std::vector<std::string> again{kRegEditHeader};
  ASSERT_TRUE(ExportRegKey(api, kHKEY_CURRENT_USER, kExplorerKeyPath, "", again));
  EXPECT_EQ(JoinRegLines(again), saved);
  seed.DeleteKey(std::string(kExplorerKeyPath) + "\\CorvantaTest");
  app.w.files.RemoveFile(file);
}

}  // namespace
}  // namespace corvanta
