// What the logic needs of the widgets: plain abstract classes with virtual
// accessors and std::function events. ui/headless implements them in memory
// (tests, the console program), ui/win32 over real controls.
//
// Rules every implementation keeps:
// - Setters called by the logic never raise the widget's events (setting
//   Checked does not fire OnClick, setting the page index does fire
//   OnPageChanged: that event is a page change, not a user click).
// - Events fire on the GUI thread, from the message pump or from a user action.
// - Texts are 8-bit ANSI strings; "&&" in a caption shows as one "&".
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ui/param_list_box.h"

namespace corvanta {

using ClickEvent = std::function<void()>;

// A colour as Windows stores it: 0x00BBGGRR.
using Colour = uint32_t;
constexpr Colour kColourBlack = 0x000000;
constexpr Colour kColourGreen = 0x008000;
constexpr Colour kColourBlue = 0xFF0000;
constexpr Colour kColourRed = 0x0000FF;

class CheckBox {
 public:
  virtual ~CheckBox() = default;
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;  // does not fire OnClick
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;  // a disabled box keeps its Checked state
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Fired after a user click has toggled Checked (only when enabled).
  ClickEvent OnClick;
};

// A static text. Also used for one-line read-only text fields (StatusBar),
// panel captions (SectionDesc) and clickable links: a label with an OnClick
// handler is a link (the Win32 one shows a hand cursor over it).
class Label {
 public:
  virtual ~Label() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual Colour FontColour() const = 0;
  virtual void SetFontColour(Colour colour) = 0;
  ClickEvent OnClick;
};

class Button {
 public:
  virtual ~Button() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // Fired on a click of a visible, enabled button.
  ClickEvent OnClick;
};

// Counted in parts: shows PartsComplete / TotalParts of its length.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual int64_t TotalParts() const = 0;
  virtual void SetTotalParts(int64_t total) = 0;
  virtual int64_t PartsComplete() const = 0;
  virtual void SetPartsComplete(int64_t complete) = 0;
};

// Multi-line read-only text.
class Memo {
 public:
  virtual ~Memo() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;  // lines separated by CR LF
};

// A report-style list view: columns with captions, rows of a caption (column
// 0) and sub-item cells (columns 1..), an optional state image per row,
// whole-row selection, read-only, no column-click sorting.
class ReportListView {
 public:
  // row = the row's index; selected = true when it became selected, false when
  // it lost the selection.
  using SelectEvent = std::function<void(int row, bool selected)>;

  virtual ~ReportListView() = default;

  virtual void AddColumn(const std::string& caption, int width) = 0;
  virtual int ColumnCount() const = 0;
  virtual std::string ColumnCaption(int column) const = 0;

  // Kept sorted ascending by row caption (locale-aware compare of the text,
  // as lstrcmpW does); a row takes its sorted place as soon as its caption is
  // set, so AddRow returns the index where it landed. Off by default.
  virtual void SetSorted(bool sorted) = 0;

  // Appends a row with the caption, empty cells and no state image (-1).
  virtual int AddRow(const std::string& caption) = 0;
  virtual void DeleteRow(int row) = 0;
  virtual void Clear() = 0;  // removes every row, selection cleared
  virtual int RowCount() const = 0;

  // column 0 is the caption; cells of columns beyond those set read as "".
  virtual std::string Cell(int row, int column) const = 0;
  virtual void SetCell(int row, int column, const std::string& text) = 0;

  // Index into the view's state image list; -1 = none. The scan page's list
  // holds 0 red lamp, 1 green lamp, 2 grey lamp.
  virtual int StateImage(int row) const = 0;
  virtual void SetStateImage(int row, int image) = 0;

  virtual int SelectedRow() const = 0;  // -1 when none
  // -1 clears the selection. Fires OnSelectItem like a user selection does.
  virtual void SetSelectedRow(int row) = 0;

  SelectEvent OnSelectItem;
  // The Delete key pressed while the list has the focus.
  ClickEvent OnDeleteKey;
};

