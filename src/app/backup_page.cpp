// The backup page: the pane switch, restore, delete and the full backup.
#include "app/main.h"
#include "backup/restore.h"
#include "platform/file_system.h"

namespace corvanta {

namespace {

const char kSelectRestoreText[] = "Please select the backup file you want to restore";
const char kSelectDeleteText[] = "Please select the backup file you want to delete";
const char kDeleteFailedText[] =
    "Could not delete backup file. It may be in use by another program.";

}  // namespace

// While the registry editor runs the window keeps pumping: the page's buttons
// are off, so a second click cannot start a second editor, and the status
// window says what is going on. A close asked for meanwhile waits for the end.
class TForm1::BackupWork {
 public:
  BackupWork(TForm1& form, const std::string& status) : form_(form), busy_(form) {
    MainWindowView& m = form.w();
    form.backupBusy_ = true;
    buttons_ = {m.btRestore, m.btDeleteBackup, m.btCreateFullBackup, m.btBackupBack};
    for (Button* b : buttons_) b->SetEnabled(false);
    RepairStatusView& s = form.view_.repairStatus;
    s.lbStatus->SetCaption(status);
    s.window->Show();
    s.window->SetLeft(m.window->Left() + 300);
    form.view_.app->ProcessMessages();
  }
  ~BackupWork() {
    form_.view_.repairStatus.window->Hide();
    for (Button* b : buttons_) b->SetEnabled(true);
    form_.backupBusy_ = false;
    form_.view_.app->ProcessMessages();
  }
  BackupWork(const BackupWork&) = delete;
  BackupWork& operator=(const BackupWork&) = delete;

 private:
  TForm1& form_;
  BusyScope busy_;
  std::vector<Button*> buttons_;
};

void TForm1::RestoreFromBackup() {
  if (!backupBusy_) w().BackupNotebook->SetPageIndex(0);
}

void TForm1::FullRegistryBackup() {
  if (!backupBusy_) w().BackupNotebook->SetPageIndex(1);
}

void TForm1::DoRestore() {
  if (backupBusy_) return;
  const int row = SelectedRecord(*w().RestoreListView, restoreList_.size(), kSelectRestoreText);
  if (row < 0) return;
  // The row's own file name: rebuilding it from the parsed parts misses
  // names without "_" and confuses "..._10-00-00.reg.reg" with another file.
  ImportRegFile(BackupFolder(platform_.system) + restoreList_[row].FileName);
}

void TForm1::ImportRegFile(const std::string& path) {
  if (backupBusy_) return;
  RestoreResult r;
  {
    BackupWork work(*this, "Restoring the backup. Please wait...");
    r = RestoreBackup(platform_, path, [this] { view_.app->ProcessMessages(); });
  }
  if (!r.ok) {
    view_.app->ShowMessageBox(MessageKind::Error,
                              "The registry restore operation failed.\r\n\r\n" + r.error);
    return;
  }
  std::string text = kRestoreSuccessText;
  if (r.shortcutsRestored > 0)
    text += "\r\n\r\n" + std::to_string(r.shortcutsRestored) +
            (r.shortcutsRestored == 1 ? " shortcut was" : " shortcuts were") + " put back.";
  if (r.shortcutsKept > 0)
    text += "\r\n\r\n" + std::to_string(r.shortcutsKept) +
            (r.shortcutsKept == 1 ? " shortcut was" : " shortcuts were") +
            " left alone: a file of that name exists.";
  view_.app->ShowMessageBox(MessageKind::Information, text);
}

void TForm1::DeleteBackup() {
  if (backupBusy_) return;
  const int row = SelectedRecord(*w().RestoreListView, restoreList_.size(), kSelectDeleteText);
  if (row < 0) return;
  const TRestoreRecord record = restoreList_[row];
  const std::string question = "Are you sure you want to delete the backup \"" + record.BackupType +
                               " " + record.DateText + " " + record.TimeText + "\"";
  if (!AnsweredYes(question)) return;
  if (!DeleteBackupFiles(platform_.files, BackupFolder(platform_.system) + record.FileName)) {
    view_.app->ShowMessageBox(MessageKind::Error, kDeleteFailedText);
    return;
  }
  if (RebuildRestoreList) RebuildRestoreList();
  w().RestoreListView->SetSelectedRow(-1);
}

void TForm1::DoExportFullBackup() {
  if (backupBusy_) return;
  const FullBackupResult prepared = PrepareFullBackup(platform_);
  if (!prepared.ok) {
    view_.app->ShowMessageBox(MessageKind::Error,
                              "The full registry backup failed.\r\n\r\n" + prepared.error);
    return;
  }
  view_.app->ShowMessageBox(MessageKind::Plain, prepared.path);
  FullBackupResult r;
  {
    BackupWork work(*this, "Creating a full registry backup. Please wait...");
    r = ExportFullBackup(platform_, prepared, [this] { view_.app->ProcessMessages(); });
  }
  if (r.ok)
    view_.app->ShowMessageBox(MessageKind::Information, kFullBackupSuccessText);
  else
    view_.app->ShowMessageBox(MessageKind::Error,
                              "The full registry backup failed.\r\n\r\n" + r.error);
}

}  // namespace corvanta
