// What rebuilding the backup list needs of the backup page: its list, whether
// the page is the one shown, its restore pane, and the message pump. TForm1
// implements it over the widgets.
#pragma once

#include <string>

namespace corvanta {

class BackupListPage {
 public:
  virtual ~BackupListPage() = default;

  virtual void ClearRows() = 0;
  virtual void AddRow(const std::string& backupType, const std::string& dateTime) = 0;
  virtual bool Shown() const = 0;  // the backup page is NoteBook's current page
  virtual void ShowRestorePane() = 0;
  virtual void ProcessMessages() = 0;
};

}  // namespace corvanta
