// The seventeen settings between the registry and the settings page's check
// boxes, and the run-at-log-on value.
#include <algorithm>
#include <cstring>

#include "app/main.h"
#include "platform/known_keys.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "scan/ignore_list.h"
#include "scan/sections.h"

namespace corvanta {

namespace {

constexpr std::array<SettingRow, kSectionCount + 4> MakeSettingRows() {
  std::array<SettingRow, kSectionCount + 4> rows{};
  for (int i = 0; i < kSectionCount; ++i)
    rows[i] = {kSections[i].settingsValue, kSectionBoxMembers[i], kSections[i].defaultTicked};
  rows[kSectionCount + 0] = {"RunStartUp", &MainWindowView::cbRunStartUp, true};
  rows[kSectionCount + 1] = {"SysRestore", &MainWindowView::cbSysRestore, true};
  rows[kSectionCount + 2] = {"AutoUpdate", &MainWindowView::cbAutoUpdate, true};
  rows[kSectionCount + 3] = {"Backup", &MainWindowView::cbBackup, true};
  return rows;
}

}  // namespace

const std::array<SettingRow, kSectionCount + 4> kSettingRows = MakeSettingRows();

static const char kScanSuffix[] = " /scan";

std::string RunValueFor(const std::string& executablePath) {
  return "\"" + executablePath + "\"" + kScanSuffix;
}

std::string RunValueExecutable(const std::string& value) {
  const size_t suffix = std::strlen(kScanSuffix);
  if (value.size() <= suffix || value.compare(value.size() - suffix, suffix, kScanSuffix) != 0)
    return std::string();
  std::string path = value.substr(0, value.size() - suffix);
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
    path = path.substr(1, path.size() - 2);
  return path;
}

std::string TForm1::RunTarget() {
  return runTarget_.empty() ? platform_.system.ExecutablePath() : runTarget_;
}

void TForm1::EnableAllPrivileges() {
  platform_.system.EnableAllPrivileges();
}

// A stored setting: true/false when the value is a 32-bit integer, -1 when it
// is absent or of another type (then the default applies, and the next save
// overwrites it).
static int ReadSetting(TRegistry& reg, const std::string& name) {
  if (!reg.ValueExists(name)) return -1;
  if (reg.GetDataType(name) != kREG_DWORD || reg.GetDataSize(name) != 4) return -1;
  try {
    return reg.ReadInteger(name) != 0 ? 1 : 0;
  } catch (const ERegistryException&) {
    return -1;  // vanished or changed between the query and the read
  }
}

void TForm1::LoadSettings() {
  EnableAllPrivileges();
  TRegistry reg(platform_.registry, kSharedRegistryAccess);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  const bool open = reg.OpenKey(kSettingsKey, true);
  for (const SettingRow& row : kSettingRows) {
    // The run-at-log-on option has always been read under this spelling;
    // value names ignore case, so it is the same value.
    const std::string name =
        std::strcmp(row.valueName, "RunStartUp") == 0 ? "RunStartup" : row.valueName;
    const int stored = open ? ReadSetting(reg, name) : -1;
    (w().*row.box)->SetChecked(stored < 0 ? row.defaultTicked : stored == 1);
  }
  reg.CloseKey();
}

void TForm1::SaveSettings() {
  TRegistry reg(platform_.registry, kSharedRegistryAccess);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  reg.OpenKey(kSettingsKey, true);
  // A failed open leaves no key: the first write then reports the failure.
  for (const SettingRow& row : kSettingRows)
    reg.WriteInteger(row.valueName, (w().*row.box)->Checked() ? 1 : 0);
  reg.CloseKey();

  const bool runOpen = reg.OpenKey(kRunKeyPath, false);
  if (w().cbRunStartUp->Checked()) {
    // Without the Run key no key is open and the write reports the failure.
    reg.WriteString(kRunValueName, RunValueFor(RunTarget()));
  } else if (runOpen) {
    reg.DeleteValue(kRunValueName);  // absent is fine
  }
  reg.CloseKey();
}

void TForm1::RzBitBtn7Click() {
  SaveSettings();
  view_.app->ShowMessageBox(MessageKind::Plain, kSettingsSavedText);
  ShowPage(kPageMain);
}

void TForm1::RzBitBtn8Click() {
  ShowPage(kPageMain);
  LoadSettings();
}

void TForm1::ShowIgnoreList() {
  FillIgnoreList(0);
  view_.ignoreList.window->ShowModal();
}

void TForm1::FillIgnoreList(int select) {
  IgnoreListView& v = view_.ignoreList;
  ignoreShown_ = IgnoreStore().Load().Entries();
  v.EntryList->Clear();
  for (const IgnoreEntry& e : ignoreShown_) {
    const SectionInfo* s = SectionByNumber(e.section);
    const int row = v.EntryList->AddRow(s ? s->sectionName : "?");
    v.EntryList->SetCell(row, 1, IgnoreEntryLocation(e));
    v.EntryList->SetCell(row, 2, IgnoreEntryValue(e));
  }
  const int rows = v.EntryList->RowCount();
  v.EntryList->SetSelectedRow(rows == 0 ? -1 : std::min(std::max(select, 0), rows - 1));
  v.btRemove->SetEnabled(rows > 0);
}

void TForm1::RemoveIgnoreEntry() {
  const int row = view_.ignoreList.EntryList->SelectedRow();
  if (row < 0 || static_cast<std::size_t>(row) >= ignoreShown_.size()) return;
  // Written at once: closing the window is no "save".
  IgnoreStore().Remove(ignoreShown_[static_cast<std::size_t>(row)]);
  FillIgnoreList(row);
  ReloadIgnoreList();
}

void TForm1::cbBackupClick() {
  if (!w().cbBackup->Checked()) view_.app->ShowMessageBox(MessageKind::Warning, kBackupWarningText);
}

}  // namespace corvanta
