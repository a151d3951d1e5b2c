#include "ui/win32/param_list_box_win32.h"

#include <algorithm>

#include "platform/win32/wide_text.h"
#include "ui/markup/list_geometry.h"
#include "ui/win32/win32_widgets.h"

namespace corvanta {

namespace {

const char kPropName[] = "CorvantaParamListBox";
constexpr int kLineHeight = 16;
constexpr int kMaxItemHeight = 255;           // a list box item cannot be higher
constexpr COLORREF kSelectedBack = 16771021;  // light blue, as BGR
constexpr COLORREF kParamColour = RGB(0, 0, 255);
constexpr COLORREF kHoverBack = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kSelectedText = RGB(0, 0, 0);
constexpr UINT_PTR kHandCursor = 32649;  // IDC_HAND; absent before Windows 98/2000

COLORREF FromRgb(uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The list box's own string is what a reader of it (tests, accessibility
// tools) sees: the item's text on one line.
std::string ListString(const markup::ParsedMarkup& parsed) {
  std::string s = markup::PlainText(parsed);
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

// Menu texts treat "&" as the accelerator prefix.
std::string MenuText(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&') out.push_back('&');
    out.push_back(c);
  }
  return out.empty() ? std::string("?") : out;
}

class DcMeasurer {
 public:
  DcMeasurer(HWND hwnd, HFONT normal, HFONT bold) : dc_(hwnd), normal_(normal), bold_(bold) {
    old_ = static_cast<HFONT>(SelectObject(dc_.get(), normal_));
  }
  ~DcMeasurer() { SelectObject(dc_.get(), old_); }  // before dc_ is given back
  DcMeasurer(const DcMeasurer&) = delete;
  DcMeasurer& operator=(const DcMeasurer&) = delete;

  int Width(const std::string& text, bool bold) {
    if (bold != boldSelected_) {
      SelectObject(dc_.get(), bold ? bold_ : normal_);
      boldSelected_ = bold;
    }
    SIZE size = {0, 0};
    const std::wstring wide = Wide(text);
    GetTextExtentPoint32W(dc_.get(), wide.data(), static_cast<int>(wide.size()), &size);
    return static_cast<int>(size.cx);
  }

 private:
  WindowDc dc_;
  HFONT normal_, bold_, old_ = nullptr;
  bool boldSelected_ = false;
};

}  // namespace

std::unique_ptr<ParamListBoxWin32> CreateParamListBoxWin32(HWND parent, int id, RECT bounds,
                                                           HFONT font) {
  // No data in the list box itself: it knows the count and one item height,
  // so a hundred thousand items cost it nothing; the items live in items_.
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_OWNERDRAWFIXED |
                      LBS_NODATA | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL;
  HWND hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", style, bounds.left, bounds.top,
                              bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), nullptr);
  if (!hwnd) return nullptr;
  // The list box was made without strings; with the style bit set now the
  // system hands LB_GETTEXT between processes as text, which Proc answers.
  SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(style | LBS_HASSTRINGS));
  auto box = std::make_unique<ParamListBoxWin32>(ParamListBoxWin32::Key());
  box->hwnd_ = hwnd;
  box->id_ = id;
  SetPropA(hwnd, kPropName, box.get());
  // A Unicode window and procedure: LB_GETTEXT from another process then
  // arrives as the wide text it is, whatever the sender's character set.
  box->oldProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ParamListBoxWin32::SubclassProc)));
  box->SetFont(font);
  return box;
}

ParamListBoxWin32::~ParamListBoxWin32() {
  if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY unhooks us
}

void ParamListBoxWin32::SetFont(HFONT font) {
  font_ = font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW lf;
  ZeroMemory(&lf, sizeof lf);
  GetObjectW(font_, sizeof lf, &lf);
  lf.lfWeight = FW_BOLD;
  ownBold_.reset(CreateFontIndirectW(&lf));
  // Unlikely: then bold draws as normal, and the normal font stays the caller's.
  boldFont_ = ownBold_ ? ownBold_.get() : font_;
  if (!hwnd_) return;
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  items_.ForgetLayouts();  // made with the old font
  ForgetHeights();
  Sync();
}

