// The backup page and `corvanta-cli backups` over the real registry, files and
// registry editor of the test prefix: a repair's backup restores keys and
// shortcuts, a full backup is a real export, and failures are reported.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/main.h"
#include "backup/backup_store.h"
#include "backup/reg_export.h"
#include "backup/restore.h"
#include "cli/cli.h"
#include "platform/registry.h"
#include "platform/text_convert.h"
#include "platform/win32/win32_platform.h"
#include "ui/headless/headless_ui.h"
#include "wine/child_process.h"
#include "wine/ports_scratch.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKCU = kHKEY_CURRENT_USER;
const char kBranch[] = "\\Software\\CorvantaTest\\Backups";

struct RealApp {
  Win32Platform win;
  wine::FolderSystem system{""};
  Platform platform = win.WithSystem(system);
  HeadlessUi ui;
  std::unique_ptr<TForm1> form;
  explicit RealApp(const std::string& folder) {
    system.SetFolder(folder + "\\");
    form = std::make_unique<TForm1>(platform, ui.View());
    form->SetSaveOnDestroy(false);
    w().cbBackup->SetChecked(true);
    w().cbSysRestore->SetChecked(false);
  }
  MainWindowView& w() { return ui.View().main; }
  HeadlessApplication& app() { return ui.App(); }
  const HeadlessApplication::ShownBox& LastBox() { return app().Boxes().back(); }
  void Press(Button* b) { HeadlessUi::H(b).Press(); }
  int Cli(const std::vector<std::string>& args, std::string* out = nullptr) {
    std::ostringstream o, e;
    const int rc = RunCli(platform, args, o, e);
    if (out) *out = o.str() + e.str();
    return rc;
  }
};

std::vector<std::string> ExportBranch(RegistryApi& api) {
  std::vector<std::string> lines{kRegEditHeader};
  ExportRegKey(api, HKCU, kBranch, "", lines);
  return lines;
}

// A problem as the scan records it, with the text it judged.
TRegRecord Problem(const std::string& key, const std::string& value, int deleteKey, int kind,
                   const std::string& judged) {
  TRegRecord r;
  r.ValueData = judged;
  r.RootKey = kind == kKindFile ? 0 : HKCU;
  r.KeyPath = key;
  r.ValueName = value;
  r.DeleteKey = deleteKey;
  r.Kind = kind;
  return r;
}

