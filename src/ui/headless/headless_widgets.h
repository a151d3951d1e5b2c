// In-memory widgets. Tests and the console program run the real controller on
// them: they script user actions (press a button, click an item, answer the
// next message box, act on the n-th pump) and read every widget back.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/widgets.h"

namespace corvanta {

class HeadlessApplication;

// Every widget reports what it does to its application's journal, so a test
// can check the order of events ("show TUpdateStatus", "pump 3", ...).
class HeadlessNode {
 public:
  HeadlessNode(HeadlessApplication& app, std::string name) : app_(app), name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

 protected:
  void Note(const std::string& what) const;
  HeadlessApplication& app_;
  std::string name_;
};

class HeadlessCheckBox : public CheckBox, public HeadlessNode {
 public:
  using HeadlessNode::HeadlessNode;
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  // A user click: toggles and fires OnClick; nothing when disabled.
  void Click();

 private:
  bool checked_ = false;
  bool enabled_ = true;
  std::string caption_;
};

class HeadlessLabel : public Label, public HeadlessNode {
 public:
  using HeadlessNode::HeadlessNode;
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  Colour FontColour() const override { return colour_; }
  void SetFontColour(Colour colour) override { colour_ = colour; }
  // A user click on a link; false when the label is hidden or no link.
  bool Click();

 private:
  std::string caption_;
  bool visible_ = true;
  Colour colour_ = kColourBlack;
};

class HeadlessButton : public Button, public HeadlessNode {
 public:
  using HeadlessNode::HeadlessNode;
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  // A user click; false (and nothing happens) when hidden or disabled.
  bool Press();

 private:
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
};

class HeadlessProgressBar : public ProgressBar, public HeadlessNode {
 public:
  using HeadlessNode::HeadlessNode;
  int64_t TotalParts() const override { return total_; }
  void SetTotalParts(int64_t total) override { total_ = total; }
  int64_t PartsComplete() const override { return complete_; }
  void SetPartsComplete(int64_t complete) override;
  // Every value PartsComplete took, in order.
  const std::vector<int64_t>& History() const { return history_; }
  void ClearHistory() { history_.clear(); }

 private:
  int64_t total_ = 100;
  int64_t complete_ = 0;
  std::vector<int64_t> history_;
};

class HeadlessMemo : public Memo, public HeadlessNode {
 public:
  using HeadlessNode::HeadlessNode;
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }

 private:
  std::string text_;
};

class HeadlessReportListView : public ReportListView, public HeadlessNode {
 public:
  using HeadlessNode::HeadlessNode;
  void AddColumn(const std::string& caption, int width) override;
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  std::string ColumnCaption(int column) const override;
  int ColumnWidth(int column) const;
  void SetSorted(bool sorted) override;
  int AddRow(const std::string& caption) override;
  void DeleteRow(int row) override;
  void Clear() override;
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  std::string Cell(int row, int column) const override;
  void SetCell(int row, int column, const std::string& text) override;
  int StateImage(int row) const override;
  void SetStateImage(int row, int image) override;
  int SelectedRow() const override { return selected_; }
  void SetSelectedRow(int row) override;
  // A user click on a row (fires OnSelectItem as the selection changes).
  void ClickRow(int row) { SetSelectedRow(row); }
  void PressDelete() {
    if (OnDeleteKey) OnDeleteKey();
  }

 private:
  struct Row {
    std::vector<std::string> cells;  // [0] = caption
    int image = -1;
  };
  bool Valid(int row) const { return row >= 0 && row < RowCount(); }
  void Resort();
  std::vector<std::pair<std::string, int>> columns_;
  std::vector<Row> rows_;
  int selected_ = -1;
  bool sorted_ = false;
};

class HeadlessPageStack : public PageStack, public HeadlessNode {
 public:
  HeadlessPageStack(HeadlessApplication& app, std::string name, int pages)
      : HeadlessNode(app, std::move(name)), pages_(pages) {}
  int PageCount() const override { return pages_; }
  int PageIndex() const override { return index_; }
  void SetPageIndex(int index) override;
  // Every page shown, in order (changes only).
  const std::vector<int>& History() const { return history_; }

 private:
  int pages_;
  int index_ = 0;
  std::vector<int> history_;
};

