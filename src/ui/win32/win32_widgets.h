// The widget ports over real Win32 controls. Every control object is stored
// on its window handle; the container windows (panels, top-level windows)
// route a child's notifications (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*,
// WM_DRAWITEM) to the object of that child.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "ui/widgets.h"

namespace corvanta {

class Win32Application;
class Win32Window;

// Pixels at 96 DPI scaled to the screen's DPI.
int Scale(int pixels96);

// Shows the error box of an exception that reached a window procedure.
// While one such box is up, a further error (a repaint of the same fault)
// is not shown again.
void ShowEscapedError(const char* what);

// Runs body and returns its result; any exception (std::exception or not) is
// shown in the error box and `failed` returned. Every window procedure, hook
// and timer callback runs under it: nothing may unwind through the system.
template <typename Body, typename Result>
Result CatchAll(Body&& body, Result failed) noexcept {
  try {
    return body();
  } catch (const std::exception& e) {
    ShowEscapedError(e.what());
  } catch (...) {
    ShowEscapedError(nullptr);
  }
  return failed;
}

// Runs an event handler under CatchAll (the controller has its own
// dispatcher; this keeps anything else from unwinding through the system's
// window procedures). False when the handler raised.
bool RunEvent(const std::function<void()>& handler);

// Creates a child control at 96-DPI coordinates (scaled here) with a font.
HWND CreateChild(const char* cls, const std::string& text, DWORD style, DWORD exStyle, HWND parent,
                 int id, int x, int y, int w, int h, HFONT font);

class Win32Control {
 public:
  Win32Control() = default;
  Win32Control(const Win32Control&) = delete;
  Win32Control& operator=(const Win32Control&) = delete;
  virtual ~Win32Control();

  HWND hwnd() const { return hwnd_; }
  // The object stored on a handle, or nullptr.
  static Win32Control* From(HWND hwnd);

  virtual void HandleCommand(WORD /*code*/) {}
  virtual bool HandleNotify(NMHDR* /*hdr*/, LRESULT* /*result*/) { return false; }
  // Text colour for WM_CTLCOLORSTATIC; false = the system's.
  virtual bool TextColour(COLORREF* /*colour*/) const { return false; }
  virtual bool HandCursor() const { return false; }
  // A background of its own for WM_CTLCOLOR*; nullptr = the container's.
  virtual HBRUSH OwnBackground(COLORREF* /*colour*/) const { return nullptr; }
  virtual bool DrawItem(const DRAWITEMSTRUCT* /*item*/) { return false; }
  // Enter on a focused control (the window got IDOK): true when handled.
  virtual bool Activate() { return false; }

 protected:
  void Attach(HWND hwnd);
  HWND hwnd_ = nullptr;
};

// The routing every container window procedure shares. Returns true when the
// message was handled and *result holds the answer.
bool RouteToChild(HWND container, UINT msg, WPARAM wp, LPARAM lp, HBRUSH background,
                  LRESULT* result);

// A child window that holds other controls: a page, a pane, a side group's
// body. Paints its background and, optionally, a caption band.
class Win32Panel : public Win32Control {
 public:
  Win32Panel(HWND parent, int id, int x, int y, int w, int h, COLORREF background);
  ~Win32Panel() override;
  static void RegisterWindowClass();

  HBRUSH Background() const { return brush_.get(); }
  COLORREF BackgroundColour() const { return colour_; }
  // A caption band across the top (side groups).
  void SetBand(const std::string& caption, HFONT font, int height96, COLORREF bandColour,
               COLORREF textColour);
  void SetBandCaption(const std::string& caption);
  std::string BandCaption() const { return band_; }
  void SetBorder(bool border) { border_ = border; }
  // Sees every message first (an embedded control that draws through its
  // parent); true = handled, *result is the answer.
  using PreHandler = std::function<bool(UINT, WPARAM, LPARAM, LRESULT*)>;
  void SetPreHandler(PreHandler handler) { pre_ = std::move(handler); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Paint();

  COLORREF colour_;
  UniqueBrush brush_;
  std::string band_;
  HFONT bandFont_ = nullptr;
  int bandHeight_ = 0;
  COLORREF bandColour_ = 0;
  COLORREF bandText_ = 0;
  bool border_ = false;
  PreHandler pre_;
};

class Win32Label : public Label, public Win32Control {
 public:
  // style: SS_LEFT and friends; SS_NOTIFY is always added (a label gets a
  // click handler later and becomes a link).
  Win32Label(HWND parent, int id, const std::string& caption, int x, int y, int w, int h,
             HFONT font, DWORD style = SS_LEFT);
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override;
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override;
  Colour FontColour() const override { return colour_; }
  void SetFontColour(Colour colour) override;
  // The colour a link shows when the logic has not set one.
  void SetLinkStyle(HFONT font, Colour colour);
  void SetBlink(Colour colour) { blinkColour_ = colour; }
  void ToggleBlink();

