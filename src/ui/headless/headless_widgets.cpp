#include "ui/headless/headless_widgets.h"

#include <algorithm>

namespace corvanta {

void HeadlessNode::Note(const std::string& what) const {
  app_.Note(what + " " + name_);
}

void HeadlessCheckBox::Click() {
  if (!enabled_) return;
  checked_ = !checked_;
  Note("click");
  if (OnClick) OnClick();
}

bool HeadlessLabel::Click() {
  if (!visible_ || !OnClick) return false;
  Note("click");
  OnClick();
  return true;
}

bool HeadlessButton::Press() {
  if (!visible_ || !enabled_) return false;
  Note("press");
  if (OnClick) OnClick();
  return true;
}

void HeadlessProgressBar::SetPartsComplete(int64_t complete) {
  complete_ = complete;
  history_.push_back(complete);
}

void HeadlessReportListView::AddColumn(const std::string& caption, int width) {
  columns_.emplace_back(caption, width);
}

std::string HeadlessReportListView::ColumnCaption(int column) const {
  return column >= 0 && column < ColumnCount() ? columns_[column].first : std::string();
}

int HeadlessReportListView::ColumnWidth(int column) const {
  return column >= 0 && column < ColumnCount() ? columns_[column].second : 0;
}

void HeadlessReportListView::SetSorted(bool sorted) {
  sorted_ = sorted;
  Resort();
}

// Byte-wise (code point order in UTF-8), ignoring ASCII case first: close
// enough to lstrcmpW for tests.
static bool CaptionLess(const std::string& a, const std::string& b) {
  auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    int x = lower(static_cast<unsigned char>(a[i]));
    int y = lower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

void HeadlessReportListView::Resort() {
  if (!sorted_) return;
  const Row* sel = Valid(selected_) ? &rows_[selected_] : nullptr;
  std::vector<std::string> selCells = sel ? sel->cells : std::vector<std::string>();
  std::stable_sort(rows_.begin(), rows_.end(),
                   [](const Row& a, const Row& b) { return CaptionLess(a.cells[0], b.cells[0]); });
  if (sel) {
    for (int i = 0; i < RowCount(); ++i)
      if (rows_[i].cells == selCells) selected_ = i;
  }
}

int HeadlessReportListView::AddRow(const std::string& caption) {
  Row r;
  r.cells.push_back(caption);
  if (!sorted_) {
    rows_.push_back(r);
    return RowCount() - 1;
  }
  auto at = std::upper_bound(rows_.begin(), rows_.end(), r, [](const Row& a, const Row& b) {
    return CaptionLess(a.cells[0], b.cells[0]);
  });
  int index = static_cast<int>(at - rows_.begin());
  rows_.insert(at, r);
  if (selected_ >= index) ++selected_;
  return index;
}

void HeadlessReportListView::DeleteRow(int row) {
  if (!Valid(row)) return;
  rows_.erase(rows_.begin() + row);
  if (selected_ == row)
    selected_ = -1;
  else if (selected_ > row)
    --selected_;
}

void HeadlessReportListView::Clear() {
  rows_.clear();
  selected_ = -1;
}

std::string HeadlessReportListView::Cell(int row, int column) const {
  if (!Valid(row) || column < 0) return std::string();
  const auto& cells = rows_[row].cells;
  return column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

void HeadlessReportListView::SetCell(int row, int column, const std::string& text) {
  if (!Valid(row) || column < 0) return;
  auto& cells = rows_[row].cells;
  if (column >= static_cast<int>(cells.size())) cells.resize(column + 1);
  cells[column] = text;
  if (column == 0) Resort();
}

int HeadlessReportListView::StateImage(int row) const {
  return Valid(row) ? rows_[row].image : -1;
}

void HeadlessReportListView::SetStateImage(int row, int image) {
  if (Valid(row)) rows_[row].image = image;
}

void HeadlessReportListView::SetSelectedRow(int row) {
  if (!Valid(row)) row = -1;
  if (row == selected_) return;
  int old = selected_;
  selected_ = row;
  if (old >= 0 && OnSelectItem) OnSelectItem(old, false);
  if (row >= 0 && OnSelectItem) OnSelectItem(row, true);
}

void HeadlessPageStack::SetPageIndex(int index) {
  if (index < 0 || index >= pages_ || index == index_) return;
  index_ = index;
  history_.push_back(index);
  app_.Note("page " + name_ + " " + std::to_string(index));
  if (OnPageChanged) OnPageChanged();
}

int HeadlessGroupBar::AddItem(const std::string& caption) {
  items_.push_back(Item{caption, true});
  return ItemCount() - 1;
}

std::string HeadlessGroupBar::ItemCaption(int index) const {
  return Valid(index) ? items_[index].caption : std::string();
}

void HeadlessGroupBar::SetItemCaption(int index, const std::string& caption) {
  if (Valid(index)) items_[index].caption = caption;
}

bool HeadlessGroupBar::ItemVisible(int index) const {
  return Valid(index) && items_[index].visible;
}

void HeadlessGroupBar::SetItemVisible(int index, bool visible) {
  if (Valid(index)) items_[index].visible = visible;
}

void HeadlessGroupBar::SetSelectedItem(int index) {
  selected_ = Valid(index) ? index : -1;
}

bool HeadlessGroupBar::ClickItem(int index) {
  if (!ItemVisible(index)) return false;
  selected_ = index;
  Note("click item " + std::to_string(index));
  if (OnItemClick) OnItemClick(index);
  return true;
}

bool HeadlessGroupBar::RequestCollapse() {
  if (!OnCanClose || OnCanClose()) open_ = false;
  return open_;
}

void HeadlessWindow::Show() {
  closed_ = false;
  if (!visible_) {
    visible_ = true;
    Note("show");
  }
  if (OnShow) OnShow();
}

void HeadlessWindow::Hide() {
  if (visible_) {
    visible_ = false;
    Note("hide");
  }
}

ModalResult HeadlessWindow::ShowModal() {
  ++modalCount_;
  visible_ = true;
  inModal_ = true;
  endResult_ = ModalResult::None;
  Note("modal");
  if (OnShow) OnShow();
  app_.ProcessMessages();
  if (OnModal && endResult_ == ModalResult::None) OnModal();
  ModalResult result = endResult_;
  if (result == ModalResult::None) {
    result = ModalResult::Ok;
    if (!modalAnswers_.empty()) {
      result = modalAnswers_.front();
      modalAnswers_.pop_front();
    }
  }
  inModal_ = false;
  visible_ = false;
  Note("end modal");
  return result;
}

void HeadlessWindow::EndModal(ModalResult result) {
  if (inModal_) endResult_ = result;
}

void HeadlessWindow::Close() {
  if (OnCloseQuery && !OnCloseQuery()) {
    Note("close refused");
    return;
  }
  if (inModal_) endResult_ = ModalResult::Cancel;
  visible_ = false;
  closed_ = true;
  Note("close");
}

ModalResult HeadlessApplication::ShowMessageBox(MessageKind kind, const std::string& text,
                                                MessageButtons buttons) {
  ModalResult result = (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesCancel)
                           ? ModalResult::Yes
                           : ModalResult::Ok;
  if (!answers_.empty()) {
    result = answers_.front();
    answers_.pop_front();
  }
  boxes_.push_back(ShownBox{kind, text, buttons, result});
  Note("box " + text);
  return result;
}

void HeadlessApplication::ProcessMessages() {
  ++pumps_;
  Note("pump " + std::to_string(pumps_));
  // Take the due actions out first: an action may pump again.
  auto range = due_.equal_range(pumps_);
  std::vector<std::function<void()>> now;
  for (auto it = range.first; it != range.second; ++it) now.push_back(std::move(it->second));
  due_.erase(range.first, range.second);
  for (auto& action : now) action();
  if (everyPump_) {
    auto copy = everyPump_;
    copy();
  }
}

void HeadlessApplication::OnPump(int n, std::function<void()> action) {
  due_.emplace(pumps_ + n, std::move(action));
}

void HeadlessApplication::Run() {
  Note("run");
  while (!terminated_ && !(mainWindow_ && mainWindow_->Closed()) && !posted_.empty()) {
    auto action = std::move(posted_.front());
    posted_.pop_front();
    action();
    if (!terminated_) ProcessMessages();
  }
  Note("run end");
}

void HeadlessApplication::Note(const std::string& entry) {
  if (!journalEnabled_) return;
  journal_.push_back(entry);
  if (OnJournal) OnJournal(entry);
}

}  // namespace corvanta
