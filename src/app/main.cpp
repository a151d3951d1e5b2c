// The main window's life: shared objects, command binding, start-up,
// navigation, the page-change hook and shut-down.
#include "app/main.h"

#include <exception>

#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "regexpr/regexpr.h"
#include "results/os_name.h"
#include "results/repair.h"
#include "results/result_list.h"

namespace corvanta {

TForm1::TForm1(Platform& platform, MainView& view)
    : platform_(platform),
      view_(view),
      scanPage_(view, platform.system),
      resultsPage_(view.main),
      repairPage_(view),
      backupListPage_(view) {
  FormCreate();
}

TForm1::~TForm1() {
  if (!destroyed_) FormDestroy();
}

void TForm1::FormCreate() {
  sharedRegistry_ = std::make_unique<TRegistry>(platform_.registry, kSharedRegistryAccess);
  sharedRegExpr_ = std::make_unique<TRegExpr>();
  bhoIdList_.clear();
  startupOriginList_.clear();
  RunSection = [this](int number) { RunSectionWithEngine(number); };
  CheckForUpdate = [this] { RunUpdateCheck(); };
  RebuildRestoreList = [this] {
    corvanta::RebuildRestoreList(backupListPage_, platform_.system, platform_.files, restoreList_);
  };
  repairContext_.reset(new RepairContext{repairPage_, scanReport_.problems, *sharedRegistry_,
                                         platform_.files, platform_.system});
  repairContext_->stillAProblem = [this](const TRegRecord& r) { return StillAProblem(r); };
  BindCommands();
}

void TForm1::FormDestroy() {
  destroyed_ = true;
  // Nothing may reach the released objects any more.
  w().btRepair->OnClick = nullptr;
  repairContext_.reset();
  sharedRegistry_.reset();
  sharedRegExpr_.reset();
  bhoIdList_.clear();
  startupOriginList_.clear();
  uninstallKeyList_.clear();
  if (saveOnDestroy_) Dispatch([this] { SaveSettings(); });
}

void TForm1::Dispatch(const std::function<void()>& handler) {
  // While the update check or download pumps, the window takes no command.
  if (commandsLocked_) return;
  try {
    handler();
  } catch (const std::exception& e) {
    view_.app->ShowMessageBox(MessageKind::Error, e.what());
  } catch (...) {
    view_.app->ShowMessageBox(MessageKind::Error, "An unexpected error occurred.");
  }
}

void TForm1::Bind(ClickEvent& event, void (TForm1::*handler)()) {
  event = [this, handler] { Dispatch([this, handler] { (this->*handler)(); }); };
}

enum class WrapMode { Plain, Busy, Locked };

// Wraps a handler someone else bound so that it runs under the dispatcher.
// Busy marks work that pumps messages for a long time; Locked work also takes
// no other command while it pumps.
static void Wrap(TForm1& form, ClickEvent& event, WrapMode mode) {
  if (!event) return;
  ClickEvent inner = std::move(event);
  event = [&form, inner, mode] {
    form.Dispatch([&] {
      if (mode == WrapMode::Plain) return inner();
      TForm1::BusyScope scope(form);
      if (mode == WrapMode::Busy) return inner();
      TForm1::CommandLock lock(form);
      inner();
    });
  };
}

void TForm1::BindCommands() {
  MainWindowView& m = w();
  m.window->OnCloseQuery = [this] { return FormCloseQuery(); };
  Bind(m.NoteBook->OnPageChanged, &TForm1::NoteBookPageChanged);
  Bind(m.lnkHelp->OnClick, &TForm1::ShowHelpUrl);

  Bind(m.lnkScanEntry->OnClick, &TForm1::DoScan);
  Bind(m.lnkScanNow->OnClick, &TForm1::DoScan);
  Bind(m.lnkBackupEntry->OnClick, &TForm1::ShowbackupPage);
  Bind(m.lnkAdvancedEntry->OnClick, &TForm1::ShowAdvancedPage);
  Bind(m.lnkSettings->OnClick, &TForm1::DoSettings);
  Bind(m.lnkCheckUpdates->OnClick, &TForm1::DoUpdate);
  Bind(m.lnkUserManual->OnClick, &TForm1::ShowHelpUrl);

  Bind(m.btAbort->OnClick, &TForm1::DoAbort);
  Bind(m.btResultsBack->OnClick, &TForm1::GoBack);
  Bind(m.btRepairBack->OnClick, &TForm1::GoBack);
  Bind(m.btBackupBack->OnClick, &TForm1::GoBack);
  Bind(m.RzBitBtn7->OnClick, &TForm1::RzBitBtn7Click);
  Bind(m.RzBitBtn8->OnClick, &TForm1::RzBitBtn8Click);
  Bind(m.btIgnoreList->OnClick, &TForm1::ShowIgnoreList);
  Bind(view_.ignoreList.btRemove->OnClick, &TForm1::RemoveIgnoreEntry);
  Bind(view_.ignoreList.EntryList->OnDeleteKey, &TForm1::RemoveIgnoreEntry);
  Bind(m.cbBackup->OnClick, &TForm1::cbBackupClick);
  Bind(m.btAdvancedBack->OnClick, &TForm1::AdvancedgoBack);
  // The download's Cancel must work while every other command is locked.
  view_.progressForm.RzButton1->OnClick = [this] { RzButton1Click(); };
  Bind(m.btRestore->OnClick, &TForm1::DoRestore);
  Bind(m.btDeleteBackup->OnClick, &TForm1::DeleteBackup);
  Bind(m.btCreateFullBackup->OnClick, &TForm1::DoExportFullBackup);
  m.BackupGroup->OnItemClick = [this](int item) {
    Dispatch([this, item] {
      if (item == 0) RestoreFromBackup();
      if (item == 1) FullRegistryBackup();
    });
  };
  BindAdvancedPage();

  // The side groups never collapse.
  for (GroupBar* g : {m.ResultGroup, m.SettingsHelpGroup, m.BackupGroup, m.AdvancedGroup})
    g->OnCanClose = [] { return false; };

  // The results page and the repair bind their own handlers; they run under
  // the dispatcher too.
  BindResultsPage(m, resultsPage_, scanReport_.problems, [this](std::size_t index, bool listed) {
    if (listed)
      AlwaysIgnore(index);
    else
      StopIgnoring(index);
  });
  if (m.ResultGroup->OnItemClick) {
    auto inner = std::move(m.ResultGroup->OnItemClick);
    m.ResultGroup->OnItemClick = [this, inner](int i) { Dispatch([&] { inner(i); }); };
  }
  for (ParamListBox::ParamEvent* ev :
       {&m.ParamListBox->OnParamEditDone, &m.ParamListBox->OnParamClick}) {
    if (!*ev) continue;
    auto inner = std::move(*ev);
    *ev = [this, inner](int idx, const std::string& href, const std::string& value) {
      Dispatch([&] { inner(idx, href, value); });
    };
  }
  BindRepair(view_, *repairContext_);
  // The repair pumps while it works; a pick or a new scan must not change the
  // problem list under it.
  Wrap(*this, m.btRepair->OnClick, WrapMode::Locked);
  Wrap(*this, view_.repairStatus.window->OnShow, WrapMode::Plain);
}

TForm1::BusyScope::BusyScope(TForm1& form) : form_(form) {
  ++form_.busy_;
}

TForm1::BusyScope::~BusyScope() {
  if (--form_.busy_ == 0) form_.CloseIfPending();
}

bool TForm1::FormCloseQuery() {
  if (busy_ == 0) return true;
  // Never destroy the window under a running handler: stop the work first.
  globals_.AbortRequested = true;
  DownloadCancelRequested = true;
  closePending_ = true;
  return false;
}

int TForm1::SelectedRecord(const ReportListView& list, std::size_t records,
                           const char* selectText) {
  const int row = list.SelectedRow();
  if (row >= 0 && static_cast<std::size_t>(row) < records) return row;
  view_.app->ShowMessageBox(MessageKind::Error, selectText);
  return -1;
}

bool TForm1::AnsweredYes(const std::string& question) {
  return view_.app->ShowMessageBox(MessageKind::Information, question, MessageButtons::YesCancel) ==
         ModalResult::Yes;
}

void TForm1::CloseIfPending() {
  if (!closePending_) return;
  closePending_ = false;
  w().window->Close();
}

bool TForm1::StartedWithScan() {
  if (scanSwitchOverride_ >= 0) return scanSwitchOverride_ == 1;
  return platform_.system.FirstArgument() == kScanSwitch;
}

void TForm1::StartUp() {
  UpdateStatusView& status = view_.updateStatus;
  UiApplication& app = *view_.app;
  status.lbVersion->SetCaption(kVersionText);
  status.lbStatus->SetCaption(kLoadingText);
  status.window->Show();

  app.ProcessMessages();
  platform_.system.Sleep(1000);
  app.ProcessMessages();

  Dispatch([this] { LoadSettings(); });

  if (w().cbAutoUpdate->Checked()) {
    status.lbStatus->SetCaption(kCheckingUpdatesText);
    if (CheckForUpdate) Dispatch(CheckForUpdate);
  }

  status.lbStatus->SetCaption(kLoadingText);
  app.ProcessMessages();
  status.window->Hide();

  if (!w().window->Visible()) w().window->Show();
  // Coming up on page 0 is a page change too: its hook runs as for any other.
  Dispatch([this] { NoteBookPageChanged(); });

  // A started update installs over this program: no long scan in its way.
  if (StartedWithScan() && !updateStarted_) Dispatch([this] { DoScan(); });
}

void TForm1::GoBack() {
  ShowPage(kPageMain);
}
void TForm1::DoSettings() {
  ShowPage(kPageSettings);
}
void TForm1::ShowbackupPage() {
  ShowPage(kPageBackup);
}

void TForm1::ShowAdvancedPage() {
  w().AdvancedNotebook->SetPageIndex(0);
  ShowPage(kPageAdvanced);
}

void TForm1::AdvancedgoBack() {
  // From a single tool, back to the tool list first.
  if (w().AdvancedNotebook->PageIndex() != 0)
    w().AdvancedNotebook->SetPageIndex(0);
  else
    ShowPage(kPageMain);
}

void TForm1::ShowHelpUrl() {
  const std::string url = std::string("http://") + CORVANTA_VENDOR_HOST + "/help/";
  platform_.shell.Execute(w().window->NativeHandle(), "open", url, "", "", SW_SHOWNORMAL);
}

void TForm1::NoteBookPageChanged() {
  if (RebuildRestoreList) RebuildRestoreList();
  if (w().NoteBook->PageIndex() == kPageSettings) {
    const std::string os = GetOSName(platform_.system);
    const bool offers = os == "Windows XP" || os == "Windows ME";
    w().cbSysRestore->SetEnabled(offers);
    w().lbSystemRestore->SetVisible(!offers);
  }
}

int RunApplication(Platform& platform, const UiBuilder& buildUi) {
  std::unique_ptr<UiHost> host = buildUi();
  MainView& view = host->View();
  view.app->SetTitle(kAppTitle);
  {
    TForm1 form(platform, view);
    form.StartUp();
    view.app->Run();
    form.FormDestroy();
  }
  return 0;
}

}  // namespace corvanta