TEST(BackupManagerWine, RepairThenRestoreThroughThePageAndTheConsole) {
  ComScope com;
  wine::ScratchFolder scratch;
  RealApp a(scratch.path());
  TRegistry seed(a.win.registry);
  seed.SetRootKey(HKCU);
  seed.DeleteKey("\\Software\\CorvantaTest");
  ASSERT_TRUE(seed.OpenKey(std::string(kBranch) + "\\DeadKey\\Inner", true));
  seed.WriteString("Path", "C:\\gone\\gone.exe");
  ASSERT_TRUE(seed.OpenKey(kBranch, false));
  seed.WriteString("Dead", "C:\\gone\\dead.exe");
  seed.WriteString("Keep", "kept");
  seed.CloseKey();
  const std::string links = scratch.path() + "\\Start Menu\\Old";
  a.win.files.MakeDirectory(scratch.path() + "\\Start Menu");
  a.win.files.MakeDirectory(links);
  ASSERT_TRUE(wine::MakeRealShortcut(links + "\\Old.lnk", "C:\\gone\\old.exe"));
  std::string linkBytes;
  ASSERT_TRUE(a.win.files.ReadWholeFile(links + "\\Old.lnk", &linkBytes));
  const std::vector<std::string> before = ExportBranch(a.win.registry);

  a.form->ProblemList() = {
      Problem(std::string(kBranch).substr(1), "Dead", 0, kKindRegistry, "C:\\gone\\dead.exe"),
      Problem(std::string(kBranch) + "\\DeadKey\\Inner", "Path", 1, kKindRegistry,
              "C:\\gone\\gone.exe"),
      Problem(links + "\\Old.lnk", "", 0, kKindFile, "C:\\gone\\old.exe")};
  a.Press(a.w().btRepair);
  ASSERT_EQ(a.w().lbRepaired->Caption(), "3");
  EXPECT_FALSE(seed.KeyExists(std::string(kBranch) + "\\DeadKey\\Inner"));
  ASSERT_FALSE(a.win.files.FileExists(links + "\\Old.lnk"));
  RemoveFolderTree(a.win.files, scratch.path() + "\\Start Menu");

  // Through the page: Cancel on the delete question first, then Restore.
  a.form->ShowbackupPage();
  ASSERT_EQ(a.w().RestoreListView->RowCount(), 1);
  const std::string name = a.form->RestoreList()[0].FileName;
  a.w().RestoreListView->SetSelectedRow(0);
  a.app().QueueAnswer(ModalResult::Cancel);
  a.Press(a.w().btDeleteBackup);
  a.Press(a.w().btRestore);
  EXPECT_EQ(a.LastBox().kind, MessageKind::Information) << a.LastBox().text;
  EXPECT_EQ(a.LastBox().text,
            std::string(kRestoreSuccessText) + "\r\n\r\n1 shortcut was put back.");
  EXPECT_EQ(ExportBranch(a.win.registry), before);
  std::string restored;
  EXPECT_TRUE(a.win.files.ReadWholeFile(links + "\\Old.lnk", &restored));
  EXPECT_EQ(restored, linkBytes);

  // Through the console program, by the listed name.
  ASSERT_TRUE(seed.DeleteKey(std::string(kBranch) + "\\DeadKey"));
  std::string out;
  EXPECT_EQ(a.Cli({"backups", "restore", name, "--json"}, &out), kExitDone) << out;
  EXPECT_NE(out.find("\"restored\":true"), std::string::npos) << out;
  EXPECT_EQ(ExportBranch(a.win.registry), before);
  EXPECT_EQ(a.Cli({"backups", "restore", "..\\" + name}), kExitUsage);

  // A backup held open cannot be deleted and stays listed; closed, it goes
  // with its shortcut copies.
  const std::string path = scratch.path() + "\\Backup\\" + name;
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  a.app().QueueAnswer(ModalResult::Yes);
  a.Press(a.w().btDeleteBackup);
  EXPECT_EQ(a.LastBox().text, "Could not delete backup file. It may be in use by another program.");
  EXPECT_EQ(a.w().RestoreListView->RowCount(), 1);
  CloseHandle(held);
  a.w().RestoreListView->SetSelectedRow(0);
  a.app().QueueAnswer(ModalResult::Yes);
  a.Press(a.w().btDeleteBackup);
  EXPECT_EQ(a.w().RestoreListView->RowCount(), 0);
  EXPECT_EQ(a.win.files.GetAttributes(ShortcutCopiesFolder(path)), kInvalidAttributes);
  seed.DeleteKey("\\Software\\CorvantaTest");
}