void ParamListBoxWin32::Clear() {
  ++generation_;
  items_.Clear();
  hoverItem_ = hoverParam_ = pressItem_ = pressParam_ = -1;
  lbCount_ = 0;
  ForgetHeights();
  if (hwnd_) SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
}

void ParamListBoxWin32::AddItem(const std::string& text) {
  items_.Add(text);
}

void ParamListBoxWin32::SetItemSource(ItemSource source) {
  items_.SetSource(std::move(source));
  keyedHeight_ = -1;
}

void ParamListBoxWin32::AddKeyedItem(std::uint32_t key) {
  items_.AddKeyed(key);
}

std::string ParamListBoxWin32::Item(int index) const {
  return items_.Markup(index);
}

int ParamListBoxWin32::ItemIndex() const {
  if (!hwnd_) return -1;
  LRESULT sel = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
  return sel == LB_ERR ? -1 : static_cast<int>(sel);
}

void ParamListBoxWin32::SetItemIndex(int index) {
  if (!hwnd_) return;
  WPARAM w = (index >= 0 && index < Count()) ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1);
  SendMessageW(hwnd_, LB_SETCURSEL, w, 0);
}

void ParamListBoxWin32::RefreshItem(int index) {
  items_.Refresh(index);
  InvalidateItem(index);
}

int ParamListBoxWin32::ItemHeight(int index) const {
  if (!hwnd_ || index < 0 || index >= Count()) return 0;
  LRESULT h = SendMessageW(hwnd_, LB_GETITEMHEIGHT, 0, 0);
  return h == LB_ERR ? 0 : static_cast<int>(h);
}

int ParamListBoxWin32::LayoutWidth() const {
  RECT rc = {0, 0, 0, 0};
  if (hwnd_) GetClientRect(hwnd_, &rc);
  return static_cast<int>(rc.right - rc.left);
}

const markup::ItemLayout& ParamListBoxWin32::LayoutOf(int index) const {
  markup::LayoutOptions opt;
  opt.lineHeight = kLineHeight;
  opt.maxLines = kMaxItemHeight / kLineHeight;
  opt.wrap = !items_.Keyed(index);
  std::unique_ptr<DcMeasurer> m;  // made only when the item is not laid out yet
  return items_.LayoutOf(
      index, LayoutWidth(),
      [&](const std::string& s, bool bold) {
        if (!m) m = std::make_unique<DcMeasurer>(hwnd_, font_, boldFont_);
        return m->Width(s, bold);
      },
      opt);
}

void ParamListBoxWin32::Sync() {
  if (!hwnd_) return;
  const int width = LayoutWidth();
  if (width != lastWidth_) {
    lastWidth_ = width;
    ForgetHeights();
  }
  // One height for all: the tallest item given as markup (they wrap, and
  // there are few) or the layout all keyed items share. Only items added
  // since the last time are laid out.
  const std::vector<int>& literals = items_.LiteralRows();
  int tallest = literalTallest_;
  for (; literalsMeasured_ < literals.size(); ++literalsMeasured_)
    tallest = std::max(tallest, LayoutOf(literals[literalsMeasured_]).height);
  literalTallest_ = tallest;
  if (items_.FirstKeyed() >= 0) {
    if (keyedHeight_ < 0) keyedHeight_ = LayoutOf(items_.FirstKeyed()).height;
    tallest = std::max(tallest, keyedHeight_);
  }
  tallest = std::min(kMaxItemHeight, tallest);
  if (tallest != itemHeight_) {
    itemHeight_ = tallest;
    SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, MAKELPARAM(tallest, 0));
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  if (lbCount_ != Count()) {
    lbCount_ = Count();  // first: the message comes back through Proc
    SendMessageW(hwnd_, LB_SETCOUNT, static_cast<WPARAM>(lbCount_), 0);
  }
}

void ParamListBoxWin32::ForgetHeights() {
  literalsMeasured_ = 0;
  literalTallest_ = kLineHeight;
  keyedHeight_ = -1;
}

bool ParamListBoxWin32::HandleParentMessage(UINT msg, WPARAM wParam, LPARAM lParam,
                                            LRESULT* result) {
  if (!hwnd_ || lParam == 0) return false;
  if (msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (wParam != static_cast<WPARAM>(id_) || mis->CtlType != ODT_LISTBOX ||
        mis->CtlID != static_cast<UINT>(id_))
      return false;
    mis->itemHeight = static_cast<UINT>(kLineHeight);  // set for the whole list by Sync
    if (result) *result = TRUE;
    return true;
  }
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (dis->CtlType != ODT_LISTBOX || dis->hwndItem != hwnd_) return false;
    Draw(*dis);
    if (result) *result = TRUE;
    return true;
  }
  return false;
}

