// The backup page's handlers over the memory platform: the texts and boxes,
// the editor's command lines, and that only a verified outcome is reported.
#include <gtest/gtest.h>

#include "backup/reg_export.h"
#include "backup/restore.h"
#include "platform/registry.h"
#include "support/app_fixture.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

using testing::AppFixture;

const char kFolder[] = "C:\\Program Files\\Corvanta\\Backup\\";
const char kAuto[] = "Automatic Backup_12-08-2026_09-21-19.reg";
const char kAutoFile[] =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Gone]\r\n\"Path\"=\"C:\\\\gone.exe\"\r\n";

// Plays the registry editor: an import adds what the file names, an export
// writes a small version 5 file. `works` false: it runs and does nothing.
struct FakeEditor {
  MemoryPlatform& mem;
  bool works = true;
  void Install() {
    mem.process.SetBehaviour([this](const std::string&, const std::string& params) {
      ProcessOutcome done;
      done.end = ProcessOutcome::End::Exited;
      const std::size_t q = params.find('"');
      const std::string file = params.substr(q + 1, params.size() - q - 2);
      if (!works) return done;
      if (params.compare(0, 3, "/S ") == 0) {
        std::string bytes;
        mem.files.ReadWholeFile(file, &bytes);
        for (const RegFileEntry& e : ReadRegFileEntries(bytes)) {
          const std::string path = e.keyPath.empty() ? "" : e.keyPath.substr(1);
          // The editor writes what the file holds: the restore checks it.
          if (e.isValue)
            mem.registry.SetRaw(e.root, path, e.valueName, e.type, e.data);
          else
            mem.registry.CreateKey(e.root, path);
        }
      } else if (params.compare(0, 3, "/E ") == 0) {
        std::string bytes = "\xFF\xFE";
        for (char c : std::string("Windows Registry Editor Version 5.00\r\n"))
          bytes += std::string(1, c) + '\0';
        mem.files.WriteWholeFile(file, bytes);
      }
      return done;
    });
  }
};

void DropGone(MemoryPlatform& mem) {
  TRegistry reg(mem.registry);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  reg.DeleteKey("\\Software\\Gone");
}

struct BackupPage : AppFixture {
  FakeEditor editor{mem};
  BackupPage() {
    mem.files.AddFolder("C:\\Program Files\\Corvanta");
    editor.Install();
    Create();
  }
  void Enter() { form->ShowbackupPage(); }
  int Row(const std::string& fileName) {
    const TRestoreArray& list = form->RestoreList();
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i].FileName == fileName) return static_cast<int>(i);
    return -1;
  }
  void Press(Button* b) { ui.H(b).Press(); }
  const HeadlessApplication::ShownBox& LastBox() { return app().Boxes().back(); }
};

TEST(BackupPageTest, PanesSelectionRequestsAndDelete) {
  BackupPage t;
  for (const char* name :
       {kAuto, "noname.reg", "A_01-01-2001_10-00-00.reg.reg", "A_01-01-2001_10-00-00.reg"})
    t.mem.files.AddFile(std::string(kFolder) + name, kAutoFile);
  t.Enter();
  MainWindowView& m = t.w();
  ASSERT_EQ(m.RestoreListView->RowCount(), 4);

  t.ui.H(m.BackupGroup).ClickItem(1);
  EXPECT_EQ(m.BackupNotebook->PageIndex(), 1);
  t.ui.H(m.BackupGroup).ClickItem(0);
  EXPECT_EQ(m.BackupNotebook->PageIndex(), 0);

  // Nothing selected: each button asks for a selection and does nothing else.
  t.Press(m.btRestore);
  EXPECT_EQ(t.LastBox().kind, MessageKind::Error);
  EXPECT_EQ(t.LastBox().text, "Please select the backup file you want to restore");
  t.Press(m.btDeleteBackup);
  EXPECT_EQ(t.LastBox().text, "Please select the backup file you want to delete");
  EXPECT_TRUE(t.mem.process.calls().empty());

  // Cancel keeps the file; the question names type, date and time.
  m.RestoreListView->SetSelectedRow(t.Row(kAuto));
  t.app().QueueAnswer(ModalResult::Cancel);
  t.Press(m.btDeleteBackup);
  EXPECT_EQ(t.LastBox().kind, MessageKind::Information);
  EXPECT_EQ(t.LastBox().buttons, MessageButtons::YesCancel);
  EXPECT_EQ(t.LastBox().text,
            "Are you sure you want to delete the backup \"Automatic Backup 12/08/2026 09:21:19\"");
  EXPECT_TRUE(t.mem.files.FileExists(std::string(kFolder) + kAuto));
  EXPECT_EQ(m.RestoreListView->RowCount(), 4);

  // The row's own file is deleted, not one rebuilt from its parts: a name
  // without "_", and "....reg.reg" beside the "....reg" it would map to.
  for (const char* name : {"noname.reg", "A_01-01-2001_10-00-00.reg.reg"}) {
    m.RestoreListView->SetSelectedRow(t.Row(name));
    t.app().QueueAnswer(ModalResult::Yes);
    t.Press(m.btDeleteBackup);
    EXPECT_FALSE(t.mem.files.FileExists(std::string(kFolder) + name)) << name;
    EXPECT_EQ(t.Row(name), -1);
    EXPECT_EQ(m.RestoreListView->SelectedRow(), -1);
  }
  EXPECT_TRUE(t.mem.files.FileExists(std::string(kFolder) + "A_01-01-2001_10-00-00.reg"));
  EXPECT_EQ(m.RestoreListView->RowCount(), 2);

  // A file in use stays, and so does the list.
  t.mem.files.LockFile(std::string(kFolder) + kAuto);
  m.RestoreListView->SetSelectedRow(t.Row(kAuto));
  t.app().QueueAnswer(ModalResult::Yes);
  t.Press(m.btDeleteBackup);
  EXPECT_EQ(t.LastBox().kind, MessageKind::Error);
  EXPECT_EQ(t.LastBox().text, "Could not delete backup file. It may be in use by another program.");
  EXPECT_EQ(m.RestoreListView->RowCount(), 2);
}

