#include "app/widget_pages.h"

#include "app/main.h"
#include "results/repair.h"
#include "results/result_list.h"
#include "ui/markup/markup.h"

namespace corvanta {

// ---------------------------------------------------------------------------
// The markup of the results list

std::string EscapeMarkup(const std::string& text) {
  return markup::EscapeText(text);
}

std::string ProblemLine(const TRegRecord& record, std::size_t index) {
  std::string line;
  line += "<FONT color=\"#FF0000\"><B>";
  line += EscapeMarkup(record.ProblemLabel);
  line += ":</B> </FONT>";
  line += "Set to <B><a href=\"list";
  line += std::to_string(index);
  line += "\" class=\"LIST\" props=\"Delete|Ignore|Always Ignore\">";
  if (record.Action != kActionIgnore)
    line += "Delete";
  else
    line += record.AlwaysIgnored ? "Ignore (always)" : "Ignore";
  line += "</A></B><br>";
  line += "Location: ";
  line += EscapeMarkup(record.KeyPath);
  line += "<br><br>";
  line += record.ValueName.empty() ? std::string("(Default)") : EscapeMarkup(record.ValueName);
  line += " = ";
  line += EscapeMarkup(record.ValueData);
  line += "<br>";
  line += std::string(155, '.');
  return line;
}

std::string EmptySectionLine(const std::string& caption) {
  const std::size_t cut = caption.find(" (");
  const std::string name = cut == std::string::npos ? caption : caption.substr(0, cut);
  return "<br><p align=\"center\">Could not find any invalid entries in the <b>" +
         EscapeMarkup(name) + "</b> section of your registry</p>";
}

// ---------------------------------------------------------------------------
// The scanning page

void WidgetScanPage::AddRow(const std::string& caption, const std::string& errorsFound,
                            const std::string& status, int stateImage) {
  Flush();
  ReportListView& list = *view_.main.ScanListView;
  const int row = list.AddRow(caption);
  list.SetCell(row, 1, errorsFound);
  list.SetCell(row, 2, status);
  list.SetStateImage(row, stateImage);
  due_ = true;
}
void WidgetScanPage::SetLastRowErrorsFound(const std::string& text) {
  rowErrors_.Set(text);
}
void WidgetScanPage::SetLastRowStatus(const std::string& text) {
  Flush();
  if (int row = LastRow(); row >= 0) view_.main.ScanListView->SetCell(row, 2, text);
  due_ = true;
}
void WidgetScanPage::SetLastRowStateImage(int stateImage) {
  Flush();
  if (int row = LastRow(); row >= 0) view_.main.ScanListView->SetStateImage(row, stateImage);
  due_ = true;
}
void WidgetScanPage::SetTotalFound(const std::string& text) {
  total_.Set(text);
}
void WidgetScanPage::SetStatusText(const std::string& text) {
  status_.Set(text);
}
void WidgetScanPage::SetProgressPosition(int completed) {
  Flush();
  view_.main.ProgressBar->SetPartsComplete(completed);
  due_ = true;
}
void WidgetScanPage::ProcessMessages() {
  const std::uint64_t now = system_.TickCount();
  if (due_ || now - lastRepaint_ >= kRepaintIntervalMs) {
    Flush();
    lastRepaint_ = now;
    due_ = false;
  } else if (now - lastPump_ < kPumpIntervalMs) {
    return;
  }
  view_.app->ProcessMessages();
  lastPump_ = now;
}
void WidgetScanPage::Flush() {
  if (rowErrors_.set)
    if (int row = LastRow(); row >= 0) view_.main.ScanListView->SetCell(row, 1, rowErrors_.text);
  if (total_.set) view_.main.lbTotalFound->SetCaption(total_.text);
  if (status_.set) view_.main.StatusBar->SetCaption(status_.text);
  rowErrors_.set = total_.set = status_.set = false;
}
int WidgetScanPage::LastRow() const {
  return view_.main.ScanListView->RowCount() - 1;
}

// ---------------------------------------------------------------------------
// The results page

void WidgetResultsPage::SetItemVisible(int item, bool visible) {
  m_.ResultGroup->SetItemVisible(item, visible);
}
bool WidgetResultsPage::ItemVisible(int item) const {
  return m_.ResultGroup->ItemVisible(item);
}
int WidgetResultsPage::SelectedItem() const {
  return m_.ResultGroup->SelectedItem();
}
void WidgetResultsPage::SetSelectedItem(int item) {
  m_.ResultGroup->SetSelectedItem(item);
}
void WidgetResultsPage::SetItemCaption(int item, const std::string& caption) {
  m_.ResultGroup->SetItemCaption(item, caption);
}
void WidgetResultsPage::SetTotalProblems(const std::string& text) {
  m_.lbTotalProblems->SetCaption(text);
}
void WidgetResultsPage::SetHeader(const std::string& text) {
  m_.lbResultHeader->SetCaption(text);
}
void WidgetResultsPage::SetDescription(const std::string& text) {
  m_.SectionDesc->SetCaption(text);
}
void WidgetResultsPage::ClearList() {
  m_.ParamListBox->Clear();
}
// A line is the record's index; its markup is made when the line is shown.
void WidgetResultsPage::AddProblemLine(const TRegArray& problems, std::size_t index) {
  if (lineSource_ != &problems) {
    lineSource_ = &problems;
    m_.ParamListBox->SetItemSource([p = &problems](std::uint32_t key) {
      return key < p->size() ? ProblemLine((*p)[key], key) : std::string();
    });
  }
  m_.ParamListBox->AddKeyedItem(static_cast<std::uint32_t>(index));
}
void WidgetResultsPage::AddEmptySectionLine(const std::string& itemName) {
  m_.ParamListBox->AddItem(EmptySectionLine(itemName));
}
void WidgetResultsPage::SelectLine(int line) {
  m_.ParamListBox->SetItemIndex(line);
}

void BindResultsPage(MainWindowView& view, ResultsPage& page, TRegArray& ProblemList,
                     IgnoreListPick pick) {
  ResultsPage* p = &page;
  TRegArray* problems = &ProblemList;
  view.ResultGroup->OnItemClick = [p, problems](int index) {
    ShowSectionResults(*p, *problems, index);
  };
  view.ResultGroup->OnCanClose = [] { return ResultGroupCanClose(); };
  ParamListBox* box = view.ParamListBox;
  view.ParamListBox->OnParamEditDone = [box, problems, pick](int idx, const std::string& href,
                                                             const std::string& value) {
    // The line is made again from its record ("Ignore (always)"), also when
    // writing the list failed and the record kept a plain Ignore.
    struct Remake {
      ParamListBox* box;
      int idx;
      ~Remake() { box->RefreshItem(idx); }
    } remake{box, idx};
    ParamListBoxParamEditDone(*problems, idx, href, value, pick);
  };
  view.ParamListBox->OnParamClick = [p](int idx, const std::string& href,
                                        const std::string& value) {
    ParamListBoxParamClick(*p, idx, href, value);
  };
}

// ---------------------------------------------------------------------------
// The repair

bool WidgetRepairPage::RestorePointWanted() const {
  return view_.main.cbSysRestore->Checked();
}
bool WidgetRepairPage::BackupWanted() const {
  return view_.main.cbBackup->Checked();
}
void WidgetRepairPage::ShowStatusWindow() {
  Window* status = view_.repairStatus.window;
  status->Show();
  status->SetLeft(view_.main.window->Left() + 300);
}
void WidgetRepairPage::HideStatusWindow() {
  view_.repairStatus.window->Hide();
}
void WidgetRepairPage::SetStatusText(const std::string& text) {
  view_.repairStatus.lbStatus->SetCaption(text);
}
bool WidgetRepairPage::AskYesNo(const std::string& question) {
  return view_.app->ShowMessageBox(MessageKind::Confirmation, question, MessageButtons::YesNo) ==
         ModalResult::Yes;
}
void WidgetRepairPage::ShowError(const std::string& text) {
  view_.app->ShowMessageBox(MessageKind::Error, text);
}
void WidgetRepairPage::ProcessMessages() {
  view_.app->ProcessMessages();
}

void WidgetRepairPage::ShowReport(const RepairReport& out) {
  MainWindowView& v = view_.main;
  if (out.left == 0) {
    v.lbResultTitle->SetCaption("Repair Successful");
    v.lbResultText->SetCaption(
        "All detected registry problems were repaired. It is advisable to rescan your computer "
        "weekly to keep your Windows Registry in shape.");
    v.lbResultText->SetFontColour(kColourBlack);
  } else {
    v.lbResultTitle->SetCaption("Repair Incomplete");
    v.lbResultText->SetCaption(
        "Not every registry problem could be repaired: some entries could not be deleted or "
        "backed up, for example because access was denied or a file is in use. Rescan your "
        "computer to see the problems left.");
    v.lbResultText->SetFontColour(kColourRed);
  }
  v.lbLeftLabel->SetVisible(out.left != 0);
  v.lbLeft->SetVisible(out.left != 0);
  v.lbLeft->SetCaption(std::to_string(out.left));
  v.lbResultBack->SetCaption(
      "To further boost system performance, click the \"Back\" button below and visit our "
      "advanced tools section, then remove any unnecessary BHOs and Startup Entries.");
  v.lbFound->SetCaption(std::to_string(out.found));
  v.lbIgnored->SetCaption(std::to_string(out.ignored));
  v.lbRepaired->SetCaption(std::to_string(out.repaired));
  v.NoteBook->SetPageIndex(kPageRepairResults);
}

void BindRepair(MainView& view, RepairContext& ctx) {
  RepairContext* c = &ctx;
  view.main.btRepair->OnClick = [c] { DoRepair(*c); };
  UiApplication* app = view.app;
  view.repairStatus.window->OnShow = [app] { app->ProcessMessages(); };
}

// ---------------------------------------------------------------------------
// The backup list

void WidgetBackupListPage::ClearRows() {
  view_.main.RestoreListView->Clear();
}
void WidgetBackupListPage::AddRow(const std::string& backupType, const std::string& dateTime) {
  ReportListView& list = *view_.main.RestoreListView;
  const int row = list.AddRow(backupType);
  list.SetCell(row, 1, dateTime);
}
bool WidgetBackupListPage::Shown() const {
  return view_.main.NoteBook->PageIndex() == kPageBackup;
}
void WidgetBackupListPage::ShowRestorePane() {
  view_.main.BackupNotebook->SetPageIndex(0);
}
void WidgetBackupListPage::ProcessMessages() {
  view_.app->ProcessMessages();
}

}  // namespace corvanta