// A stack of pages of which exactly one is shown.
class PageStack {
 public:
  virtual ~PageStack() = default;
  virtual int PageCount() const = 0;
  virtual int PageIndex() const = 0;
  // Shows page `index`; when that differs from the shown page, fires
  // OnPageChanged after the switch. Selecting the shown page is no change.
  virtual void SetPageIndex(int index) = 0;
  ClickEvent OnPageChanged;
};

// A side group: a caption over a column of clickable items, one of which is
// the selected item. The group could be collapsed by the user; it asks
// OnCanClose first and stays open when that answers false.
class GroupBar {
 public:
  using ItemClickEvent = std::function<void(int index)>;

  virtual ~GroupBar() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;

  virtual int AddItem(const std::string& caption) = 0;  // returns its index
  virtual int ItemCount() const = 0;
  virtual std::string ItemCaption(int index) const = 0;
  virtual void SetItemCaption(int index, const std::string& caption) = 0;
  virtual bool ItemVisible(int index) const = 0;
  virtual void SetItemVisible(int index, bool visible) = 0;

  virtual int SelectedItem() const = 0;  // -1 when none
  // Selects one item, deselecting the others; runs no click handler.
  virtual void SetSelectedItem(int index) = 0;

  virtual bool IsOpen() const = 0;  // not collapsed

  // A user click on a visible item: the widget has already made it the
  // selected item when the handler runs.
  ItemClickEvent OnItemClick;
  // The collapse request; answering false keeps the group open. Without a
  // handler the group collapses.
  std::function<bool()> OnCanClose;
};

enum class ModalResult { None, Ok, Cancel, Yes, No };

// A top-level window.
class Window {
 public:
  virtual ~Window() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;

  virtual void Show() = 0;  // not modal; fires OnShow
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;

  // Shows the window modally and returns when it is closed (by a button with a
  // modal result, by EndModal, Enter = the default button, Esc = Cancel, or the
  // close box = Cancel). Fires OnShow. Pumps messages while it waits.
  virtual ModalResult ShowModal() = 0;
  // Ends a running ShowModal with this result.
  virtual void EndModal(ModalResult result) = 0;

  virtual int Left() const = 0;
  virtual int Top() const = 0;
  virtual void SetLeft(int left) = 0;
  virtual void SetTop(int top) = 0;

  // The window's handle (HWND) as a number, for calls that take an owner
  // window; 0 where there is none (headless).
  virtual uintptr_t NativeHandle() const = 0;

  // Asks to close the window (the user's close box, Alt+F4 or the logic).
  // OnCloseQuery answers whether it may close now; for the main window a
  // close ends the application's message loop.
  virtual void Close() = 0;

  ClickEvent OnShow;
  std::function<bool()> OnCloseQuery;
};

// The standard message boxes.
enum class MessageKind {
  Plain,         // no icon
  Information,   // information icon
  Warning,       // warning icon
  Error,         // error icon
  Confirmation,  // question icon
};
enum class MessageButtons { Ok, YesNo, YesCancel, OkCancel };

// The application: the message boxes, the message pump and the message loop.
class UiApplication {
 public:
  virtual ~UiApplication() = default;

  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string Title() const = 0;

  // (Not named MessageBox: that is a Win32 macro.)
  // Shows a modal message box (caption = the application title) and returns
  // the button pressed: Ok, Yes, No or Cancel (Esc or the close box give
  // Cancel, or No for Yes/No boxes).
  virtual ModalResult ShowMessageBox(MessageKind kind, const std::string& text,
                                     MessageButtons buttons = MessageButtons::Ok) = 0;

  // Processes every message waiting in the GUI thread's queue, then returns.
  virtual void ProcessMessages() = 0;

  // Runs the message loop until the main window is closed or Terminate is
  // called.
  virtual void Run() = 0;
  // Asks the message loop to end; Run returns as soon as it gets control.
  virtual void Terminate() = 0;
  virtual bool Terminated() const = 0;
};

}  // namespace corvanta