TEST(BackupPageTest, RestoreReportsOnlyAVerifiedImport) {
  BackupPage t;
  MainWindowView& m = t.w();
  t.mem.files.AddFile(std::string(kFolder) + kAuto, kAutoFile);
  t.mem.files.AddFile(std::string(kFolder) + "Note_01-01-2001_01-01-01.reg", "just text");
  t.Enter();

  // While the editor runs the page is inert and a status window is up.
  bool inertDuringRun = false;
  t.mem.process.SetPumpsPerRun(2);
  t.app().EveryPump([&] {
    if (!t.mem.process.calls().empty() && t.ui.H(t.ui.View().repairStatus.window).Visible()) {
      inertDuringRun = !m.btRestore->Enabled() && !m.btBackupBack->Enabled();
      t.Press(m.btRestore);
    }
  });
  m.RestoreListView->SetSelectedRow(t.Row(kAuto));
  t.Press(m.btRestore);
  t.app().EveryPump(nullptr);
  EXPECT_TRUE(inertDuringRun);
  ASSERT_EQ(t.mem.process.calls().size(), 1u);
  EXPECT_EQ(t.mem.process.calls()[0].program, "C:\\WINDOWS\\regedit.exe");
  EXPECT_EQ(t.mem.process.calls()[0].params, std::string("/S \"") + kFolder + kAuto + "\"");
  EXPECT_EQ(t.LastBox().kind, MessageKind::Information);
  EXPECT_EQ(t.LastBox().text, kRestoreSuccessText);
  EXPECT_TRUE(m.btRestore->Enabled());

  struct Case {
    const char* what;
    std::function<void()> arrange;
    const char* file;
    const char* errorPart;
    bool editorStarted;
  } cases[] = {
      {"editor does nothing", [&] { t.editor.works = false; }, kAuto,
       "HKEY_LOCAL_MACHINE\\Software\\Gone", true},
      {"launch fails",
       [&] {
         t.mem.process.SetBehaviour([](const std::string&, const std::string&) {
           ProcessOutcome o;
           o.error = "Access is denied.";
           return o;
         });
       },
       kAuto, "Access is denied.", true},
      {"not a registry file", [] {}, "Note_01-01-2001_01-01-01.reg", "is not a registry file",
       false},
      {"no editor", [&] { t.mem.process.SetRegistryEditorPath(""); }, kAuto,
       "(regedit.exe) was not found", false},
  };
  for (const Case& c : cases) {
    DropGone(t.mem);
    const std::size_t before = t.mem.process.calls().size();
    c.arrange();
    m.RestoreListView->SetSelectedRow(t.Row(c.file));
    t.Press(m.btRestore);
    EXPECT_EQ(t.LastBox().kind, MessageKind::Error) << c.what;
    EXPECT_NE(t.LastBox().text.find(c.errorPart), std::string::npos)
        << c.what << ": " << t.LastBox().text;
    EXPECT_EQ(t.mem.process.calls().size() - before, c.editorStarted ? 1u : 0u) << c.what;
  }
}

