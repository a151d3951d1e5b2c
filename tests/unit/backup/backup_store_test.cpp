#include "backup/backup_store.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/widget_pages.h"
#include "backup/restore.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_system.h"
#include "ui/headless/headless_ui.h"

namespace corvanta {
namespace {

TEST(BackupFileName, FixedSeparatorsAndTwoDigitFields) {
  LocalDateTime t;
  t.year = 2007;
  t.month = 3;
  t.day = 5;
  t.hour = 14;
  t.minute = 7;
  t.second = 9;
  EXPECT_EQ(BackupFileName(kAutomaticBackupPrefix, t), "Automatic Backup_03-05-2007_14-07-09.reg");
  t.hour = 0;
  t.minute = 0;
  t.second = 0;
  EXPECT_EQ(BackupFileName(kFullBackupPrefix, t), "Full Registry Backup_03-05-2007_00-00-00.reg");
}

TEST(ParseRestoreRecord, FamiliesAndOddNames) {
  TRestoreRecord r = ParseRestoreRecord("Explorer Backup_12-07-2026_02-20-51.reg");
  EXPECT_EQ(r.FileName, "Explorer Backup_12-07-2026_02-20-51.reg");
  EXPECT_EQ(r.BackupType, "Explorer Backup");
  EXPECT_EQ(r.DateText, "12/07/2026");
  EXPECT_EQ(r.TimeText, "02:20:51");
  EXPECT_EQ(RestoreRowDateTime(r), "12/07/2026 - 02:20:51");

  EXPECT_EQ(ParseRestoreRecord("Automatic Backup_03-05-2007_14-07-09.reg").BackupType,
            "Automatic Backup");
  EXPECT_EQ(ParseRestoreRecord("Full Registry Backup_03-05-2007_14-07-09.reg").BackupType,
            "Full Registry Backup");

  r = ParseRestoreRecord("plain-name.reg");
  EXPECT_EQ(r.BackupType, "");
  EXPECT_EQ(r.DateText, "");
  EXPECT_EQ(RestoreRowDateTime(r), " - plain:name");

  r = ParseRestoreRecord("Automatic Backup_01-02-2003_04-05-06.REG");
  EXPECT_EQ(r.TimeText, "04:05:06");

  r = ParseRestoreRecord("A_01-02-2003_x_y.Reg.reg");
  EXPECT_EQ(r.DateText, "01/02/2003");
  EXPECT_EQ(r.TimeText, "x_y");

  r = ParseRestoreRecord("Type_only.reg");
  EXPECT_EQ(r.BackupType, "Type");
  EXPECT_EQ(r.DateText, "");
  EXPECT_EQ(r.TimeText, "only");
}

TEST(BackupFolder, BesideTheExecutableCreatedOnceAndListed) {
  MemorySystem system;
  MemoryFileSystem files;
  system.SetExecutablePath("C:\\Prog\\Corvanta.exe");
  files.AddFolder("C:\\Prog");
  EXPECT_EQ(BackupFolder(system), "C:\\Prog\\Backup\\");
  EXPECT_TRUE(ListBackups(system, files).empty());

  EnsureBackupFolder(system, files);
  EXPECT_TRUE(files.DirectoryExists("C:\\Prog\\Backup"));
  files.AddFile("C:\\Prog\\Backup\\keep.txt");
  EnsureBackupFolder(system, files);  // an existing folder is left alone
  EXPECT_TRUE(files.FileExists("C:\\Prog\\Backup\\keep.txt"));

  files.AddFile("C:\\Prog\\Backup\\Automatic Backup_03-05-2007_14-07-09.reg");
  files.AddFile("C:\\Prog\\Backup\\HIDDEN_01-01-2001_01-01-01.REG", "", faHidden);
  files.AddFolder("C:\\Prog\\Backup\\Dir_02-02-2002_02-02-02.reg");
  int pumps = 0;
  const TRestoreArray list = ListBackups(system, files, [&pumps] { ++pumps; });
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(pumps, 3);
  for (const TRestoreRecord& r : list) EXPECT_NE(r.FileName, "keep.txt");
  EXPECT_EQ(list[0].BackupType, ParseRestoreRecord(list[0].FileName).BackupType);
}

TEST(RebuildRestoreList, FillsTheBackupPageOnlyWhenItIsShown) {
  MemorySystem system;
  MemoryFileSystem files;
  HeadlessUi ui;
  MainWindowView& m = ui.View().main;
  TRestoreArray list;
  WidgetBackupListPage page(ui.View());
  system.SetExecutablePath("C:\\Prog\\Corvanta.exe");
  files.AddFile("C:\\Prog\\Backup\\Explorer Backup_12-07-2026_02-20-51.reg");
  files.AddFile("C:\\Prog\\Backup\\notes.txt");

  m.NoteBook->SetPageIndex(5);
  m.BackupNotebook->SetPageIndex(1);
  RebuildRestoreList(page, system, files, list);
  EXPECT_EQ(m.BackupNotebook->PageIndex(), 0);
  ASSERT_EQ(list.size(), 1u);
  ASSERT_EQ(m.RestoreListView->RowCount(), 1);
  EXPECT_EQ(m.RestoreListView->Cell(0, 0), "Explorer Backup");
  EXPECT_EQ(m.RestoreListView->Cell(0, 1), "12/07/2026 - 02:20:51");

  m.NoteBook->SetPageIndex(0);
  RebuildRestoreList(page, system, files, list);
  EXPECT_EQ(m.RestoreListView->RowCount(), 0);
  EXPECT_EQ(list.size(), 1u);  // kept until the next rebuild
}

// The page shown while a rebuild pumps runs a rebuild inside it: each backup
// is still listed once.
TEST(RebuildRestoreList, ARebuildInsideAnotherListsEachBackupOnce) {
  struct NestingPage : WidgetBackupListPage {
    using WidgetBackupListPage::WidgetBackupListPage;
    std::function<void()> pump;
    void ProcessMessages() override {
      std::function<void()> once = pump;
      pump = nullptr;
      if (once) once();
    }
  };
  MemorySystem system;
  MemoryFileSystem files;
  HeadlessUi ui;
  TRestoreArray list;
  NestingPage page(ui.View());
  system.SetExecutablePath("C:\\Prog\\Corvanta.exe");
  files.AddFile("C:\\Prog\\Backup\\Automatic Backup_12-09-2026_09-19-23.reg");
  ui.View().main.NoteBook->SetPageIndex(5);
  page.pump = [&] { RebuildRestoreList(page, system, files, list); };
  RebuildRestoreList(page, system, files, list);
  EXPECT_EQ(ui.View().main.RestoreListView->RowCount(), 1);
}

}  // namespace
}  // namespace corvanta

namespace corvanta {
namespace {

// A copy found in the backup stands for the shortcut only when it is the
// same file: a partial or foreign one must not let the repair delete it.
TEST(CopyShortcutIntoBackup, AnExistingCopyCountsOnlyWhenEqual) {
  MemoryFileSystem files;
  files.AddFile("C:\\Menu\\a.lnk", "link bytes");
  const std::string copies = "C:\\Backup\\Automatic Backup_x_files";
  files.AddFile(ShortcutCopyPath(copies, "C:\\Menu\\a.lnk"), "link");
  EXPECT_FALSE(CopyShortcutIntoBackup(files, copies, "C:\\Menu\\a.lnk"));
  files.WriteWholeFile(ShortcutCopyPath(copies, "C:\\Menu\\a.lnk"), "link bytes");
  EXPECT_TRUE(CopyShortcutIntoBackup(files, copies, "C:\\Menu\\a.lnk"));
}

}  // namespace
}  // namespace corvanta