void ParamListBoxWin32::Draw(const DRAWITEMSTRUCT& dis) const {
  HDC dc = dis.hDC;
  const RECT& rc = dis.rcItem;
  const int index = static_cast<int>(dis.itemID);
  if (dis.itemID == static_cast<UINT>(-1) || index >= Count()) {
    if (dis.itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
    return;
  }
  const bool selected = (dis.itemState & ODS_SELECTED) != 0;
  const UniqueBrush back(CreateSolidBrush(selected ? kSelectedBack : GetSysColor(COLOR_WINDOW)));
  FillRect(dc, &rc, back.get());

  const markup::ItemLayout& layout = LayoutOf(index);
  const markup::ParsedMarkup& parsed = items_.Parsed(index);  // the same cached item
  int saved = SaveDC(dc);
  IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
  SetBkMode(dc, TRANSPARENT);

  if (index == hoverItem_ && hoverParam_ >= 0) {
    const UniqueBrush white(CreateSolidBrush(kHoverBack));
    for (const markup::ParamRect& p : layout.paramRects) {
      if (p.param != hoverParam_) continue;
      RECT r = {rc.left + p.rect.left, rc.top + p.rect.top, rc.left + p.rect.right,
                rc.top + p.rect.bottom};
      FillRect(dc, &r, white.get());
    }
  }

  TEXTMETRICA tm;
  SelectObject(dc, font_);
  GetTextMetricsA(dc, &tm);
  const int dy = std::max(0, (kLineHeight - static_cast<int>(tm.tmHeight)) / 2);
  for (const markup::Fragment& f : layout.fragments) {
    const markup::Run& run = parsed.runs[f.run];
    SelectObject(dc, run.bold ? boldFont_ : font_);
    COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
    if (run.param >= 0) {
      colour = kParamColour;
    } else if (selected) {
      colour = kSelectedText;
    } else if (run.hasColor) {
      colour = FromRgb(run.color);
    }
    const int x = rc.left + f.x;
    const int y = rc.top + f.y + dy;
    // Converted here, for the lines in view only: a section may hold a
    // hundred thousand items.
    const std::wstring text = Wide(f.text);
    const UINT n = static_cast<UINT>(text.size());
    SetTextColor(dc, kShadow);
    ExtTextOutW(dc, x + 1, y + 1, 0, nullptr, text.data(), n, nullptr);
    SetTextColor(dc, colour);
    ExtTextOutW(dc, x, y, 0, nullptr, text.data(), n, nullptr);
  }
  RestoreDC(dc, saved);
  if ((dis.itemState & ODS_FOCUS) && !(dis.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &rc);
}

bool ParamListBoxWin32::HitTest(POINT pt, int* item, int* param) const {
  *item = -1;
  *param = -1;
  if (!hwnd_ || Count() == 0) return false;
  RECT client;
  GetClientRect(hwnd_, &client);
  if (!PtInRect(&client, pt)) return false;
  // LB_ITEMFROMPOINT answers in 16 bits: count from the top index instead.
  const LRESULT top = SendMessageW(hwnd_, LB_GETTOPINDEX, 0, 0);
  if (top == LB_ERR) return false;
  const int index =
      markup::ItemAtOffset(Count(), static_cast<int>(top), static_cast<int>(pt.y - client.top),
                           [this](int i) { return ItemHeight(i); });
  if (index < 0) return false;  // below the last item
  RECT rc;
  if (SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&rc)) == LB_ERR)
    return false;
  *item = index;
  *param = markup::HitTestParam(LayoutOf(index), static_cast<int>(pt.x - rc.left),
                                static_cast<int>(pt.y - rc.top));
  return true;
}