class HeadlessGroupBar : public GroupBar, public HeadlessNode {
 public:
  using HeadlessNode::HeadlessNode;
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  int AddItem(const std::string& caption) override;
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string ItemCaption(int index) const override;
  void SetItemCaption(int index, const std::string& caption) override;
  bool ItemVisible(int index) const override;
  void SetItemVisible(int index, bool visible) override;
  int SelectedItem() const override { return selected_; }
  void SetSelectedItem(int index) override;
  bool IsOpen() const override { return open_; }
  // A user click on an item: selects it, then fires OnItemClick. False for a
  // hidden or absent item.
  bool ClickItem(int index);
  // The user's collapse request; returns whether the group is still open.
  bool RequestCollapse();

 private:
  struct Item {
    std::string caption;
    bool visible = true;
  };
  bool Valid(int i) const { return i >= 0 && i < ItemCount(); }
  std::string caption_;
  std::vector<Item> items_;
  int selected_ = -1;
  bool open_ = true;
};

class HeadlessWindow : public Window, public HeadlessNode {
 public:
  using HeadlessNode::HeadlessNode;
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  void Show() override;
  void Hide() override;
  bool Visible() const override { return visible_; }
  // Records the modal show, fires OnShow, pumps once (a modal loop processes
  // messages), runs the script set by OnModal, then returns the next queued
  // answer (default Ok) unless the script ended the dialog itself.
  ModalResult ShowModal() override;
  void EndModal(ModalResult result) override;
  int Left() const override { return left_; }
  int Top() const override { return top_; }
  void SetLeft(int left) override { left_ = left; }
  void SetTop(int top) override { top_ = top; }
  uintptr_t NativeHandle() const override { return 0; }
  // Asks OnCloseQuery; when allowed, hides the window and marks it closed.
  void Close() override;

  bool Closed() const { return closed_; }
  int ModalCount() const { return modalCount_; }
  void QueueModalResult(ModalResult result) { modalAnswers_.push_back(result); }
  // Runs while the window is shown modally (after OnShow).
  std::function<void()> OnModal;

 private:
  std::string caption_;
  bool visible_ = false;
  bool closed_ = false;
  bool inModal_ = false;
  ModalResult endResult_ = ModalResult::None;
  int left_ = 0, top_ = 0;
  int modalCount_ = 0;
  std::deque<ModalResult> modalAnswers_;
};

class HeadlessApplication : public UiApplication {
 public:
  struct ShownBox {
    MessageKind kind;
    std::string text;
    MessageButtons buttons;
    ModalResult result;
  };

  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }

  // Answers the box with the queued result, or with its first button (Ok or
  // Yes) when the queue is empty.
  ModalResult ShowMessageBox(MessageKind kind, const std::string& text,
                             MessageButtons buttons = MessageButtons::Ok) override;
  // Counts the pump and runs the actions due at it (see OnPump, EveryPump).
  void ProcessMessages() override;
  // Runs the posted user actions one by one, pumping after each, until the
  // main window is closed, Terminate is called or no action is left (an idle
  // headless loop has nothing that could ever happen).
  void Run() override;
  void Terminate() override { terminated_ = true; }
  bool Terminated() const override { return terminated_; }

  // Scripting.
  void QueueAnswer(ModalResult result) { answers_.push_back(result); }
  // Runs action at the n-th pump from now (n = 1: the next pump).
  void OnPump(int n, std::function<void()> action);
  // Runs action at every pump until cleared.
  void EveryPump(std::function<void()> action) { everyPump_ = std::move(action); }
  // A user action for Run to perform.
  void Post(std::function<void()> action) { posted_.push_back(std::move(action)); }
  void SetMainWindow(HeadlessWindow* window) { mainWindow_ = window; }

  // Reading back.
  const std::vector<ShownBox>& Boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }
  int PumpCount() const { return pumps_; }
  const std::vector<std::string>& Journal() const { return journal_; }
  void ClearJournal() { journal_.clear(); }
  // Off: nothing is kept (the console program runs long scans headless).
  void SetJournalEnabled(bool enabled) { journalEnabled_ = enabled; }
  // Called with every journal entry as it is made.
  std::function<void(const std::string&)> OnJournal;

  void Note(const std::string& entry);

 private:
  std::string title_;
  std::deque<ModalResult> answers_;
  std::vector<ShownBox> boxes_;
  std::multimap<int, std::function<void()>> due_;  // absolute pump number
  std::function<void()> everyPump_;
  std::deque<std::function<void()>> posted_;
  std::vector<std::string> journal_;
  HeadlessWindow* mainWindow_ = nullptr;
  int pumps_ = 0;
  bool journalEnabled_ = true;
  bool terminated_ = false;
};

}  // namespace corvanta