  void HandleCommand(WORD code) override;
  bool TextColour(COLORREF* colour) const override;
  bool HandCursor() const override { return static_cast<bool>(OnClick); }
  bool Activate() override;

 private:
  std::string caption_;
  bool visible_ = true;
  Colour colour_ = kColourBlack;
  Colour blinkColour_ = kColourBlack;
  bool blinkOn_ = false;
};

class Win32CheckBox : public CheckBox, public Win32Control {
 public:
  Win32CheckBox(HWND parent, int id, const std::string& caption, int x, int y, int w, int h,
                HFONT font);
  bool Checked() const override;
  void SetChecked(bool checked) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override;
  void HandleCommand(WORD code) override;

 private:
  std::string caption_;
};

class Win32Button : public Button, public Win32Control {
 public:
  Win32Button(HWND parent, int id, const std::string& caption, int x, int y, int w, int h,
              HFONT font, bool isDefault = false);
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override;
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  // A click ends the window's running ShowModal with this result.
  void SetModalResult(Win32Window* window, ModalResult result) {
    modalWindow_ = window;
    modalResult_ = result;
  }
  ModalResult GetModalResult() const { return modalResult_; }
  void Click();  // as a user click
  void HandleCommand(WORD code) override;
  bool Activate() override;

 private:
  std::string caption_;
  bool visible_ = true;
  Win32Window* modalWindow_ = nullptr;
  ModalResult modalResult_ = ModalResult::None;
};

class Win32ProgressBar : public ProgressBar, public Win32Control {
 public:
  Win32ProgressBar(HWND parent, int id, int x, int y, int w, int h);
  int64_t TotalParts() const override { return total_; }
  void SetTotalParts(int64_t total) override;
  int64_t PartsComplete() const override { return complete_; }
  void SetPartsComplete(int64_t complete) override;

 private:
  void Update();
  int64_t total_ = 100;
  int64_t complete_ = 0;
};

class Win32Memo : public Memo, public Win32Control {
 public:
  Win32Memo(HWND parent, int id, int x, int y, int w, int h, HFONT font);
  ~Win32Memo() override;
  std::string Text() const override;
  void SetText(const std::string& text) override;
  HBRUSH OwnBackground(COLORREF* colour) const override;

 private:
  UniqueBrush brush_;
};

class Win32ReportListView : public ReportListView, public Win32Control {
 public:
  Win32ReportListView(HWND parent, int id, int x, int y, int w, int h, HFONT font);
  // The state image list (not owned).
  void SetStateImages(HIMAGELIST images);

  void AddColumn(const std::string& caption, int width) override;
  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  std::string ColumnCaption(int column) const override;
  void SetSorted(bool sorted) override;
  int AddRow(const std::string& caption) override;
  void DeleteRow(int row) override;
  void Clear() override;
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  std::string Cell(int row, int column) const override;
  void SetCell(int row, int column, const std::string& text) override;
  int StateImage(int row) const override;
  void SetStateImage(int row, int image) override;
  int SelectedRow() const override;
  void SetSelectedRow(int row) override;

  bool HandleNotify(NMHDR* hdr, LRESULT* result) override;

 private:
  struct Row {
    std::vector<std::string> cells;  // [0] = caption
    std::wstring key;                // the caption as the control shows and sorts it
    int image = -1;
  };
  bool Valid(int row) const { return row >= 0 && row < RowCount(); }
  int SortedPlace(const std::wstring& key, int skip) const;
  // Narrows the last column so the columns fit inside the client width.
  void FitColumns();
  void InsertItem(int index, const Row& row);
  void SetItemText(int index, int column, const std::string& text);
  void MoveRow(int from, int to);

  std::vector<std::string> columns_;
  std::vector<Row> rows_;
  bool sorted_ = false;
  int muted_ = 0;  // > 0 while the logic changes rows: no selection events
};

// Stacked child panels of which one is shown.
class Win32PageStack : public PageStack {
 public:
  // A container of `pages` panels, all of the container's size.
  Win32PageStack(HWND parent, int id, int x, int y, int w, int h, int pages, COLORREF background);
  ~Win32PageStack() override;
  int PageCount() const override { return static_cast<int>(pages_.size()); }
  int PageIndex() const override { return index_; }
  void SetPageIndex(int index) override;
  Win32Panel& Page(int index) { return *pages_[index]; }
  HWND hwnd() const { return container_->hwnd(); }
  HWND PageHwnd(int index) { return pages_[index]->hwnd(); }