bool ParamListBoxWin32::ParamClientRect(int item, int paramNo, RECT* rect) const {
  if (!hwnd_ || item < 0 || item >= Count()) return false;
  markup::Rect r;
  if (!markup::ParamBounds(LayoutOf(item), paramNo, r)) return false;
  RECT rc;
  if (SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(item),
                   reinterpret_cast<LPARAM>(&rc)) == LB_ERR)
    return false;
  rect->left = rc.left + r.left;
  rect->top = rc.top + r.top;
  rect->right = rc.left + r.right;
  rect->bottom = rc.top + r.bottom;
  return true;
}

void ParamListBoxWin32::InvalidateItem(int item) const {
  if (!hwnd_ || item < 0 || item >= Count()) return;
  RECT rc;
  if (SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(item),
                   reinterpret_cast<LPARAM>(&rc)) != LB_ERR)
    InvalidateRect(hwnd_, &rc, FALSE);
}

void ParamListBoxWin32::SetHover(int item, int param) {
  if (param < 0) item = -1;
  if (item == hoverItem_ && param == hoverParam_) return;
  InvalidateItem(hoverItem_);
  hoverItem_ = item;
  hoverParam_ = param;
  InvalidateItem(hoverItem_);
  if (item >= 0 && !trackingLeave_) {
    TRACKMOUSEEVENT tme;
    ZeroMemory(&tme, sizeof tme);
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = hwnd_;
    trackingLeave_ = TrackMouseEvent(&tme) != FALSE;
  }
}

bool ParamListBoxWin32::ActivateParam(int item, int paramNo) {
  if (!hwnd_ || item < 0 || item >= Count()) return false;
  const markup::ParsedMarkup& parsed = items_.Parsed(item);
  if (paramNo < 0 || static_cast<size_t>(paramNo) >= parsed.params.size()) return false;
  const markup::Anchor& a =
      parsed.anchors[static_cast<size_t>(parsed.params[static_cast<size_t>(paramNo)])];
  const std::string href = a.href, text = a.text, before = items_.Markup(item);
  const unsigned generation = generation_;
  SetItemIndex(item);
  // A handler that raised has been told in the error box: no drop-down then.
  if (OnParamClick && !RunEvent([&] { OnParamClick(item, href, text); })) return true;
  // The handler may have rebuilt the list: then the drop-down has no item left.
  if (generation != generation_ || item >= Count() || items_.Markup(item) != before) return true;
  OpenDropDown(item, paramNo);
  return true;
}

void ParamListBoxWin32::OpenDropDown(int item, int paramNo) {
  const markup::ParsedMarkup& parsed = items_.Parsed(item);
  const markup::Anchor& a =
      parsed.anchors[static_cast<size_t>(parsed.params[static_cast<size_t>(paramNo)])];
  const std::vector<std::string> choices = markup::SplitChoices(a.props);
  const std::string current = a.text;
  if (choices.empty()) return;
  const UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  for (size_t i = 0; i < choices.size(); ++i) {
    UINT flags = MF_STRING | (choices[i] == current ? MF_CHECKED : 0u);
    AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(i + 1),
                Wide(MenuText(choices[i])).c_str());
  }
  RECT r;
  POINT pt = {0, 0};
  if (ParamClientRect(item, paramNo, &r)) {
    pt.x = r.left;
    pt.y = r.bottom;
  } else if (SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(item),
                          reinterpret_cast<LPARAM>(&r)) != LB_ERR) {
    pt.x = r.left;
    pt.y = r.top;
  }
  ClientToScreen(hwnd_, &pt);
  const unsigned generation = generation_;
  const std::string before = items_.Markup(item);
  BOOL cmd = TrackPopupMenu(
      menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTBUTTON,
      static_cast<int>(pt.x), static_cast<int>(pt.y), 0, hwnd_, nullptr);
  if (cmd <= 0 || static_cast<size_t>(cmd) > choices.size()) return;
  if (generation != generation_ || item >= Count() || items_.Markup(item) != before) return;
  Pick(item, paramNo, choices[static_cast<size_t>(cmd - 1)]);
}

void ParamListBoxWin32::DropPendingChar(char c) {
  MSG m;
  if (PeekMessageW(&m, hwnd_, WM_CHAR, WM_CHAR, PM_NOREMOVE | PM_NOYIELD) &&
      m.wParam == static_cast<WPARAM>(static_cast<unsigned char>(c)))
    PeekMessageW(&m, hwnd_, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD);
}

