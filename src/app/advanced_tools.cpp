// The advanced tools page: its panes, the three lists with their file details
// and removals, and the Internet Explorer backup.
#include "tools/advanced_tools.h"

#include "app/main.h"
#include "platform/registry_api.h"
#include "platform/system.h"
#include "regexpr/regexpr.h"

namespace corvanta {

namespace {

enum AdvancedPane {
  kPaneTools = 0,
  kPaneBho = 1,
  kPaneStartup = 2,
  kPaneUninstall = 3,
  kPaneExplorer = 4,
};

}  // namespace

void TForm1::BindAdvancedPage() {
  MainWindowView& m = w();
  // Item i shows pane i + 1.
  m.AdvancedGroup->OnItemClick = [this](int i) {
    if (i >= 0 && i < 4) Dispatch([this, i] { w().AdvancedNotebook->SetPageIndex(i + 1); });
  };
  Bind(m.lnkBhoPanel->OnClick, &TForm1::ShowBHO);
  Bind(m.lnkStartupPanel->OnClick, &TForm1::ShowStartupManager);
  Bind(m.lnkUninstallPanel->OnClick, &TForm1::ShowUninstallManager);
  Bind(m.lnkExplorerPanel->OnClick, &TForm1::ShowExplorerBackup);
  Bind(m.AdvancedNotebook->OnPageChanged, &TForm1::AdvancedNotebookPageChanged);
  m.BhoListView->OnSelectItem = [this](int row, bool selected) {
    Dispatch([=] { BhoListViewSelectItem(row, selected); });
  };
  m.StartupListView->OnSelectItem = [this](int row, bool selected) {
    Dispatch([=] { StartupListViewSelectItem(row, selected); });
  };
  Bind(m.btRemoveBho->OnClick, &TForm1::RemoveBHO);
  Bind(m.btRemoveStartup->OnClick, &TForm1::RemoveStartup);
  Bind(m.RzBitBtn14->OnClick, &TForm1::RzBitBtn14Click);
  Bind(m.btExplorerBackup->OnClick, &TForm1::CreateExplorerBackup);
}

void TForm1::ShowBHO() {
  w().AdvancedNotebook->SetPageIndex(kPaneBho);
}
void TForm1::ShowStartupManager() {
  w().AdvancedNotebook->SetPageIndex(kPaneStartup);
}
void TForm1::ShowUninstallManager() {
  w().AdvancedNotebook->SetPageIndex(kPaneUninstall);
}
void TForm1::ShowExplorerBackup() {
  w().AdvancedNotebook->SetPageIndex(kPaneExplorer);
}

void TForm1::AdvancedNotebookPageChanged() {
  switch (w().AdvancedNotebook->PageIndex()) {
    case kPaneBho:
      FillBhoList();
      break;
    case kPaneStartup:
      FillStartupList();
      break;
    case kPaneUninstall:
      FillUninstallList();
      break;
    default:
      break;
  }
}

void TForm1::FillBhoList() {
  MainWindowView& m = w();
  for (Label* l : {m.bhoFileName, m.bhoProductName, m.bhoDescription, m.bhoCompany})
    l->SetCaption("");
  bhoIdList_.clear();
  m.BhoListView->Clear();
  for (const BhoEntry& e : ListBhoEntries(platform_.registry)) {
    bhoIdList_.push_back(e.Id);
    const int row = m.BhoListView->AddRow(e.Name);
    m.BhoListView->SetCell(row, 1, e.Path);
  }
}

void TForm1::FillStartupList() {
  MainWindowView& m = w();
  for (Label* l : {m.startFilename, m.startProductName, m.startDescription, m.startCompany})
    l->SetCaption("");
  startupOriginList_.clear();
  m.StartupListView->Clear();
  for (const StartupEntry& e : ListStartupEntries(platform_.registry)) {
    startupOriginList_.push_back(e.RootKey == kHKEY_LOCAL_MACHINE ? kOriginMachine : kOriginUser);
    const int row = m.StartupListView->AddRow(e.Name);
    m.StartupListView->SetCell(row, 1, e.Location);
  }
}

void TForm1::FillUninstallList() {
  ReportListView& list = *w().UninstallListView;
  list.Clear();
  uninstallKeyList_.clear();
  for (const UninstallEntry& e : ListUninstallEntries(platform_.registry)) {
    // The row lands at its sorted place; its key goes to the same place.
    const int row = list.AddRow(e.Name);
    list.SetCell(row, 1, e.Uninstaller);
    uninstallKeyList_.insert(uninstallKeyList_.begin() + row, e.Key);
  }
}

void TForm1::ShowFileDetails(const std::string& path, Label* fileName, Label* productName,
                             Label* description, Label* company) {
  const FileDetails d = ReadFileDetails(platform_.versionInfo, platform_.system, path);
  fileName->SetCaption(d.FileNameText());
  productName->SetCaption(d.ProductNameText());
  description->SetCaption(d.FileDescription);
  company->SetCaption(d.CompanyName);
}

void TForm1::BhoListViewSelectItem(int row, bool selected) {
  MainWindowView& m = w();
  if (!selected || row < 0 || row >= m.BhoListView->RowCount()) return;
  ShowFileDetails(m.BhoListView->Cell(row, 1), m.bhoFileName, m.bhoProductName, m.bhoDescription,
                  m.bhoCompany);
}

void TForm1::StartupListViewSelectItem(int row, bool selected) {
  MainWindowView& m = w();
  if (!selected || !sharedRegExpr_ || row < 0 || row >= m.StartupListView->RowCount()) return;
  const std::string program =
      StartupProgramPath(*sharedRegExpr_, platform_.files, m.StartupListView->Cell(row, 1));
  if (program.empty()) return;
  ShowFileDetails(program, m.startFilename, m.startProductName, m.startDescription, m.startCompany);
}

void TForm1::ReportRemoval(bool removed, const std::string& error, const char* successText) {
  AdvancedNotebookPageChanged();
  if (removed)
    view_.app->ShowMessageBox(MessageKind::Information, successText);
  else
    view_.app->ShowMessageBox(MessageKind::Error, error);
}

void TForm1::RemoveBHO() {
  lastToolOutcome_ = ToolOutcome{};
  MainWindowView& m = w();
  const int row = SelectedRecord(*m.BhoListView, bhoIdList_.size(), kBhoSelectText);
  if (row < 0 || !AnsweredYes(kBhoConfirmText)) return;
  const RemovalOutcome out =
      RemoveToolEntry(platform_.registry, platform_.files, platform_.system,
                      RemovalTarget{kHKEY_LOCAL_MACHINE, kBhoKeyPath, true, bhoIdList_[row], ""},
                      m.cbBackup->Checked());
  lastToolOutcome_ = ToolOutcome{out.removed, out.backupFile};
  bhoIdList_.erase(bhoIdList_.begin() + row);
  ReportRemoval(out.removed, out.error, kBhoRemovedText);
}

void TForm1::RemoveStartup() {
  lastToolOutcome_ = ToolOutcome{};
  MainWindowView& m = w();
  const int row = SelectedRecord(*m.StartupListView, startupOriginList_.size(), kStartupSelectText);
  if (row < 0 || !AnsweredYes(kStartupConfirmText)) return;
  const std::uint32_t root =
      startupOriginList_[row] == kOriginMachine ? kHKEY_LOCAL_MACHINE : kHKEY_CURRENT_USER;
  const RemovalOutcome out =
      RemoveToolEntry(platform_.registry, platform_.files, platform_.system,
                      RemovalTarget{root, kRunKeyPath, false, "", m.StartupListView->Cell(row, 0)},
                      m.cbBackup->Checked());
  lastToolOutcome_ = ToolOutcome{out.removed, out.backupFile};
  startupOriginList_.erase(startupOriginList_.begin() + row);
  ReportRemoval(out.removed, out.error, kStartupRemovedText);
}

void TForm1::RzBitBtn14Click() {
  lastToolOutcome_ = ToolOutcome{};
  MainWindowView& m = w();
  const int row =
      SelectedRecord(*m.UninstallListView, uninstallKeyList_.size(), kUninstallSelectText);
  if (row < 0 || !AnsweredYes(kUninstallConfirmText)) return;
  // The row's own key, and only while it still describes the same entry.
  const UninstallEntry entry{m.UninstallListView->Cell(row, 0), m.UninstallListView->Cell(row, 1),
                             uninstallKeyList_[row]};
  bool gone = false;
  RemovalOutcome out;
  if (UninstallEntryMatches(platform_.registry, entry, &gone)) {
    out =
        RemoveToolEntry(platform_.registry, platform_.files, platform_.system,
                        RemovalTarget{kHKEY_LOCAL_MACHINE, kUninstallKeyPath, true, entry.Key, ""},
                        m.cbBackup->Checked());
  } else {
    out.removed = gone;
    out.error = "The entry was not removed: it has changed since the list was filled.";
  }
  lastToolOutcome_ = ToolOutcome{out.removed, out.backupFile};
  ReportRemoval(out.removed, out.error, kUninstallRemovedText);
}

void TForm1::CreateExplorerBackup() {
  lastToolOutcome_ = ToolOutcome{};
  const ExplorerBackupOutcome out =
      WriteExplorerBackup(platform_.registry, platform_.files, platform_.system);
  if (!out.written) {
    view_.app->ShowMessageBox(MessageKind::Error, out.error);
    return;
  }
  lastToolOutcome_ = ToolOutcome{true, out.file};
  view_.app->ShowMessageBox(MessageKind::Information, kExplorerBackupDoneText);
  ShowPage(kPageMain);
}

}  // namespace corvanta