 private:
  std::unique_ptr<Win32Panel> container_;
  std::vector<std::unique_ptr<Win32Panel>> pages_;
  int index_ = 0;
};

// A side group: a panel with a caption band, a collapse button and a column
// of owner-drawn item buttons (focusable, clickable with mouse and keyboard).
class Win32GroupBar : public GroupBar {
 public:
  Win32GroupBar(HWND parent, int id, const std::string& caption, int x, int y, int w, int h,
                HFONT captionFont, HFONT itemFont);
  ~Win32GroupBar() override;

  std::string Caption() const override { return panel_->BandCaption(); }
  void SetCaption(const std::string& caption) override { panel_->SetBandCaption(caption); }
  int AddItem(const std::string& caption) override;
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string ItemCaption(int index) const override;
  void SetItemCaption(int index, const std::string& caption) override;
  bool ItemVisible(int index) const override;
  void SetItemVisible(int index, bool visible) override;
  int SelectedItem() const override { return selected_; }
  void SetSelectedItem(int index) override;
  bool IsOpen() const override { return open_; }

  // A fixed text in the body under the items (the settings help).
  void SetBodyText(const std::string& text, HFONT font);
  HWND hwnd() const { return panel_->hwnd(); }

 private:
  class Item;
  class CollapseButton;
  bool Valid(int index) const { return index >= 0 && index < ItemCount(); }
  void Layout();
  void ItemClicked(int index);
  void CollapseClicked();
  void DrawItemButton(int index, const DRAWITEMSTRUCT* dis);

  std::unique_ptr<Win32Panel> panel_;
  std::vector<std::unique_ptr<Item>> items_;
  std::unique_ptr<CollapseButton> collapse_;
  HWND body_ = nullptr;
  HFONT itemFont_;
  int width96_;
  int selected_ = -1;
  bool open_ = true;
};

class Win32Window : public Window {
 public:
  enum class Kind {
    Main,    // caption, system menu, minimise; fixed border; top-most
    Dialog,  // caption and close box, owned by the main window
    Popup,   // borderless (a thin line), top-most
  };
  Win32Window(Win32Application& app, Kind kind, const std::string& caption, int clientW,
              int clientH, HWND owner, bool topMost, COLORREF background);
  ~Win32Window() override;
  static void RegisterClasses();

  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override;
  void Show() override;
  void Hide() override;
  bool Visible() const override;
  ModalResult ShowModal() override;
  void EndModal(ModalResult result) override;
  int Left() const override;
  int Top() const override;
  void SetLeft(int left) override;
  void SetTop(int top) override;
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(hwnd_); }
  void Close() override;

  HWND hwnd() const { return hwnd_; }
  HBRUSH Background() const { return brush_.get(); }
  // Centres the window on the desktop's work area, or on another window.
  void Centre(HWND on = nullptr);
  // Show and ShowModal centre the window anew each time: on `on`, or on the
  // desktop for nullptr (a dialog otherwise centres on its owner).
  void CentreWhenShown(HWND on) {
    centreWhenShown_ = true;
    centreOn_ = on;
  }
  void SetDefaultButton(Win32Button* button) { default_ = button; }
  void SetBlinkLabel(Win32Label* label);
  bool Closed() const { return closed_; }
  bool InModal() const { return inModal_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  Win32Application& app_;
  Kind kind_;
  bool centreWhenShown_ = false;
  HWND centreOn_ = nullptr;
  HWND hwnd_ = nullptr;
  std::string caption_;
  COLORREF colour_;
  UniqueBrush brush_;
  Win32Button* default_ = nullptr;
  Win32Label* blink_ = nullptr;
  bool inModal_ = false;
  bool closed_ = false;
  ModalResult endResult_ = ModalResult::None;
};

class Win32Application : public UiApplication {
 public:
  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  ModalResult ShowMessageBox(MessageKind kind, const std::string& text,
                             MessageButtons buttons = MessageButtons::Ok) override;
  void ProcessMessages() override;
  void Run() override;
  void Terminate() override;
  bool Terminated() const override { return terminated_; }

  void SetMainWindow(Win32Window* window) { main_ = window; }
  Win32Window* MainWindow() const { return main_; }
  // F1 on any of the program's windows runs this (the help link).
  void SetHelpKey(Label* link) { helpLink_ = link; }
  // Keyboard handling before dispatch: the help key and dialog navigation
  // (Tab, Enter, Esc). True when the message was consumed.
  bool PreTranslate(MSG& msg);

 private:
  std::string title_;
  Win32Window* main_ = nullptr;
  Label* helpLink_ = nullptr;
  bool terminated_ = false;
};

// The lamps of the scanning list: 0 red, 1 green, 2 grey, each 16 x 16.
HIMAGELIST CreateLampImages();

}  // namespace corvanta
