// The scan driver: DoScan, DoAbort and the scanning page the sections write to.
#include <exception>

#include "app/main.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "regexpr/regexpr.h"
#include "results/result_counts.h"
#include "scan/scan_engine.h"

namespace corvanta {

std::string IgnoreSkippedText(int skipped) {
  if (skipped <= 0) return std::string();
  return std::to_string(skipped) + (skipped == 1 ? " entry on your ignore list was skipped."
                                                 : " entries on your ignore list were skipped.");
}

std::string SummaryLine(std::size_t problemCount, int skippedByIgnoreList) {
  const std::string skipped = IgnoreSkippedText(skippedByIgnoreList);
  return std::string("<br><p align=\"center\">Found a total of <b>") +
         std::to_string(problemCount) +
         " Problems</b> in your Windows Registry.<br> To see the errors in each section please "
         "select a section on the left." +
         (skipped.empty() ? "" : "<br>" + skipped) + "</p>";
}

std::string ScanCompleteStatus(int unreadable, int skippedByIgnoreList) {
  std::string status = "Scanning Complete.";
  if (unreadable > 0)
    status += " " + std::to_string(unreadable) +
              (unreadable == 1 ? " registry key" : " registry keys") +
              " could not be read (access denied): run as administrator to scan them.";
  if (skippedByIgnoreList > 0) status += " " + IgnoreSkippedText(skippedByIgnoreList);
  return status;
}

bool TForm1::AnySectionTicked() const {
  for (bool ticked : TickedSections())
    if (ticked) return true;
  return false;
}

std::array<bool, kSectionCount> TForm1::TickedSections() const {
  std::array<bool, kSectionCount> ticked{};
  const auto boxes = view_.main.SectionBoxes();
  for (int i = 0; i < kSectionCount; ++i) ticked[i] = boxes[i]->Checked();
  return ticked;
}

void TForm1::RunSectionWithEngine(int number) {
  ScanEngine engine(*sharedRegistry_, *sharedRegExpr_, platform_, scanPage_, scanReport_, globals_);
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
  scanReport_.Clear();
  scanReport_.ignoreList = IgnoreStore().Load();
  // Sections open their keys relative to no open key (Custom Controls opens
  // "", the root): nothing left open before may shift them.
  sharedRegistry_->CloseKey();

  const bool all = StartedWithScan();
  const auto boxes = m.SectionBoxes();
  try {
    for (int n = 1; n <= kSectionCount; ++n)
      if (all || boxes[n - 1]->Checked()) RunSection(n);
  } catch (const std::exception& e) {
    // A failure that ends the scan (the shell link object cannot be made) is
    // reported, and the scan then ends as an aborted one does, with the
    // results of the sections that ran, instead of leaving page 1 stuck.
    app.ShowMessageBox(MessageKind::Error, e.what());
    globals_.AbortRequested = true;
  }

  m.StatusBar->SetCaption(
      ScanCompleteStatus(scanReport_.unreadable, scanReport_.skippedByIgnoreList));
  m.ProgressBar->SetPartsComplete(m.ProgressBar->TotalParts());

  // A close requested during the scan should not wait for the user's OK.
  if (!closePending_) view_.dlgComplete.window->ShowModal();

  TRegArray& problems = scanReport_.problems;
  UpdateDeleteKey(problems);
  ShowPage(kPageResults);
  UpdateResultCount(resultsPage_, TickedSections(), all, problems);
  m.lbResultHeader->SetCaption("Scan Results");
  m.ParamListBox->Clear();
  m.ParamListBox->AddItem(SummaryLine(problems.size(), scanReport_.skippedByIgnoreList));
  m.btRepair->SetVisible(!problems.empty());
}

bool TForm1::StillAProblem(const TRegRecord& problem) {
  ScanEngine engine(*sharedRegistry_, *sharedRegExpr_, platform_, scanPage_, scanReport_, globals_);
  return engine.StillAProblem(problem);
}

bool TForm1::AlwaysIgnore(std::size_t index) {
  TRegArray& problems = scanReport_.problems;
  if (index >= problems.size()) return false;
  problems[index].Action = kActionIgnore;
  IgnoreListStore store = IgnoreStore();
  const bool added = store.Add(IgnoreEntryFor(problems[index]));
  problems[index].AlwaysIgnored = true;
  // The repair's second look leaves alone what the new entry covers.
  scanReport_.ignoreList = store.Load();
  return added;
}

void TForm1::StopIgnoring(std::size_t index) {
  TRegArray& problems = scanReport_.problems;
  if (index >= problems.size()) return;
  IgnoreListStore store = IgnoreStore();
  const IgnoreList before = store.Load();
  const int at = before.Find(IgnoreEntryFor(problems[index]));
  if (at >= 0) store.Remove(before.Entries()[static_cast<std::size_t>(at)]);
  ReloadIgnoreList();  // problems that shared the entry are no longer listed either
  problems[index].AlwaysIgnored = false;
}

void TForm1::ReloadIgnoreList() {
  scanReport_.ignoreList = IgnoreStore().Load();
  for (TRegRecord& p : scanReport_.problems)
    if (p.AlwaysIgnored) p.AlwaysIgnored = scanReport_.ignoreList.Covers(p);
}

}  // namespace corvanta