TEST(BackupManagerWine, FullBackupVersion5RestoreAndFailures) {
  wine::ScratchFolder scratch;
  RealApp a(scratch.path());
  TRegistry seed(a.win.registry);
  seed.SetRootKey(HKCU);
  seed.DeleteKey("\\Software\\CorvantaTest");
  ASSERT_TRUE(seed.OpenKey("\\Software\\CorvantaTest\\Full", true));
  seed.WriteString("Seeded", "value");
  seed.CloseKey();

  // The full backup: the path first, then success, and the file is the
  // editor's export holding the seeded key.
  a.form->ShowbackupPage();
  HeadlessUi::H(a.w().BackupGroup).ClickItem(1);
  a.Press(a.w().btCreateFullBackup);
  const auto& boxes = a.app().Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].kind, MessageKind::Plain);
  EXPECT_EQ(boxes[1].text, kFullBackupSuccessText) << boxes[1].text;
  std::string bytes;
  ASSERT_TRUE(a.win.files.ReadWholeFile(boxes[0].text, &bytes));
  EXPECT_EQ(DetectRegFileFormat(bytes), RegFileFormat::Version5);
  bool seeded = false;
  for (const RegFileEntry& e : ReadRegFileEntries(bytes))
    seeded = seeded || DescribeEntry(e).find("\\Software\\CorvantaTest\\Full") != std::string::npos;
  EXPECT_TRUE(seeded);
  a.win.files.RemoveFile(boxes[0].text);

  // A small version 5 export restores through the page and is verified.
  const std::string small =
      scratch.path() + "\\Backup\\Full Registry Backup_01-02-2003_04-05-06.reg";
  ASSERT_EQ(a.win.process
                .RunHidden(a.win.process.RegistryEditorPath(),
                           "/E \"" + small + "\" \"HKEY_CURRENT_USER\\Software\\CorvantaTest\"",
                           60000, {})
                .end,
            ProcessOutcome::End::Exited);
  ASSERT_TRUE(seed.DeleteKey("\\Software\\CorvantaTest"));
  a.win.files.WriteWholeFile(scratch.path() + "\\Backup\\Note_01-02-2003_04-05-07.reg", "notes");
  a.form->GoBack();
  a.form->ShowbackupPage();
  ASSERT_EQ(a.w().RestoreListView->RowCount(), 2);
  for (int row = 0; row < 2; ++row) {
    a.w().RestoreListView->SetSelectedRow(row);
    a.Press(a.w().btRestore);
    if (a.form->RestoreList()[row].FileName.rfind("Note", 0) == 0) {
      EXPECT_EQ(a.LastBox().kind, MessageKind::Error);
      EXPECT_NE(a.LastBox().text.find("is not a registry file"), std::string::npos);
    } else {
      EXPECT_EQ(a.LastBox().text, kRestoreSuccessText);
    }
  }
  EXPECT_TRUE(seed.KeyExists("\\Software\\CorvantaTest\\Full"));

  // A program that is not there: the system's reason, never a success text.
  const ProcessOutcome missing =
      a.win.process.RunHidden(scratch.path() + "\\no-editor.exe", "/S \"x\"", 1000, {});
  EXPECT_EQ(missing.end, ProcessOutcome::End::LaunchFailed);
  EXPECT_FALSE(missing.error.empty());
  EXPECT_EQ(missing.error.find("completed successfully"), std::string::npos) << missing.error;

  // "Backup" is a file: the full backup says so and starts nothing.
  wine::ScratchFolder other;
  RealApp b(other.path());
  ASSERT_TRUE(b.win.files.WriteWholeFile(other.path() + "\\Backup", "in the way"));
  b.form->ShowbackupPage();
  b.Press(b.w().btCreateFullBackup);
  ASSERT_EQ(b.app().Boxes().size(), 1u);
  EXPECT_EQ(b.LastBox().kind, MessageKind::Error);
  EXPECT_NE(b.LastBox().text.find("could not be created"), std::string::npos);
  std::string out;
  EXPECT_EQ(b.Cli({"backups", "full"}, &out), kExitFailed) << out;
  seed.DeleteKey("\\Software\\CorvantaTest");
}

#if !defined(_WIN64)
TEST(BackupManagerWine, EditorOfThisProgramsView) {
  // A 32-bit program on 64-bit Windows starts the 32-bit editor.
  BOOL wow = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow);
  Win32ProcessRunner runner;
  std::string editor = runner.RegistryEditorPath();
  for (char& c : editor) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(editor.find(wow ? "\\syswow64\\regedit.exe" : "\\windows\\regedit.exe"),
            std::string::npos)
      << editor;
}
#else
// The 32-bit console program in the 64-bit prefix: its restore lands in the
// 32-bit view of HKLM\Software, where its own scans would look.
TEST(BackupManagerWine, ThirtyTwoBitRestoreLandsInThe32BitView) {
  const std::string exe32 = std::string(CORVANTA_BUILD_DIR) + "/../win32/cli/corvanta-cli.exe";
  std::string dos = "Z:" + exe32;
  for (char& c : dos)
    if (c == '/') c = '\\';
  if (GetFileAttributesA(dos.c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "the win32 build's corvanta-cli.exe is not there";
  wine::ScratchFolder scratch;
  const std::string exe = scratch.path() + "\\corvanta-cli.exe";
  ASSERT_TRUE(CopyFileA(dos.c_str(), exe.c_str(), FALSE));
  CreateDirectoryA((scratch.path() + "\\Backup").c_str(), nullptr);
  const std::string name = "Automatic Backup_01-02-2003_04-05-06.reg";
  wine::MakeRealFile(
      scratch.path() + "\\Backup\\" + name,
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\CorvantaView]\r\n\"v\"=\"1\"\r\n",
      FILE_ATTRIBUTE_NORMAL);
  auto openView = [](REGSAM view) {
    HKEY k = nullptr;
    const bool ok = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\CorvantaView", 0, KEY_READ | view,
                                  &k) == ERROR_SUCCESS;
    if (ok) RegCloseKey(k);
    return ok;
  };
  auto drop = [] {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\CorvantaView");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\CorvantaView");
  };
  drop();

  EXPECT_EQ(testing::RunChild("\"" + exe + "\" backups restore \"" + name + "\"", 120000), 0u);
  EXPECT_TRUE(openView(KEY_WOW64_32KEY));
  EXPECT_FALSE(openView(KEY_WOW64_64KEY));
  drop();
}
#endif