TEST(BackupPageTest, FullBackupShowsThePathThenVerifiesTheFile) {
  BackupPage t;
  MainWindowView& m = t.w();
  t.Enter();
  t.ui.H(m.BackupGroup).ClickItem(1);
  t.Press(m.btCreateFullBackup);
  t.Press(m.btCreateFullBackup);  // within the same second
  const auto& boxes = t.app().Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].kind, MessageKind::Plain);
  EXPECT_EQ(boxes[0].text.rfind(std::string(kFolder) + "Full Registry Backup_", 0), 0u);
  EXPECT_EQ(boxes[1].text, kFullBackupSuccessText);
  EXPECT_NE(boxes[2].text, boxes[0].text);  // no full backup replaces another
  ASSERT_EQ(t.mem.process.calls().size(), 2u);
  EXPECT_EQ(t.mem.process.calls()[0].params, "/E \"" + boxes[0].text + "\"");
  EXPECT_TRUE(t.mem.files.FileExists(boxes[2].text));
  EXPECT_EQ(m.RestoreListView->RowCount(), 0);  // listed on the next visit only

  // An editor that writes nothing: an error and no file left behind.
  t.editor.works = false;
  t.Press(m.btCreateFullBackup);
  EXPECT_EQ(t.LastBox().kind, MessageKind::Error);
  EXPECT_NE(t.LastBox().text.find("did not write"), std::string::npos);
  EXPECT_EQ(t.mem.files.FindFiles(std::string(kFolder) + "*.reg", faAnyFile).size(), 2u);

  // "Backup" is a file: nothing is started.
  BackupPage u;
  u.mem.files.AddFile("C:\\Program Files\\Corvanta\\Backup", "x");
  u.Enter();
  u.Press(u.w().btCreateFullBackup);
  EXPECT_EQ(u.app().Boxes().size(), 1u);
  EXPECT_EQ(u.LastBox().kind, MessageKind::Error);
  EXPECT_TRUE(u.mem.process.calls().empty());
}

TEST(RegFileEntries, KeysAndValuesOfBothFormats) {
  const std::string v4 =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n@=\"d\"\r\n"
      "\"q \\\"x\\\" \\\\y\"=dword:00000001\r\n\"gone\"=-\r\n\"bin\"=hex:01,\\\r\n  02\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Deleted]\r\n\"skipped\"=\"1\"\r\n"
      "[HKEY_NOWHERE\\X]\r\n[HKEY_CLASSES_ROOT]\r\n";
  std::vector<RegFileEntry> e = ReadRegFileEntries(v4);
  std::vector<std::string> got;
  for (const RegFileEntry& x : e) got.push_back(DescribeEntry(x));
  EXPECT_EQ(got, (std::vector<std::string>{
                     "HKEY_CURRENT_USER\\Software\\A", "HKEY_CURRENT_USER\\Software\\A\\\"\"",
                     "HKEY_CURRENT_USER\\Software\\A\\\"q \"x\" \\y\"",
                     "HKEY_CURRENT_USER\\Software\\A\\\"bin\"", "HKEY_CLASSES_ROOT"}));

  // Version 5 is UTF-16LE; every line is read, into UTF-8.
  auto wide = [](const std::u16string& s) {
    std::string b = "\xFF\xFE";
    for (char16_t c : s) b += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return b;
  };
  e =
      ReadRegFileEntries(wide(u"Windows Registry Editor Version 5.00\r\n\r\n"
                              u"[HKEY_LOCAL_MACHINE\\Software\\Plain]\r\n\"v\u00e9\"=\"1\"\r\n"
                              u"[HKEY_LOCAL_MACHINE\\Software\\\u4e2d]\r\n\"w\"=\"1\"\r\n"));
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].keyPath, "\\Software\\Plain");
  EXPECT_EQ(e[1].valueName, "v\xC3\xA9");
  EXPECT_EQ(e[2].keyPath, "\\Software\\\xE4\xB8\xAD");
  EXPECT_EQ(DetectRegFileFormat("REGEDIT5"), RegFileFormat::Unknown);
}