void ParamListBoxWin32::Pick(int item, int paramNo, const std::string& choice) {
  const markup::ParsedMarkup& parsed = items_.Parsed(item);
  const std::string href =
      parsed.anchors[static_cast<size_t>(parsed.params[static_cast<size_t>(paramNo)])].href;
  items_.Replace(item, markup::ReplaceParamText(items_.Markup(item), paramNo, choice));
  InvalidateItem(item);
  if (OnParamEditDone) RunEvent([&] { OnParamEditDone(item, href, choice); });
}

LRESULT CALLBACK ParamListBoxWin32::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                 LPARAM lParam) {
  auto* self = static_cast<ParamListBoxWin32*>(GetPropA(hwnd, kPropName));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    WNDPROC old = self->oldProc_;
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    RemovePropA(hwnd, kPropName);
    self->hwnd_ = nullptr;
    return CallWindowProcW(old, hwnd, msg, wParam, lParam);
  }
  return CatchAll([&] { return self->Proc(msg, wParam, lParam); }, LRESULT{0});
}

LRESULT ParamListBoxWin32::Proc(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  Sync();  // the list box learns of new items before it acts on any message
  auto base = [&] { return CallWindowProcW(oldProc_, hwnd, msg, wParam, lParam); };
  auto point = [&] {
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return pt;
  };
  switch (msg) {
    case WM_SIZE: {
      LRESULT r = base();
      Sync();
      return r;
    }
    // The list box holds no strings; a reader of one (tests, accessibility
    // tools) gets the item's text on one line.
    case LB_GETTEXTLEN:
    case LB_GETTEXT: {
      const int index = static_cast<int>(wParam);
      if (index < 0 || index >= Count() || (msg == LB_GETTEXT && lParam == 0)) return LB_ERR;
      // Counted in UTF-16 units: the caller sized the buffer from LB_GETTEXTLEN.
      const std::wstring text = Wide(ListString(items_.Parsed(index)));
      if (msg == LB_GETTEXT) {
        auto* out = reinterpret_cast<wchar_t*>(lParam);
        std::copy(text.begin(), text.end(), out);
        out[text.size()] = L'\0';
      }
      return static_cast<LRESULT>(text.size());
    }
    case WM_LBUTTONDOWN: {
      HitTest(point(), &pressItem_, &pressParam_);
      return base();
    }
    case WM_LBUTTONUP: {
      LRESULT r = base();
      int item = -1, param = -1;
      HitTest(point(), &item, &param);
      const bool click = param >= 0 && item == pressItem_ && param == pressParam_;
      pressItem_ = pressParam_ = -1;
      if (click) ActivateParam(item, param);
      return r;
    }
    case WM_MOUSEMOVE: {
      int item = -1, param = -1;
      HitTest(point(), &item, &param);
      SetHover(item, param);
      return base();
    }
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      SetHover(-1, -1);
      return base();
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && hoverParam_ >= 0) {
        HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(kHandCursor));
        SetCursor(hand ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
        return TRUE;
      }
      return base();
    case WM_GETDLGCODE: {
      LRESULT r = base() | DLGC_WANTARROWS | DLGC_WANTCHARS;
      const MSG* m = reinterpret_cast<const MSG*>(lParam);
      if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) r |= DLGC_WANTMESSAGE;
      return r;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE || wParam == VK_RETURN || wParam == VK_F4 || wParam == VK_APPS) {
        int sel = ItemIndex();
        if (sel >= 0 && !items_.Parsed(sel).params.empty()) {
          // The translated key's character message is already queued; left
          // there it would reach the drop-down's menu loop and close it at once.
          if (wParam == VK_SPACE) DropPendingChar(' ');
          if (wParam == VK_RETURN) DropPendingChar('\r');
          ActivateParam(sel, 0);
          return 0;
        }
      }
      return base();
    case WM_SYSKEYDOWN:
      if (wParam == VK_DOWN) {
        int sel = ItemIndex();
        if (sel >= 0 && !items_.Parsed(sel).params.empty()) {
          ActivateParam(sel, 0);
          return 0;
        }
      }
      return base();
    case WM_CHAR:
      if (wParam == ' ' || wParam == '\r') return 0;  // handled as keys above
      return base();
    default:
      return base();
  }
}

}  // namespace corvanta
