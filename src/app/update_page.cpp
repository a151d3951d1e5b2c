// "Check for Updates" and the start-up check: the version, what is new, the
// download with its progress window, and the installer's start.
#include "app/main.h"
#include "update/update.h"

namespace corvanta {

namespace {

// Hides a window on every way out.
class HideAfter {
 public:
  explicit HideAfter(Window* w) : w_(w) {}
  ~HideAfter() { w_->Hide(); }
  HideAfter(const HideAfter&) = delete;
  HideAfter& operator=(const HideAfter&) = delete;

 private:
  Window* w_;
};

}  // namespace

void TForm1::DoUpdate() {
  Window* checking = view_.updateChecking.window;
  checking->Show();
  HideAfter hide(checking);
  view_.app->ProcessMessages();
  if (CheckForUpdate) CheckForUpdate();
}

void TForm1::RunUpdateCheck() {
  if (updateStarted_) return;  // the installer is on its way
  UiApplication& app = *view_.app;
  // A manual check shows the checking window; the start-up check does not.
  const bool manual = view_.updateChecking.window->Visible();
  BusyScope busy(*this);
  CommandLock lock(*this);
  DownloadCancelRequested = false;
  const HttpPump pump = [this, &app](const HttpProgress&) {
    app.ProcessMessages();
    return !DownloadCancelRequested;
  };

  app.ProcessMessages();
  const std::string server = UpdateServer(platform_.registry);
  const ServerVersion version = AskServerVersion(platform_.http, server, pump);
  if (!version.update) {
    if (manual && !closePending_) app.ShowMessageBox(MessageKind::Information, kNoUpdateText);
    return;
  }
  app.ProcessMessages();
  view_.updateAlert.WhatsNew->SetText(AskWhatsNew(platform_.http, server, pump));
  if (closePending_ || view_.updateAlert.window->ShowModal() != ModalResult::Ok) return;

  DownloadCancelRequested = false;
  InstallerDownload download;
  {
    Window* progress = view_.progressForm.window;
    progress->Show();
    HideAfter hide(progress);
    app.ProcessMessages();
    download = DownloadInstaller(platform_.http, server, [this, &app](const HttpProgress& p) {
      UpdateDownloadProgress(p);
      app.ProcessMessages();
      return !DownloadCancelRequested;
    });
  }
  if (closePending_) return;  // the user is closing the program
  std::string path, why;
  if (!download.ok ||
      !PlaceInstaller(platform_.system, platform_.files, download.bytes, &path, &why)) {
    app.ShowMessageBox(MessageKind::Warning, kUpdateFailedText);
    return;
  }
  app.ShowMessageBox(MessageKind::Information, kUpdateStartsText);
  if (!StartInstaller(platform_.system, platform_.shell, path)) {
    app.ShowMessageBox(MessageKind::Warning, kUpdateFailedText);
    return;
  }
  updateStarted_ = true;
  app.Terminate();
}

void TForm1::UpdateDownloadProgress(const HttpProgress& progress) {
  // An unknown length leaves the bar empty rather than dividing by it.
  corvanta::ProgressBar* bar = view_.progressForm.ProgressBar;
  bar->SetTotalParts(progress.announced > 0 ? progress.announced : 0);
  bar->SetPartsComplete(progress.announced > 0 ? progress.received : 0);
}

void TForm1::RzButton1Click() {
  DownloadCancelRequested = true;
}

}  // namespace corvanta
