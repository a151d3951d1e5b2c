// What the repair needs of the windows: the two settings it obeys, the status
// window, the questions and errors it shows, the Repair Results page, and the
// message pump. TForm1 implements it over the widgets.
#pragma once

#include <string>

namespace corvanta {

struct RepairReport;

class RepairPage {
 public:
  virtual ~RepairPage() = default;

  virtual bool RestorePointWanted() const = 0;  // cbSysRestore
  virtual bool BackupWanted() const = 0;        // cbBackup
  // The status window, shown beside the main window, and its one line.
  virtual void ShowStatusWindow() = 0;
  virtual void HideStatusWindow() = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  // A confirmation with Yes and No: true for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  virtual void ShowError(const std::string& text) = 0;
  // Page 3 painted from the report, then shown.
  virtual void ShowReport(const RepairReport& report) = 0;
  virtual void ProcessMessages() = 0;
};

}  // namespace corvanta
