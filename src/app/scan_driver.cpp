// The scan driver: DoScan, DoAbort and the scanning page the sections write to.
#include <exception>

#include "app/main.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "regexpr/regexpr.h"
#include "results/result_counts.h"
#include "scan/scan_engine.h"
#include "scan/scan_page.h"

namespace corvanta {

namespace {

// The scan reports every value it judges; repainting the status line and the
// counters and pumping for each would cost more than the judging. Texts are
// kept and shown when the page pumps, at most every kRepaintIntervalMs (so
// Abort is still seen well within a tenth of a second); a new row, a
// section's end and the progress show at once, with the next pump.
constexpr std::uint64_t kRepaintIntervalMs = 50;

class WidgetScanPage : public ScanPage {
 public:
  WidgetScanPage(MainView& view, System& system) : view_(view), m_(view.main), system_(system) {}

  void AddRow(const std::string& caption, const std::string& errorsFound, const std::string& status,
              int stateImage) override {
    Flush();
    ReportListView& list = *m_.ScanListView;
    const int row = list.AddRow(caption);
    list.SetCell(row, 1, errorsFound);
    list.SetCell(row, 2, status);
    list.SetStateImage(row, stateImage);
    due_ = true;
  }
  void SetLastRowErrorsFound(const std::string& text) override { rowErrors_.Set(text); }
  void SetLastRowStatus(const std::string& text) override {
    Flush();
    if (int row = LastRow(); row >= 0) m_.ScanListView->SetCell(row, 2, text);
    due_ = true;
  }
  void SetLastRowStateImage(int stateImage) override {
    Flush();
    if (int row = LastRow(); row >= 0) m_.ScanListView->SetStateImage(row, stateImage);
    due_ = true;
  }
  void SetTotalFound(const std::string& text) override { total_.Set(text); }
  void SetStatusText(const std::string& text) override { status_.Set(text); }
  void SetProgressPosition(int completed) override {
    Flush();
    m_.ProgressBar->SetPartsComplete(completed);
    due_ = true;
  }
  void ProcessMessages() override {
    const std::uint64_t now = system_.TickCount();
    if (!due_ && now - lastPump_ < kRepaintIntervalMs) return;
    Flush();
    view_.app->ProcessMessages();
    lastPump_ = now;
    due_ = false;
  }

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
  void Flush() {
    if (rowErrors_.set)
      if (int row = LastRow(); row >= 0) m_.ScanListView->SetCell(row, 1, rowErrors_.text);
    if (total_.set) m_.lbTotalFound->SetCaption(total_.text);
    if (status_.set) m_.StatusBar->SetCaption(status_.text);
    rowErrors_.set = total_.set = status_.set = false;
  }
  int LastRow() const { return m_.ScanListView->RowCount() - 1; }
  MainView& view_;
  MainWindowView& m_;
  System& system_;
  Pending rowErrors_, total_, status_;
  std::uint64_t lastPump_ = 0;
  bool due_ = true;
};

}  // namespace

std::unique_ptr<ScanPage> MakeWidgetScanPage(MainView& view, System& system) {
  return std::make_unique<WidgetScanPage>(view, system);
}

std::string SummaryLine(std::size_t problemCount) {
  return std::string("<br><p align=\"center\">Found a total of <b>") +
         std::to_string(problemCount) +
         " Problems</b> in your Windows Registry.<br> To see the errors in each section please "
         "select a section on the left.</p>";
}

std::string ScanCompleteStatus(int unreadable) {
  if (unreadable == 0) return "Scanning Complete.";
  return "Scanning Complete. " + std::to_string(unreadable) +
         (unreadable == 1 ? " registry key" : " registry keys") +
         " could not be read (access denied): run as administrator to scan them.";
}

bool TForm1::AnySectionTicked() const {
  for (CheckBox* box : view_.main.SectionBoxes())
    if (box->Checked()) return true;
  return false;
}

void TForm1::RunSectionWithEngine(int number) {
  ScanEngine engine(*sharedRegistry_, *sharedRegExpr_, platform_, *scanPage_, problemList_,
                    globals_);
  engine.RunSection(number);
}

void TForm1::DoAbort() {
  globals_.AbortRequested = true;
}

void TForm1::DoScan() {
  // A pump during a scan cannot start a second one.
  if (Busy()) return;
  MainWindowView& m = w();
  UiApplication& app = *view_.app;
  const auto boxes = m.SectionBoxes();

  if (!AnySectionTicked()) {
    app.ShowMessageBox(MessageKind::Plain, kNoSectionsText);
    ShowPage(kPageSettings);
    return;
  }

  BusyScope busy(*this);
  m.ScanListView->Clear();
  m.lbTotalFound->SetCaption("0");
  globals_.AbortRequested = false;
  ShowPage(kPageScanning);
  globals_.TotalFoundCount = 0;
  globals_.UnreadableCount = 0;
  globals_.UnreadablePaths.clear();
  globals_.UnreadableSeen.clear();
  m.ProgressBar->SetPartsComplete(0);
  m.ProgressBar->SetTotalParts(13);
  problemList_.clear();
  // Sections open their keys relative to no open key (Custom Controls opens
  // "", the root): nothing left open before may shift them.
  sharedRegistry_->CloseKey();

  const bool all = StartedWithScan();
  try {
    for (int n = 1; n <= 13; ++n)
      if (all || boxes[n - 1]->Checked()) RunSection(n);
  } catch (const std::exception& e) {
    // A failure that ends the scan (the shell link object cannot be made) is
    // reported, and the scan then ends as an aborted one does, with the
    // results of the sections that ran, instead of leaving page 1 stuck.
    app.ShowMessageBox(MessageKind::Error, e.what());
    globals_.AbortRequested = true;
  }

  m.StatusBar->SetCaption(ScanCompleteStatus(globals_.UnreadableCount));
  m.ProgressBar->SetPartsComplete(m.ProgressBar->TotalParts());

  // A close requested during the scan should not wait for the user's OK.
  if (!closePending_) view_.dlgComplete.window->ShowModal();

  UpdateDeleteKey(problemList_);
  ShowPage(kPageResults);
  UpdateResultCount(*m.ResultGroup, *m.lbTotalProblems, boxes, all, problemList_);
  m.lbResultHeader->SetCaption("Scan Results");
  m.ParamListBox->Clear();
  m.ParamListBox->AddItem(SummaryLine(problemList_.size()));
  m.btRepair->SetVisible(!problemList_.empty());
}

bool TForm1::StillAProblem(const TRegRecord& problem) {
  ScanEngine engine(*sharedRegistry_, *sharedRegExpr_, platform_, *scanPage_, problemList_,
                    globals_);
  return engine.StillAProblem(problem);
}

}  // namespace corvanta
