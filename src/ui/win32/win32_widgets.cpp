#include "ui/win32/win32_widgets.h"

#include <algorithm>
#include <climits>
#include <exception>

#include "platform/win32/wide_text.h"
#include "ui/win32/control_ids.h"

namespace corvanta {

namespace {

const char kObjectProp[] = "CorvantaControl";

int ScreenDpi() {
  static int dpi = 0;
  if (dpi == 0) {
    const WindowDc dc(nullptr);
    dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 96;
    if (dpi <= 0) dpi = 96;
  }
  return dpi;
}

HINSTANCE Instance() {
  return GetModuleHandleA(nullptr);
}

COLORREF Bgr(Colour c) {
  return static_cast<COLORREF>(c & 0x00FFFFFF);
}

}  // namespace

int Scale(int pixels96) {
  return MulDiv(pixels96, ScreenDpi(), 96);
}

void ShowEscapedError(const char* what) {
  static int showing = 0;
  if (showing > 0) return;
  ++showing;
  MessageBoxW(GetActiveWindow(), Wide(what ? what : "An unexpected error occurred.").c_str(),
              L"Corvanta", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  --showing;
}

bool RunEvent(const std::function<void()>& handler) {
  if (!handler) return true;
  return CatchAll(
      [&] {
        handler();
        return true;
      },
      false);
}

HWND CreateChild(const char* cls, const std::string& text, DWORD style, DWORD exStyle, HWND parent,
                 int id, int x, int y, int w, int h, HFONT font) {
  HWND hwnd =
      CreateWindowExW(exStyle, Wide(cls).c_str(), Wide(text).c_str(), style | WS_CHILD, Scale(x),
                      Scale(y), Scale(w), Scale(h), parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (hwnd && font) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return hwnd;
}

// ---------------------------------------------------------------------------
// Routing

Win32Control::~Win32Control() {
  if (hwnd_ && IsWindow(hwnd_)) RemovePropA(hwnd_, kObjectProp);
}

Win32Control* Win32Control::From(HWND hwnd) {
  return hwnd ? static_cast<Win32Control*>(GetPropA(hwnd, kObjectProp)) : nullptr;
}

void Win32Control::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  if (hwnd_) SetPropA(hwnd_, kObjectProp, this);
}

bool RouteToChild(HWND container, UINT msg, WPARAM wp, LPARAM lp, HBRUSH background,
                  LRESULT* result) {
  switch (msg) {
    case WM_COMMAND: {
      Win32Control* c = Win32Control::From(reinterpret_cast<HWND>(lp));
      if (!c || lp == 0) return false;
      c->HandleCommand(HIWORD(wp));
      *result = 0;
      return true;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      Win32Control* c = Win32Control::From(hdr->hwndFrom);
      return c && c->HandleNotify(hdr, result);
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      Win32Control* c = Win32Control::From(reinterpret_cast<HWND>(lp));
      COLORREF colour;
      if (c && c->TextColour(&colour)) SetTextColor(dc, colour);
      if (HBRUSH own = c ? c->OwnBackground(&colour) : nullptr) {
        SetBkColor(dc, colour);
        *result = reinterpret_cast<LRESULT>(own);
        return true;
      }
      // Read-only edits keep the system's colours.
      char cls[16] = {};
      GetClassNameA(reinterpret_cast<HWND>(lp), cls, sizeof cls);
      if (lstrcmpiA(cls, "Edit") == 0) return false;
      SetBkMode(dc, TRANSPARENT);
      *result = reinterpret_cast<LRESULT>(background);
      return true;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      Win32Control* c = Win32Control::From(dis->hwndItem);
      if (c && c->DrawItem(dis)) {
        *result = TRUE;
        return true;
      }
      return false;
    }
    case WM_SETCURSOR: {
      Win32Control* c = Win32Control::From(reinterpret_cast<HWND>(wp));
      if (c && c->HandCursor() && LOWORD(lp) == HTCLIENT) {
        // IDC_HAND is missing on the oldest systems.
        HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
        SetCursor(hand ? hand : LoadCursor(nullptr, IDC_ARROW));
        *result = TRUE;
        return true;
      }
      return false;
    }
    default:
      (void)container;
      return false;
  }
}

// ---------------------------------------------------------------------------
// Panel

Win32Panel::Win32Panel(HWND parent, int id, int x, int y, int w, int h, COLORREF background)
    : colour_(background), brush_(CreateSolidBrush(background)) {
  HWND hwnd =
      CreateWindowExW(WS_EX_CONTROLPARENT, Wide(kPanelClass).c_str(), L"",
                      WS_CHILD | WS_CLIPSIBLINGS, Scale(x), Scale(y), Scale(w), Scale(h), parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  Attach(hwnd);
}

Win32Panel::~Win32Panel() = default;

void Win32Panel::RegisterWindowClass() {
  const std::wstring name = Wide(kPanelClass);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = Instance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = name.c_str();
  ::RegisterClassW(&wc);
}

void Win32Panel::SetBand(const std::string& caption, HFONT font, int height96, COLORREF bandColour,
                         COLORREF textColour) {
  band_ = caption;
  bandFont_ = font;
  bandHeight_ = Scale(height96);
  bandColour_ = bandColour;
  bandText_ = textColour;
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Panel::SetBandCaption(const std::string& caption) {
  band_ = caption;
  RECT r = {0, 0, 0, bandHeight_};
  GetClientRect(hwnd_, &r);
  r.bottom = bandHeight_;
  InvalidateRect(hwnd_, &r, TRUE);
}

void Win32Panel::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT r;
  GetClientRect(hwnd_, &r);
  FillRect(dc, &r, brush_.get());
  if (bandHeight_ > 0) {
    RECT band = r;
    band.bottom = bandHeight_;
    const UniqueBrush b(CreateSolidBrush(bandColour_));
    FillRect(dc, &band, b.get());
    HGDIOBJ old = SelectObject(dc, bandFont_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, bandText_);
    band.left += Scale(8);
    const std::wstring text = Wide(band_);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &band,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
  }
  if (border_) {
    const UniqueBrush frame(
        CreateSolidBrush(bandHeight_ > 0 ? bandColour_ : GetSysColor(COLOR_BTNSHADOW)));
    FrameRect(dc, &r, frame.get());
  }
  EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK Win32Panel::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return CatchAll(
      [&]() -> LRESULT {
        auto* self = static_cast<Win32Panel*>(Win32Control::From(hwnd));
        if (self) {
          LRESULT result = 0;
          if (self->pre_ && self->pre_(msg, wp, lp, &result)) return result;
          if (RouteToChild(hwnd, msg, wp, lp, self->brush_.get(), &result)) return result;
          switch (msg) {
            case WM_ERASEBKGND:
              return TRUE;
            case WM_PAINT:
              self->Paint();
              return 0;
            default:
              break;
          }
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
      },
      LRESULT{0});
}

// ---------------------------------------------------------------------------
// Label

Win32Label::Win32Label(HWND parent, int id, const std::string& caption, int x, int y, int w, int h,
                       HFONT font, DWORD style)
    : caption_(caption) {
  Attach(CreateChild("STATIC", caption, style | SS_NOTIFY | WS_VISIBLE, 0, parent, id, x, y, w, h,
                     font));
}

void Win32Label::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  SetWindowTextW(hwnd_, Wide(caption_).c_str());
}

void Win32Label::SetVisible(bool visible) {
  visible_ = visible;
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Label::SetFontColour(Colour colour) {
  colour_ = colour;
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Label::SetLinkStyle(HFONT font, Colour colour) {
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  colour_ = colour;
  // Links take the keyboard focus like buttons (Enter clicks them).
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  SetWindowLongPtrW(hwnd_, GWL_STYLE, style | WS_TABSTOP);
}

void Win32Label::ToggleBlink() {
  blinkOn_ = !blinkOn_;
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Label::HandleCommand(WORD code) {
  if ((code == STN_CLICKED || code == STN_DBLCLK) && OnClick) RunEvent(OnClick);
}

bool Win32Label::TextColour(COLORREF* colour) const {
  *colour = Bgr(blinkOn_ ? blinkColour_ : colour_);
  return true;
}

bool Win32Label::Activate() {
  if (!OnClick) return false;
  RunEvent(OnClick);
  return true;
}

// ---------------------------------------------------------------------------
// Check box

Win32CheckBox::Win32CheckBox(HWND parent, int id, const std::string& caption, int x, int y, int w,
                             int h, HFONT font)
    : caption_(caption) {
  Attach(CreateChild("BUTTON", caption, BS_CHECKBOX | WS_TABSTOP | WS_VISIBLE, 0, parent, id, x, y,
                     w, h, font));
}

bool Win32CheckBox::Checked() const {
  return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32CheckBox::SetChecked(bool checked) {
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32CheckBox::Enabled() const {
  return IsWindowEnabled(hwnd_) != FALSE;
}

void Win32CheckBox::SetEnabled(bool enabled) {
  EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void Win32CheckBox::SetCaption(const std::string& caption) {
  caption_ = caption;
  SetWindowTextW(hwnd_, Wide(caption_).c_str());
}

void Win32CheckBox::HandleCommand(WORD code) {
  // The box toggles itself here rather than as BS_AUTOCHECKBOX: a disabled
  // box must keep its state whatever message reaches it.
  if (code != BN_CLICKED || !Enabled()) return;
  SetChecked(!Checked());
  RunEvent(OnClick);
}

// ---------------------------------------------------------------------------
// Button

Win32Button::Win32Button(HWND parent, int id, const std::string& caption, int x, int y, int w,
                         int h, HFONT font, bool isDefault)
    : caption_(caption) {
  Attach(CreateChild("BUTTON", caption,
                     (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | WS_VISIBLE, 0,
                     parent, id, x, y, w, h, font));
}

void Win32Button::SetCaption(const std::string& caption) {
  caption_ = caption;
  SetWindowTextW(hwnd_, Wide(caption_).c_str());
}

void Win32Button::SetVisible(bool visible) {
  visible_ = visible;
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32Button::Enabled() const {
  return IsWindowEnabled(hwnd_) != FALSE;
}

void Win32Button::SetEnabled(bool enabled) {
  EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void Win32Button::Click() {
  if (!visible_ || !Enabled()) return;
  RunEvent(OnClick);
  if (modalWindow_ && modalResult_ != ModalResult::None) modalWindow_->EndModal(modalResult_);
}

void Win32Button::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Click();
}

bool Win32Button::Activate() {
  Click();
  return true;
}

// ---------------------------------------------------------------------------
// Progress bar

Win32ProgressBar::Win32ProgressBar(HWND parent, int id, int x, int y, int w, int h) {
  Attach(CreateChild(PROGRESS_CLASSA, "", WS_VISIBLE | PBS_SMOOTH, 0, parent, id, x, y, w, h,
                     nullptr));
  Update();
}

void Win32ProgressBar::SetTotalParts(int64_t total) {
  total_ = total < 0 ? 0 : total;
  Update();
}

void Win32ProgressBar::SetPartsComplete(int64_t complete) {
  complete_ = complete < 0 ? 0 : complete;
  Update();
}

void Win32ProgressBar::Update() {
  // The control counts in int; large totals are scaled down together.
  int64_t total = total_, done = std::min(complete_, total_);
  while (total > INT_MAX) {
    total /= 2;
    done /= 2;
  }
  SendMessageW(hwnd_, PBM_SETRANGE32, 0, static_cast<LPARAM>(total > 0 ? total : 1));
  SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(done), 0);
}

// ---------------------------------------------------------------------------
// Memo

namespace {
const COLORREF kCream = RGB(255, 251, 240);
}

Win32Memo::Win32Memo(HWND parent, int id, int x, int y, int w, int h, HFONT font)
    : brush_(CreateSolidBrush(kCream)) {
  Attach(CreateChild(
      "EDIT", "",
      WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
      WS_EX_CLIENTEDGE, parent, id, x, y, w, h, font));
}

Win32Memo::~Win32Memo() = default;

HBRUSH Win32Memo::OwnBackground(COLORREF* colour) const {
  *colour = kCream;
  return brush_.get();
}

std::string Win32Memo::Text() const {
  const int n = GetWindowTextLengthW(hwnd_);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd_, &s[0], n + 1);
  return Narrow(s.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void Win32Memo::SetText(const std::string& text) {
  SetWindowTextW(hwnd_, Wide(text).c_str());
}

// ---------------------------------------------------------------------------
// Report list view

Win32ReportListView::Win32ReportListView(HWND parent, int id, int x, int y, int w, int h,
                                         HFONT font) {
  Attach(CreateChild(
      WC_LISTVIEWA, "",
      WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
      WS_EX_CLIENTEDGE, parent, id, x, y, w, h, font));
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void Win32ReportListView::SetStateImages(HIMAGELIST images) {
  SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(images));
}

void Win32ReportListView::AddColumn(const std::string& caption, int width) {
  // The header draws "&&" as one "&" and a lone "&" as a mnemonic: the
  // caption goes in as written ("Creation Date && Time").
  std::wstring text = Wide(caption);
  LVCOLUMNW col = {};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.cx = Scale(width);
  col.pszText = &text[0];
  col.iSubItem = ColumnCount();
  SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(ColumnCount()),
               reinterpret_cast<LPARAM>(&col));
  columns_.push_back(caption);
  FitColumns();
}

void Win32ReportListView::FitColumns() {
  // Columns that fill the list to the pixel make a horizontal scroll bar that
  // scrolls nothing; the last one gives way, leaving room for a vertical bar.
  RECT rc;
  if (ColumnCount() == 0 || !GetClientRect(hwnd_, &rc)) return;
  const int room = static_cast<int>(rc.right - rc.left) - GetSystemMetrics(SM_CXVSCROLL);
  int total = 0;
  for (int c = 0; c < ColumnCount(); ++c)
    total += static_cast<int>(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
  if (total <= room) return;
  const int last = ColumnCount() - 1;
  const int width =
      static_cast<int>(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(last), 0));
  SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(last),
               MAKELPARAM(std::max(Scale(20), width - (total - room)), 0));
}

std::string Win32ReportListView::ColumnCaption(int column) const {
  return column >= 0 && column < ColumnCount() ? columns_[column] : std::string();
}

int Win32ReportListView::SortedPlace(const std::wstring& key, int skip) const {
  // The rows stay sorted: the place after every row (but `skip`) that does not
  // sort after the caption.
  int place = 0;
  for (int i = 0; i < RowCount(); ++i) {
    if (i != skip && lstrcmpW(rows_[i].key.c_str(), key.c_str()) <= 0) ++place;
  }
  return place;
}

void Win32ReportListView::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (!sorted_) return;
  std::vector<Row> copy = rows_;
  std::stable_sort(copy.begin(), copy.end(), [](const Row& a, const Row& b) {
    return lstrcmpW(a.key.c_str(), b.key.c_str()) < 0;
  });
  int sel = SelectedRow();
  std::vector<std::string> selCells = Valid(sel) ? rows_[sel].cells : std::vector<std::string>();
  ++muted_;
  SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  rows_.clear();
  for (size_t i = 0; i < copy.size(); ++i) {
    rows_.push_back(copy[i]);
    InsertItem(static_cast<int>(i), copy[i]);
  }
  --muted_;
  if (!selCells.empty()) {
    for (int i = 0; i < RowCount(); ++i) {
      if (rows_[i].cells == selCells) {
        ++muted_;
        ListView_SetItemState(hwnd_, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        --muted_;
        break;
      }
    }
  }
}

void Win32ReportListView::SetItemText(int index, int column, const std::string& text) {
  std::wstring wide = Wide(text);
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = &wide[0];
  SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&item));
}

void Win32ReportListView::InsertItem(int index, const Row& row) {
  std::wstring caption = row.key;
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_STATE;
  item.iItem = index;
  item.pszText = &caption[0];
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(row.image >= 0 ? row.image + 1 : 0);
  SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  for (size_t c = 1; c < row.cells.size(); ++c)
    SetItemText(index, static_cast<int>(c), row.cells[c]);
}

int Win32ReportListView::AddRow(const std::string& caption) {
  Row r;
  r.cells.push_back(caption);
  r.key = Wide(caption);
  int index = sorted_ ? SortedPlace(r.key, -1) : RowCount();
  rows_.insert(rows_.begin() + index, r);
  ++muted_;
  InsertItem(index, r);
  --muted_;
  return index;
}

void Win32ReportListView::DeleteRow(int row) {
  if (!Valid(row)) return;
  rows_.erase(rows_.begin() + row);
  ++muted_;
  SendMessageW(hwnd_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  --muted_;
}

void Win32ReportListView::Clear() {
  rows_.clear();
  ++muted_;
  SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  --muted_;
}

std::string Win32ReportListView::Cell(int row, int column) const {
  if (!Valid(row) || column < 0) return std::string();
  const auto& cells = rows_[row].cells;
  return column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

void Win32ReportListView::MoveRow(int from, int to) {
  if (from == to) return;
  bool selected = ListView_GetItemState(hwnd_, from, LVIS_SELECTED) != 0;
  Row r = rows_[from];
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, r);
  ++muted_;
  SendMessageW(hwnd_, LVM_DELETEITEM, static_cast<WPARAM>(from), 0);
  InsertItem(to, r);
  if (selected)
    ListView_SetItemState(hwnd_, to, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  --muted_;
}

void Win32ReportListView::SetCell(int row, int column, const std::string& text) {
  if (!Valid(row) || column < 0) return;
  auto& cells = rows_[row].cells;
  if (column >= static_cast<int>(cells.size())) cells.resize(column + 1);
  cells[column] = text;
  if (column == 0) rows_[row].key = Wide(text);
  ++muted_;
  SetItemText(row, column, text);
  --muted_;
  if (column == 0 && sorted_) MoveRow(row, SortedPlace(rows_[row].key, row));
}

int Win32ReportListView::StateImage(int row) const {
  return Valid(row) ? rows_[row].image : -1;
}

void Win32ReportListView::SetStateImage(int row, int image) {
  if (!Valid(row)) return;
  rows_[row].image = image;
  ++muted_;
  ListView_SetItemState(hwnd_, row, INDEXTOSTATEIMAGEMASK(image >= 0 ? image + 1 : 0),
                        LVIS_STATEIMAGEMASK);
  --muted_;
}

int Win32ReportListView::SelectedRow() const {
  return static_cast<int>(
      SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

void Win32ReportListView::SetSelectedRow(int row) {
  if (!Valid(row)) row = -1;
  int old = SelectedRow();
  if (row == old) return;
  // The control's own notifications report the change (as for a user click).
  if (old >= 0) ListView_SetItemState(hwnd_, old, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row >= 0) {
    ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, row, FALSE);
  }
}

bool Win32ReportListView::HandleNotify(NMHDR* hdr, LRESULT* result) {
  if (hdr->code == LVN_KEYDOWN) {
    *result = 0;
    if (reinterpret_cast<NMLVKEYDOWN*>(hdr)->wVKey == VK_DELETE && OnDeleteKey)
      RunEvent([&] { OnDeleteKey(); });
    return true;
  }
  if (hdr->code != LVN_ITEMCHANGED) return false;
  auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
  *result = 0;
  if (muted_ > 0 || !(nm->uChanged & LVIF_STATE) || nm->iItem < 0) return true;
  bool was = (nm->uOldState & LVIS_SELECTED) != 0;
  bool now = (nm->uNewState & LVIS_SELECTED) != 0;
  if (was != now && OnSelectItem) {
    int row = nm->iItem;
    RunEvent([&] { OnSelectItem(row, now); });
  }
  return true;
}

// ---------------------------------------------------------------------------
// Page stack

Win32PageStack::Win32PageStack(HWND parent, int id, int x, int y, int w, int h, int pages,
                               COLORREF background)
    : container_(std::make_unique<Win32Panel>(parent, id, x, y, w, h, background)) {
  ShowWindow(container_->hwnd(), SW_SHOWNA);
  for (int i = 0; i < pages; ++i) {
    pages_.push_back(
        std::make_unique<Win32Panel>(container_->hwnd(), ctl::kPage0 + i, 0, 0, w, h, background));
  }
  if (!pages_.empty()) ShowWindow(pages_[0]->hwnd(), SW_SHOWNA);
}

Win32PageStack::~Win32PageStack() {
  pages_.clear();  // the pages before their container
  container_.reset();
}

void Win32PageStack::SetPageIndex(int index) {
  if (index < 0 || index >= PageCount() || index == index_) return;
  HWND focus = GetFocus();
  bool focusOnOldPage = focus && IsChild(pages_[index_]->hwnd(), focus);
  ShowWindow(pages_[index]->hwnd(), SW_SHOWNA);
  ShowWindow(pages_[index_]->hwnd(), SW_HIDE);
  index_ = index;
  if (focusOnOldPage) {
    // Keep the keyboard in the window: the first tab stop of the new page.
    HWND root = GetAncestor(pages_[index]->hwnd(), GA_ROOT);
    HWND next = GetNextDlgTabItem(root, nullptr, FALSE);
    SetFocus(next ? next : root);
  }
  RunEvent(OnPageChanged);
}

// ---------------------------------------------------------------------------
// Group bar

class Win32GroupBar::Item : public Win32Control {
 public:
  Item(Win32GroupBar& bar, int index, HWND parent, const std::string& caption, HFONT font)
      : bar_(bar), index_(index), caption_(caption) {
    Attach(CreateChild("BUTTON", caption, BS_OWNERDRAW | WS_TABSTOP | WS_VISIBLE, 0, parent,
                       ctl::kGroupItem0 + index, 0, 0, 10, 10, font));
  }
  void HandleCommand(WORD code) override {
    if (code == BN_CLICKED || code == BN_DOUBLECLICKED) bar_.ItemClicked(index_);
  }
  bool DrawItem(const DRAWITEMSTRUCT* dis) override {
    bar_.DrawItemButton(index_, dis);
    return true;
  }
  bool HandCursor() const override { return true; }
  bool Activate() override {
    bar_.ItemClicked(index_);
    return true;
  }

  Win32GroupBar& bar_;
  int index_;
  std::string caption_;
  bool visible_ = true;
};

class Win32GroupBar::CollapseButton : public Win32Control {
 public:
  CollapseButton(Win32GroupBar& bar, HWND parent, int x) : bar_(bar) {
    Attach(CreateChild("BUTTON", "", BS_OWNERDRAW | WS_VISIBLE, 0, parent, ctl::kGroupCollapse, x,
                       4, 16, 16, nullptr));
  }
  void HandleCommand(WORD code) override {
    if (code == BN_CLICKED) bar_.CollapseClicked();
  }
  bool DrawItem(const DRAWITEMSTRUCT* dis) override {
    RECT r = dis->rcItem;
    const UniqueBrush b(CreateSolidBrush(RGB(255, 255, 255)));
    FillRect(dis->hDC, &r, b.get());
    // A chevron: up when open (click collapses), down when collapsed.
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2, d = Scale(3);
    POINT p[3];
    if (bar_.open_) {
      p[0] = {cx - d, cy + d / 2};
      p[1] = {cx, cy - d / 2 - 1};
      p[2] = {cx + d, cy + d / 2};
    } else {
      p[0] = {cx - d, cy - d / 2};
      p[1] = {cx, cy + d / 2 + 1};
      p[2] = {cx + d, cy - d / 2};
    }
    const UniquePen pen(CreatePen(PS_SOLID, 2, RGB(33, 66, 140)));
    HGDIOBJ old = SelectObject(dis->hDC, pen.get());
    Polyline(dis->hDC, p, 3);
    SelectObject(dis->hDC, old);
    return true;
  }
  bool HandCursor() const override { return true; }

 private:
  Win32GroupBar& bar_;
};

namespace {
const COLORREF kGroupBody = RGB(214, 223, 247);
const COLORREF kGroupBand = RGB(49, 106, 197);
const int kBand96 = 24;
const int kItem96 = 17;
}  // namespace

Win32GroupBar::Win32GroupBar(HWND parent, int id, const std::string& caption, int x, int y, int w,
                             int h, HFONT captionFont, HFONT itemFont)
    : panel_(std::make_unique<Win32Panel>(parent, id, x, y, w, h, kGroupBody)),
      itemFont_(itemFont),
      width96_(w) {
  panel_->SetBand(caption, captionFont, kBand96, kGroupBand, RGB(255, 255, 255));
  panel_->SetBorder(true);
  ShowWindow(panel_->hwnd(), SW_SHOWNA);
  collapse_ = std::make_unique<CollapseButton>(*this, panel_->hwnd(), w - 22);
}

Win32GroupBar::~Win32GroupBar() {
  items_.clear();  // the buttons before their panel
  collapse_.reset();
  panel_.reset();
}

int Win32GroupBar::AddItem(const std::string& caption) {
  int index = ItemCount();
  items_.push_back(std::make_unique<Item>(*this, index, panel_->hwnd(), caption, itemFont_));
  Layout();
  return index;
}

std::string Win32GroupBar::ItemCaption(int index) const {
  return Valid(index) ? items_[index]->caption_ : std::string();
}

void Win32GroupBar::SetItemCaption(int index, const std::string& caption) {
  if (!Valid(index) || items_[index]->caption_ == caption) return;
  items_[index]->caption_ = caption;
  SetWindowTextW(items_[index]->hwnd(), Wide(caption).c_str());
  InvalidateRect(items_[index]->hwnd(), nullptr, TRUE);
}

bool Win32GroupBar::ItemVisible(int index) const {
  return Valid(index) && items_[index]->visible_;
}

void Win32GroupBar::SetItemVisible(int index, bool visible) {
  if (!Valid(index) || items_[index]->visible_ == visible) return;
  items_[index]->visible_ = visible;
  Layout();
}

void Win32GroupBar::SetSelectedItem(int index) {
  int old = selected_;
  selected_ = Valid(index) ? index : -1;
  if (Valid(old)) InvalidateRect(items_[old]->hwnd(), nullptr, TRUE);
  if (Valid(selected_)) InvalidateRect(items_[selected_]->hwnd(), nullptr, TRUE);
}

void Win32GroupBar::SetBodyText(const std::string& text, HFONT font) {
  if (!body_) {
    body_ = CreateChild("STATIC", text, SS_LEFT | SS_NOPREFIX | WS_VISIBLE, 0, panel_->hwnd(), -1,
                        8, kBand96 + 8, width96_ - 16, 10, font);
  } else {
    SetWindowTextW(body_, Wide(text).c_str());
  }
  Layout();
}

void Win32GroupBar::Layout() {
  int y = kBand96 + 6;
  for (const auto& item : items_) {
    bool show = open_ && item->visible_;
    if (show) {
      SetWindowPos(item->hwnd(), nullptr, Scale(6), Scale(y), Scale(width96_ - 12), Scale(kItem96),
                   SWP_NOZORDER | SWP_NOACTIVATE);
      y += kItem96 + 1;
    }
    ShowWindow(item->hwnd(), show ? SW_SHOWNA : SW_HIDE);
  }
  if (body_) {
    RECT r;
    GetClientRect(panel_->hwnd(), &r);
    SetWindowPos(body_, nullptr, Scale(8), Scale(y + 2), Scale(width96_ - 16),
                 r.bottom - Scale(y + 2) - Scale(6), SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(body_, open_ ? SW_SHOWNA : SW_HIDE);
  }
  if (collapse_) InvalidateRect(collapse_->hwnd(), nullptr, TRUE);
}

void Win32GroupBar::ItemClicked(int index) {
  if (!ItemVisible(index) || !open_) return;
  SetSelectedItem(index);
  if (OnItemClick) RunEvent([&] { OnItemClick(index); });
}

void Win32GroupBar::CollapseClicked() {
  if (!open_) {
    open_ = true;
  } else {
    bool may = true;
    if (OnCanClose) RunEvent([&] { may = OnCanClose(); });
    if (!may) return;
    open_ = false;
  }
  Layout();
}

void Win32GroupBar::DrawItemButton(int index, const DRAWITEMSTRUCT* dis) {
  RECT r = dis->rcItem;
  bool selected = index == selected_;
  const UniqueBrush bg(CreateSolidBrush(selected ? RGB(255, 255, 255) : kGroupBody));
  FillRect(dis->hDC, &r, bg.get());
  SetBkMode(dis->hDC, TRANSPARENT);
  SetTextColor(dis->hDC, selected ? RGB(0, 0, 0) : RGB(33, 66, 140));
  HGDIOBJ old = SelectObject(dis->hDC, itemFont_);
  RECT t = r;
  t.left += Scale(6);
  const std::wstring caption = Wide(items_[index]->caption_);
  DrawTextW(dis->hDC, caption.c_str(), static_cast<int>(caption.size()), &t,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  SelectObject(dis->hDC, old);
  if (selected) {
    const UniqueBrush frame(CreateSolidBrush(kGroupBand));
    FrameRect(dis->hDC, &r, frame.get());
  }
  if (dis->itemState & ODS_FOCUS) {
    RECT f = r;
    InflateRect(&f, -2, -2);
    DrawFocusRect(dis->hDC, &f);
  }
}

// ---------------------------------------------------------------------------
// Window

namespace {
const UINT_PTR kBlinkTimer = 1;
}

Win32Window::Win32Window(Win32Application& app, Kind kind, const std::string& caption, int clientW,
                         int clientH, HWND owner, bool topMost, COLORREF background)
    : app_(app),
      kind_(kind),
      caption_(caption),
      colour_(background),
      brush_(CreateSolidBrush(background)) {
  DWORD style = 0, ex = WS_EX_CONTROLPARENT;
  switch (kind) {
    case Kind::Main:
      style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
      break;
    case Kind::Dialog:
      style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
      ex |= WS_EX_DLGMODALFRAME;
      break;
    case Kind::Popup:
      style = WS_POPUP | WS_BORDER;
      ex |= WS_EX_TOOLWINDOW;
      break;
  }
  if (topMost) ex |= WS_EX_TOPMOST;
  style |= WS_CLIPCHILDREN;
  RECT r = {0, 0, Scale(clientW), Scale(clientH)};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  hwnd_ = CreateWindowExW(ex, Wide(kind == Kind::Main ? kMainWindowClass : kWindowClass).c_str(),
                          Wide(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                          r.right - r.left, r.bottom - r.top, owner, nullptr, Instance(), this);
  Centre(kind == Kind::Dialog ? owner : nullptr);
}

Win32Window::~Win32Window() {
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void Win32Window::RegisterClasses() {
  const std::wstring mainName = Wide(kMainWindowClass), name = Wide(kWindowClass);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = Instance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(Instance(), MAKEINTRESOURCE(1));
  if (!wc.hIcon) wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.lpszClassName = mainName.c_str();
  ::RegisterClassW(&wc);
  wc.lpszClassName = name.c_str();
  wc.hIcon = nullptr;
  ::RegisterClassW(&wc);
}

void Win32Window::SetCaption(const std::string& caption) {
  caption_ = caption;
  SetWindowTextW(hwnd_, Wide(caption).c_str());
}

void Win32Window::Show() {
  closed_ = false;
  if (!IsWindowVisible(hwnd_)) {
    if (centreWhenShown_) Centre(centreOn_);
    ShowWindow(hwnd_, kind_ == Kind::Popup ? SW_SHOWNOACTIVATE : SW_SHOW);
    if (kind_ != Kind::Popup) SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
  }
  RunEvent(OnShow);
}

void Win32Window::Hide() {
  ShowWindow(hwnd_, SW_HIDE);
}

bool Win32Window::Visible() const {
  return IsWindowVisible(hwnd_) != FALSE;
}

ModalResult Win32Window::ShowModal() {
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  bool reenable = owner && IsWindowEnabled(owner);
  if (reenable) EnableWindow(owner, FALSE);
  closed_ = false;
  inModal_ = true;
  endResult_ = ModalResult::None;
  if (centreWhenShown_)
    Centre(centreOn_);
  else if (kind_ == Kind::Dialog)
    Centre(owner);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  if (default_) SetFocus(default_->hwnd());
  UpdateWindow(hwnd_);
  RunEvent(OnShow);
  while (endResult_ == ModalResult::None) {
    MSG msg;
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT: hand it on to the outer loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      endResult_ = ModalResult::Cancel;
      break;
    }
    if (got < 0) break;
    if (!app_.PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  ModalResult result = endResult_ == ModalResult::None ? ModalResult::Cancel : endResult_;
  // Enable the owner before hiding, so it gets the activation back.
  if (reenable) EnableWindow(owner, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  inModal_ = false;
  endResult_ = ModalResult::None;
  return result;
}

void Win32Window::EndModal(ModalResult result) {
  if (inModal_) endResult_ = result;
}

int Win32Window::Left() const {
  RECT r;
  GetWindowRect(hwnd_, &r);
  return r.left;
}

int Win32Window::Top() const {
  RECT r;
  GetWindowRect(hwnd_, &r);
  return r.top;
}

void Win32Window::SetLeft(int left) {
  SetWindowPos(hwnd_, nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::SetTop(int top) {
  SetWindowPos(hwnd_, nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::Close() {
  bool may = true;
  if (OnCloseQuery) RunEvent([&] { may = OnCloseQuery(); });
  if (!may) return;
  if (inModal_) endResult_ = ModalResult::Cancel;
  Hide();
  closed_ = true;
  // The windows are destroyed by their owner after the loop, never under a
  // running handler.
  if (app_.MainWindow() == this) app_.Terminate();
}

void Win32Window::Centre(HWND on) {
  RECT area;
  if (on && IsWindowVisible(on)) {
    GetWindowRect(on, &area);
  } else if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
    area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  RECT r;
  GetWindowRect(hwnd_, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = area.left + (area.right - area.left - w) / 2;
  int y = area.top + (area.bottom - area.top - h) / 2;
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::SetBlinkLabel(Win32Label* label) {
  blink_ = label;
  if (!IsWindow(hwnd_)) return;
  SetTimer(hwnd_, kBlinkTimer, 500, nullptr);
}

LRESULT CALLBACK Win32Window::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* self = static_cast<Win32Window*>(cs->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return CatchAll([&] { return self->Handle(msg, wp, lp); }, LRESULT{0});
}

LRESULT Win32Window::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (RouteToChild(hwnd_, msg, wp, lp, brush_.get(), &result)) return result;
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd_, &r);
      FillRect(reinterpret_cast<HDC>(wp), &r, brush_.get());
      return TRUE;
    }
    case DM_GETDEFID:
      if (default_) return MAKELRESULT(GetDlgCtrlID(default_->hwnd()), DC_HASDEFID);
      return 0;
    case WM_COMMAND:
      // Enter and Esc from the dialog navigation (no control sent it).
      if (LOWORD(wp) == IDOK) {
        Win32Control* focused = Win32Control::From(GetFocus());
        if (focused && IsChild(hwnd_, focused->hwnd()) && focused->Activate()) return 0;
        if (default_) default_->Click();
        return 0;
      }
      if (LOWORD(wp) == IDCANCEL) {
        if (inModal_) EndModal(ModalResult::Cancel);
        return 0;
      }
      break;
    case WM_TIMER:
      if (wp == kBlinkTimer) {
        if (blink_ && IsWindowVisible(hwnd_)) blink_->ToggleBlink();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

// ---------------------------------------------------------------------------
// Application

namespace {
// The system has no Yes/Cancel box: an OK/Cancel box whose OK reads "Yes".
HHOOK yesHook = nullptr;
LRESULT CALLBACK YesButtonHook(int code, WPARAM wp, LPARAM lp) {
  return CatchAll(
      [&]() -> LRESULT {
        if (code == HCBT_ACTIVATE) {
          HWND box = reinterpret_cast<HWND>(wp);
          SetDlgItemTextA(box, IDOK, "&Yes");
          UnhookWindowsHookEx(yesHook);
          yesHook = nullptr;
          return 0;
        }
        return CallNextHookEx(yesHook, code, wp, lp);
      },
      LRESULT{0});
}
}  // namespace

ModalResult Win32Application::ShowMessageBox(MessageKind kind, const std::string& text,
                                             MessageButtons buttons) {
  UINT flags = MB_SETFOREGROUND;
  switch (kind) {
    case MessageKind::Plain:
      break;
    case MessageKind::Information:
      flags |= MB_ICONINFORMATION;
      break;
    case MessageKind::Warning:
      flags |= MB_ICONWARNING;
      break;
    case MessageKind::Error:
      flags |= MB_ICONERROR;
      break;
    case MessageKind::Confirmation:
      flags |= MB_ICONQUESTION;
      break;
  }
  switch (buttons) {
    case MessageButtons::Ok:
      flags |= MB_OK;
      break;
    case MessageButtons::YesNo:
      flags |= MB_YESNO;
      break;
    case MessageButtons::YesCancel:
      flags |= MB_OKCANCEL;
      yesHook = SetWindowsHookExA(WH_CBT, YesButtonHook, nullptr, GetCurrentThreadId());
      break;
    case MessageButtons::OkCancel:
      flags |= MB_OKCANCEL;
      break;
  }
  // Owned by the active window of the program, so it stays above the
  // top-most main window.
  HWND owner = GetActiveWindow();
  if (!owner && main_ && main_->Visible()) owner = main_->hwnd();
  if (!owner) flags |= MB_TOPMOST;
  int answer = MessageBoxW(owner, Wide(text).c_str(), Wide(title_).c_str(), flags);
  if (yesHook) {
    UnhookWindowsHookEx(yesHook);
    yesHook = nullptr;
  }
  switch (answer) {
    case IDOK:
      return buttons == MessageButtons::YesCancel ? ModalResult::Yes : ModalResult::Ok;
    case IDYES:
      return ModalResult::Yes;
    case IDNO:
      return ModalResult::No;
    default:
      return buttons == MessageButtons::YesNo ? ModalResult::No : ModalResult::Cancel;
  }
}

bool Win32Application::PreTranslate(MSG& msg) {
  if (!msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  char cls[32] = {};
  GetClassNameA(root, cls, sizeof cls);
  bool ours = lstrcmpA(cls, kMainWindowClass) == 0 || lstrcmpA(cls, kWindowClass) == 0;
  if (!ours) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && helpLink_ && main_ &&
      root == main_->hwnd()) {
    RunEvent(helpLink_->OnClick);
    return true;
  }
  return IsDialogMessageW(root, &msg) != FALSE;
}

void Win32Application::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void Win32Application::Run() {
  while (!terminated_ && !(main_ && main_->Closed())) {
    MSG msg;
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      terminated_ = true;
      break;
    }
    if (got < 0) break;
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void Win32Application::Terminate() {
  terminated_ = true;
  // Wake a waiting GetMessage so the loop sees the flag.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

// ---------------------------------------------------------------------------
// Lamp images

HIMAGELIST CreateLampImages() {
  const int size = 16;
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 3, 0);
  const COLORREF key = RGB(255, 0, 255);
  struct Lamp {
    COLORREF body, rim, shine;
  };
  const Lamp lamps[3] = {
      {RGB(220, 30, 30), RGB(120, 0, 0), RGB(255, 170, 170)},     // red
      {RGB(30, 180, 40), RGB(0, 90, 0), RGB(170, 255, 170)},      // green
      {RGB(160, 160, 160), RGB(90, 90, 90), RGB(235, 235, 235)},  // grey
  };
  const WindowDc screen(nullptr);
  const UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  HDC dc = memory.get();
  for (const Lamp& lamp : lamps) {
    // Selected objects are put back before their owners delete them.
    const UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), size, size));
    HGDIOBJ oldBmp = SelectObject(dc, bmp.get());
    RECT all = {0, 0, size, size};
    const UniqueBrush bg(CreateSolidBrush(key));
    FillRect(dc, &all, bg.get());
    const UniqueBrush body(CreateSolidBrush(lamp.body));
    const UniquePen rim(CreatePen(PS_SOLID, 1, lamp.rim));
    HGDIOBJ ob = SelectObject(dc, body.get()), op = SelectObject(dc, rim.get());
    Ellipse(dc, 2, 2, 14, 14);
    const UniqueBrush shine(CreateSolidBrush(lamp.shine));
    const UniquePen none(CreatePen(PS_SOLID, 1, lamp.shine));
    SelectObject(dc, shine.get());
    SelectObject(dc, none.get());
    Ellipse(dc, 5, 4, 9, 8);
    SelectObject(dc, ob);
    SelectObject(dc, op);
    SelectObject(dc, oldBmp);
    ImageList_AddMasked(list, bmp.get(), key);
  }
  return list;
}

}  // namespace corvanta