TEST(ShortcutCopies, RepairCopiesRestorePutsBackDeleteRemoves) {
  BackupPage t;
  MainWindowView& m = t.w();
  m.cbBackup->SetChecked(true);
  m.cbSysRestore->SetChecked(false);
  const std::string link = "C:\\Documents and Settings\\All Users\\Start Menu\\Old\\App.lnk";
  const std::string held = "D:\\Links\\held.lnk";
  t.mem.files.AddFile(link, "LINK");
  t.mem.files.AddFile(held, "LINK2");
  TRegRecord a;
  a.Kind = kKindFile;
  a.KeyPath = link;
  TRegRecord b = a;
  b.KeyPath = held;
  t.form->ProblemList() = {a, b};
  // The second copy's folder cannot be made: that shortcut must stay.
  t.mem.files.AddFile(std::string(kFolder) + "Automatic Backup_12-07-2026_02-20-51_files\\D",
                      "in the way");
  t.mem.system.SetNow({2026, 12, 7, 2, 20, 51, 0});
  t.Press(m.btRepair);
  const std::string copies = std::string(kFolder) + "Automatic Backup_12-07-2026_02-20-51_files";
  EXPECT_TRUE(t.mem.files.FileExists(copies + "\\C\\Documents and Settings\\All Users\\Start "
                                              "Menu\\Old\\App.lnk"));
  EXPECT_FALSE(t.mem.files.FileExists(link));
  EXPECT_TRUE(t.mem.files.FileExists(held));
  EXPECT_EQ(m.lbLeft->Caption(), "1");

  // Restore: the shortcut and its folder come back; one that exists again
  // is left alone.
  RemoveFolderTree(t.mem.files, "C:\\Documents and Settings\\All Users\\Start Menu\\Old");
  t.Enter();
  m.RestoreListView->SetSelectedRow(0);
  t.Press(m.btRestore);
  EXPECT_EQ(t.LastBox().text,
            std::string(kRestoreSuccessText) + "\r\n\r\n1 shortcut was put back.");
  std::string bytes;
  EXPECT_TRUE(t.mem.files.ReadWholeFile(link, &bytes));
  EXPECT_EQ(bytes, "LINK");
  t.Press(m.btRestore);
  EXPECT_NE(t.LastBox().text.find("1 shortcut was left alone"), std::string::npos);

  // Deleting the backup deletes its copies too.
  t.app().QueueAnswer(ModalResult::Yes);
  t.Press(m.btDeleteBackup);
  EXPECT_EQ(t.mem.files.GetAttributes(copies), kInvalidAttributes);
  EXPECT_EQ(m.RestoreListView->RowCount(), 0);
}

TEST(CliBackups, ListRestoreDeleteFullAndBadNames) {
  testing::CliFixture cli;
  FakeEditor editor{cli.mem};
  editor.Install();
  cli.mem.files.AddFile(std::string(kFolder) + kAuto, kAutoFile);

  EXPECT_EQ(cli({"backups", "list", "--json"}), kExitDone);
  EXPECT_EQ(cli.out,
            "{\"folder\":\"C:\\\\Program Files\\\\Corvanta\\\\Backup\\\\\",\"backups\":[{"
            "\"fileName\":\"Automatic Backup_12-08-2026_09-21-19.reg\",\"type\":\"Automatic "
            "Backup\",\"date\":\"12/08/2026\",\"time\":\"09:21:19\"}]}\n");

  for (const char* bad : {"..\\x.reg", "a/b.reg", "..", "missing.reg"}) {
    EXPECT_EQ(cli({"backups", "restore", bad}), kExitUsage) << bad;
    EXPECT_EQ(cli({"backups", "delete", bad}), kExitUsage) << bad;
  }
  EXPECT_TRUE(cli.mem.process.calls().empty());

  EXPECT_EQ(cli({"backups", "restore", kAuto, "--json"}), kExitDone) << cli.err;
  EXPECT_NE(cli.out.find("\"restored\":true,\"entries\":2"), std::string::npos) << cli.out;
  editor.works = false;
  DropGone(cli.mem);
  EXPECT_EQ(cli({"backups", "restore", kAuto}), kExitFailed);
  EXPECT_NE(cli.err.find("Software\\Gone"), std::string::npos);

  EXPECT_EQ(cli({"backups", "full"}), kExitFailed);  // the editor wrote nothing
  editor.works = true;
  EXPECT_EQ(cli({"backups", "full", "--json"}), kExitDone);
  EXPECT_EQ(cli.out.rfind("{\"file\":\"C:\\\\Program Files\\\\Corvanta\\\\Backup\\\\Full Registry "
                          "Backup_",
                          0),
            0u);

  EXPECT_EQ(cli({"backups", "delete", kAuto}), kExitDone);
  EXPECT_FALSE(cli.mem.files.FileExists(std::string(kFolder) + kAuto));
  EXPECT_EQ(cli({"backups", "frobnicate"}), kExitUsage);
}

}  // namespace
}  // namespace corvanta