// Entries outside the code page: a repair's backup and a full backup are
// version 5 files, and their restore brings every character back, read with
// the wide API.
const wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CvAccUni";
const wchar_t kWideKey[] = L"Software\\CorvantaTest\\\u0418\u0432\u0430\u043d";
const wchar_t kDisplayName[] = L"\u5f20\u4e09 Editor";

void SetWide(HKEY root, const wchar_t* key, const wchar_t* name, DWORD type,
             const std::wstring& data) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(k);
}

// The value as the wide API reads it, units and type; "" and 0 when absent.
std::wstring ReadWide(HKEY root, const wchar_t* key, const wchar_t* name, DWORD* type) {
  HKEY k = nullptr;
  *type = 0;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return std::wstring();
  wchar_t buf[256] = {};
  DWORD size = sizeof buf - sizeof(wchar_t);
  const LONG rc = RegQueryValueExW(k, name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(k);
  return rc == ERROR_SUCCESS ? std::wstring(buf, size / sizeof(wchar_t)) : std::wstring();
}

bool KeyThere(HKEY root, const wchar_t* key) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

TEST(BackupWideWine, RepairBackupIsVersion5AndRestoresExactly) {
  ComScope com;
  wine::ScratchFolder scratch;
  RealApp a(scratch.path());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  SetWide(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", REG_SZ, kDisplayName);
  SetWide(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_SZ,
          L"C:\\CvAccUni gone\\uninst.exe");

  std::string out;
  ASSERT_EQ(a.Cli({"repair", "--sections", "6", "--no-restore-point"}, &out), kExitDone) << out;
  ASSERT_FALSE(KeyThere(HKEY_LOCAL_MACHINE, kUninstallKey)) << out;
  const TRestoreArray list = ListBackups(a.system, a.win.files);
  ASSERT_EQ(list.size(), 1u) << out;
  std::string bytes;
  ASSERT_TRUE(a.win.files.ReadWholeFile(BackupFolder(a.system) + list[0].FileName, &bytes));
  ASSERT_EQ(DetectRegFileFormat(bytes), RegFileFormat::Version5);
  bool found = false;
  for (const RegFileEntry& e : ReadRegFileEntries(bytes))
    found = found || (e.isValue && e.valueName == "DisplayName" &&
                      e.data == std::vector<std::uint8_t>{0xE5, 0xBC, 0xA0, 0xE4, 0xB8, 0x89, ' ',
                                                          'E', 'd', 'i', 't', 'o', 'r', 0});
  EXPECT_TRUE(found);

  ASSERT_EQ(a.Cli({"backups", "restore", list[0].FileName}, &out), kExitDone) << out;
  DWORD type = 0;
  EXPECT_EQ(ReadWide(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", &type),
            std::wstring(kDisplayName) + L'\0');
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(ReadWide(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", &type),
            std::wstring(L"C:\\CvAccUni gone\\uninst.exe") + L'\0');
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
}

// A text of an odd number of bytes ends in half a unit that no backup can
// spell: the scan still reports the missing program its text names, and the
// repair leaves the entry as it is, byte for byte.
TEST(BackupWideWine, RepairKeepsATextThatEndsInHalfAUnit) {
  ComScope com;
  wine::ScratchFolder scratch;
  RealApp a(scratch.path());
  const wchar_t key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CvAccOdd";
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
  SetWide(HKEY_LOCAL_MACHINE, key, L"DisplayName", REG_SZ, L"Odd Editor");
  const std::wstring gone = L"C:\\CvAccOdd gone\\uninst.exe";
  std::string raw(reinterpret_cast<const char*>(gone.c_str()), (gone.size() + 1) * 2);
  raw += 'x';
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &k), ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExW(k, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw.data()),
                     static_cast<DWORD>(raw.size())),
      ERROR_SUCCESS);
  RegCloseKey(k);

  std::string out;
  ASSERT_EQ(a.Cli({"scan", "--sections", "6"}, &out), kExitDone);
  EXPECT_NE(out.find("CvAccOdd gone"), std::string::npos) << out;
  EXPECT_EQ(a.Cli({"repair", "--sections", "6", "--no-restore-point"}, &out), kExitFailed) << out;
  std::string back(raw.size() + 8, '\0');
  DWORD size = static_cast<DWORD>(back.size()), type = 0;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(k, L"UninstallString", nullptr, &type,
                             reinterpret_cast<BYTE*>(&back[0]), &size),
            ERROR_SUCCESS);
  RegCloseKey(k);
  back.resize(size);
  EXPECT_EQ(back, raw);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
}

