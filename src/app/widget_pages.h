// The pages' narrow ports implemented over the widgets of the main window:
// what the scan, the results code, the repair and the backup list see of it.
// TForm1 owns one of each; tests and the console program may build their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "backup/backup_list_page.h"
#include "platform/system.h"
#include "results/repair_page.h"
#include "results/result_list.h"
#include "results/results_page.h"
#include "scan/problems.h"
#include "scan/scan_page.h"
#include "ui/main_view.h"

namespace corvanta {

struct RepairContext;

// The markup of the results list. Registry texts show as stored: "<", ">",
// "&" and the double quote become entities the markup parser decodes again.
std::string EscapeMarkup(const std::string& text);
// One problem; index is the record's index in the problem list.
std::string ProblemLine(const TRegRecord& record, std::size_t index);
// The single line of a section without problems; caption is the item's
// caption, with or without its count suffix.
std::string EmptySectionLine(const std::string& caption);

// The scan reports every value it judges; repainting the status line and the
// counters and pumping for each would cost more than the judging. Texts are
// kept and shown at most every kRepaintIntervalMs; a new row, a section's end
// and the progress show at once, with the next pump. Messages are pumped
// more often, every kPumpIntervalMs, so that the window answers and Abort is
// seen without waiting for the next repaint.
class WidgetScanPage : public ScanPage {
 public:
  static constexpr std::uint64_t kRepaintIntervalMs = 50;
  static constexpr std::uint64_t kPumpIntervalMs = 10;

  WidgetScanPage(MainView& view, System& system) : view_(view), system_(system) {}
  void AddRow(const std::string& caption, const std::string& errorsFound, const std::string& status,
              int stateImage) override;
  void SetLastRowErrorsFound(const std::string& text) override;
  void SetLastRowStatus(const std::string& text) override;
  void SetLastRowStateImage(int stateImage) override;
  void SetTotalFound(const std::string& text) override;
  void SetStatusText(const std::string& text) override;
  void SetProgressPosition(int completed) override;
  void ProcessMessages() override;

 private:
  // A text waiting for the next repaint.
  struct Pending {
    std::string text;
    bool set = false;
    void Set(const std::string& t) {
      text = t;
      set = true;
    }
  };
  void Flush();
  int LastRow() const;
  MainView& view_;
  System& system_;
  Pending rowErrors_, total_, status_;
  std::uint64_t lastPump_ = 0, lastRepaint_ = 0;
  bool due_ = true;
};

// ResultGroup, lbResultHeader, lbTotalProblems, SectionDesc and ParamListBox.
class WidgetResultsPage : public ResultsPage {
 public:
  explicit WidgetResultsPage(MainWindowView& view) : m_(view) {}
  void SetItemVisible(int item, bool visible) override;
  bool ItemVisible(int item) const override;
  int SelectedItem() const override;
  void SetSelectedItem(int item) override;
  void SetItemCaption(int item, const std::string& caption) override;
  void SetTotalProblems(const std::string& text) override;
  void SetHeader(const std::string& text) override;
  void SetDescription(const std::string& text) override;
  void ClearList() override;
  void AddProblemLine(const TRegArray& problems, std::size_t index) override;
  void AddEmptySectionLine(const std::string& itemName) override;
  void SelectLine(int line) override;

 private:
  MainWindowView& m_;
  const TRegArray* lineSource_ = nullptr;  // the list the box's keyed lines read
};

// cbSysRestore, cbBackup, TRepairStatus, the message boxes and page 3.
class WidgetRepairPage : public RepairPage {
 public:
  explicit WidgetRepairPage(MainView& view) : view_(view) {}
  bool RestorePointWanted() const override;
  bool BackupWanted() const override;
  void ShowStatusWindow() override;
  void HideStatusWindow() override;
  void SetStatusText(const std::string& text) override;
  bool AskYesNo(const std::string& question) override;
  void ShowError(const std::string& text) override;
  void ShowReport(const RepairReport& report) override;
  void ProcessMessages() override;

 private:
  MainView& view_;
};

// RestoreListView, NoteBook's backup page and BackupNotebook.
class WidgetBackupListPage : public BackupListPage {
 public:
  explicit WidgetBackupListPage(MainView& view) : view_(view) {}
  void ClearRows() override;
  void AddRow(const std::string& backupType, const std::string& dateTime) override;
  bool Shown() const override;
  void ShowRestorePane() override;
  void ProcessMessages() override;

 private:
  MainView& view_;
};

// Binds the Results page's events (item clicks, the group's close query, the
// list's parameter events) to the handlers of results/result_list.h. All
// three must outlive the view's widgets. pick keeps the ignore list in step
// with "Always Ignore" and with picks on listed problems.
void BindResultsPage(MainWindowView& view, ResultsPage& page, TRegArray& ProblemList,
                     IgnoreListPick pick = {});

// Binds btRepair and the status window's show handler (which pumps once so the
// window paints at once). ctx must outlive the widgets.
void BindRepair(MainView& view, RepairContext& ctx);

}  // namespace corvanta