TEST(BackupWideWine, FullBackupThroughThePageRestoresExactly) {
  ComScope com;
  wine::ScratchFolder scratch;
  RealApp a(scratch.path());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  const std::wstring text = L"\u5f20\u4e09 \U0001F600 caf\u00e9";
  SetWide(HKEY_CURRENT_USER, kWideKey, L"\u0418\u043c\u044f", REG_SZ, text);
  SetWide(HKEY_CURRENT_USER, kWideKey, L"Path", REG_EXPAND_SZ, L"%SystemRoot%\\\u4e2d");

  a.form->ShowbackupPage();
  HeadlessUi::H(a.w().BackupGroup).ClickItem(1);
  a.Press(a.w().btCreateFullBackup);
  ASSERT_EQ(a.LastBox().text, kFullBackupSuccessText);
  const std::string full = a.app().Boxes()[0].text;
  std::string bytes;
  ASSERT_TRUE(a.win.files.ReadWholeFile(full, &bytes));
  ASSERT_EQ(DetectRegFileFormat(bytes), RegFileFormat::Version5);
  const std::string key = Utf16ToUtf8(reinterpret_cast<const char16_t*>(kWideKey));
  bool found = false;
  for (const RegFileEntry& e : ReadRegFileEntries(bytes))
    found = found || (e.isValue && e.valueName == "Path" && e.keyPath.size() > key.size() &&
                      e.keyPath.compare(e.keyPath.size() - key.size(), key.size(), key) == 0);
  EXPECT_TRUE(found);

  RegDeleteKeyW(HKEY_CURRENT_USER, kWideKey);
  a.form->GoBack();
  a.form->ShowbackupPage();
  ASSERT_EQ(a.w().RestoreListView->RowCount(), 1);
  a.w().RestoreListView->SetSelectedRow(0);
  a.Press(a.w().btRestore);
  EXPECT_EQ(a.LastBox().text, kRestoreSuccessText);
  DWORD type = 0;
  EXPECT_EQ(ReadWide(HKEY_CURRENT_USER, kWideKey, L"\u0418\u043c\u044f", &type), text + L'\0');
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(ReadWide(HKEY_CURRENT_USER, kWideKey, L"Path", &type),
            std::wstring(L"%SystemRoot%\\\u4e2d") + L'\0');
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  TRegistry reg(a.win.registry);
  reg.SetRootKey(kHKEY_CURRENT_USER);
  reg.DeleteKey("\\Software\\CorvantaTest");
}

}  // namespace
}  // namespace corvanta
