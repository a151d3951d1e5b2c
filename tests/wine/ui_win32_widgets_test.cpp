// The Win32 widget adapters over real controls: what the logic relies on
// (setters never raise events, the sorted list view and its selection, state
// images, texts in any script, page changes, group items, modal results from
// Enter, Esc and the close box, large progress totals, anything a handler
// throws shown and survived).
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/win32/control_ids.h"
#include "ui/win32/param_list_box_win32.h"
#include "ui/win32/win32_ui.h"
#include "ui/win32/win32_widgets.h"

namespace {

using namespace corvanta;

// Answers the message boxes of this thread with OK, keeping their texts.
std::vector<std::string> g_boxes;
HHOOK g_boxHook = nullptr;
LRESULT CALLBACK AnswerBoxes(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND w = reinterpret_cast<HWND>(wp);
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) {
      char text[256] = {};
      GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
      g_boxes.push_back(text);
      PostMessageA(w, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(g_boxHook, code, wp, lp);
}

// Ends a drop-down that should not have opened, so the test cannot hang.
bool g_strayMenu = false;
void CALLBACK EndStrayMenu(HWND, UINT, UINT_PTR, DWORD) {
  g_strayMenu = true;
  EndMenu();
}

class Win32WidgetsWine : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    Win32Panel::RegisterWindowClass();
    Win32Window::RegisterClasses();
    window_ = std::make_unique<Win32Window>(app_, Win32Window::Kind::Dialog, "Test", 400, 300,
                                            nullptr, false, RGB(255, 255, 255));
    // Windows need a display; the test script provides one.
    if (!window_->hwnd()) GTEST_SKIP() << "no display for windows";
  }
  HWND parent() { return window_->hwnd(); }
  // What the control itself shows in a cell (not the adapter's copy).
  static std::string ShownCell(HWND list, int row, int column) {
    char buf[256] = {};
    ListView_GetItemText(list, row, column, buf, sizeof buf);
    return buf;
  }

  Win32Application app_;
  std::unique_ptr<Win32Window> window_;
};

TEST_F(Win32WidgetsWine, SortedListViewKeepsRowsSelectionAndEvents) {
  Win32ReportListView list(parent(), 1, 0, 0, 300, 200, nullptr);
  list.AddColumn("Program Name", 150);
  list.AddColumn("Creation Date && Time", 100);
  EXPECT_EQ(list.ColumnCaption(1), "Creation Date && Time");
  std::vector<std::pair<int, bool>> events;
  list.OnSelectItem = [&](int row, bool selected) { events.emplace_back(row, selected); };
  list.SetSorted(true);
  EXPECT_EQ(list.AddRow("b"), 0);
  EXPECT_EQ(list.AddRow("a"), 0);
  EXPECT_EQ(list.AddRow("c"), 2);
  list.SetCell(1, 1, "path b");
  list.SetSelectedRow(1);  // "b"
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], std::make_pair(1, true));
  EXPECT_EQ(list.AddRow("a0"), 1);  // the selection moves with its row
  EXPECT_EQ(list.SelectedRow(), 2);
  list.SetCell(2, 0, "z");  // renaming re-sorts: "b" becomes the last row
  EXPECT_EQ(list.SelectedRow(), 3);
  EXPECT_EQ(list.Cell(3, 0), "z");
  EXPECT_EQ(list.Cell(3, 1), "path b");
  for (int i = 0; i < list.RowCount(); ++i) {
    EXPECT_EQ(ShownCell(list.hwnd(), i, 0), list.Cell(i, 0)) << i;
    EXPECT_EQ(ShownCell(list.hwnd(), i, 1), list.Cell(i, 1)) << i;
  }
  EXPECT_EQ(events.size(), 1u) << "changing rows is no user selection";
  list.SetSelectedRow(0);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1], std::make_pair(3, false));
  EXPECT_EQ(events[2], std::make_pair(0, true));
  list.Clear();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.SelectedRow(), -1);
  EXPECT_EQ(ListView_GetItemCount(list.hwnd()), 0);
  EXPECT_EQ(events.size(), 3u);
}

// Texts in any script reach the controls whole, as UTF-16, and come back; a
// name's unpaired surrogate (WTF-8 inside) stays that one unit.
TEST_F(Win32WidgetsWine, TextsKeepEveryCharacter) {
  const struct {
    std::string utf8;
    std::wstring shown;
  } texts[] = {
      {"Caf\xC3\xA9", L"Caf\u00E9"},
      {"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", L"\u0418\u0432\u0430\u043D"},
      {"\xE5\xBC\xA0\xE4\xB8\x89 Editor", L"\u5F20\u4E09 Editor"},
      {"\xF0\x9F\x98\x80!", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00), L'!'}},
      {"a\xED\xA0\x80z", std::wstring{L'a', wchar_t(0xD800), L'z'}},
  };
  Win32ReportListView list(parent(), 1, 0, 0, 300, 100, nullptr);
  list.AddColumn("Name", 150);
  Win32Label label(parent(), 2, "", 0, 110, 300, 20, nullptr);
  Win32Memo memo(parent(), 3, 0, 130, 300, 40, nullptr);
  auto box = CreateParamListBoxWin32(parent(), 4, RECT{0, 180, 300, 280}, nullptr);
  ASSERT_TRUE(box);
  for (const auto& t : texts) {
    SCOPED_TRACE(t.utf8);
    const int row = list.AddRow(t.utf8);
    wchar_t cell[64] = {};
    LVITEMW item = {};
    item.pszText = cell;
    item.cchTextMax = 64;
    SendMessageW(list.hwnd(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(cell), t.shown);
    label.SetCaption(t.utf8);
    wchar_t caption[64] = {};
    GetWindowTextW(label.hwnd(), caption, 64);
    EXPECT_EQ(std::wstring(caption), t.shown);
    memo.SetText(t.utf8);
    EXPECT_EQ(memo.Text(), t.utf8);
    box->AddItem("<b>" + t.utf8 + "</b>");
    const WPARAM last = static_cast<WPARAM>(box->Count() - 1);
    ASSERT_EQ(SendMessageW(box->Handle(), LB_GETTEXTLEN, last, 0),
              static_cast<LRESULT>(t.shown.size()));
    wchar_t line[64] = {};
    SendMessageW(box->Handle(), LB_GETTEXT, last, reinterpret_cast<LPARAM>(line));
    EXPECT_EQ(std::wstring(line), t.shown);
  }
}

TEST_F(Win32WidgetsWine, StateImagesReachTheControl) {
  Win32ReportListView list(parent(), 1, 0, 0, 300, 200, nullptr);
  HIMAGELIST lamps = CreateLampImages();
  ASSERT_NE(lamps, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(lamps), 3);
  list.SetStateImages(lamps);
  list.AddColumn("Section", 250);
  int row = list.AddRow("Application Paths");
  EXPECT_EQ(list.StateImage(row), -1);
  EXPECT_EQ(ListView_GetItemState(list.hwnd(), row, LVIS_STATEIMAGEMASK), 0u);
  list.SetStateImage(row, 2);
  EXPECT_EQ(list.StateImage(row), 2);
  EXPECT_EQ(ListView_GetItemState(list.hwnd(), row, LVIS_STATEIMAGEMASK),
            static_cast<UINT>(INDEXTOSTATEIMAGEMASK(3)));
  list.SetStateImage(row, 0);
  EXPECT_EQ(ListView_GetItemState(list.hwnd(), row, LVIS_STATEIMAGEMASK),
            static_cast<UINT>(INDEXTOSTATEIMAGEMASK(1)));
  SendMessageA(list.hwnd(), LVM_SETIMAGELIST, LVSIL_STATE, 0);
  ImageList_Destroy(lamps);
}

TEST_F(Win32WidgetsWine, SettersRaiseNoEventsUserClicksDo) {
  ShowWindow(parent(), SW_SHOWNOACTIVATE);  // users click shown windows
  Win32CheckBox box(parent(), 2, "Windows Fonts", 0, 0, 200, 18, nullptr);
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  box.SetChecked(true);
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(clicks, 0);
  SendMessageA(box.hwnd(), BM_CLICK, 0, 0);  // a user click toggles, then tells
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicks, 1);
  box.SetEnabled(false);
  SendMessageA(box.hwnd(), BM_CLICK, 0, 0);
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicks, 1);

  Win32Button button(parent(), 3, "Repair Problems", 0, 20, 100, 26, nullptr);
  int pressed = 0;
  button.OnClick = [&] { ++pressed; };
  button.SetVisible(false);
  button.Click();
  EXPECT_EQ(pressed, 0);
  button.SetVisible(true);
  SendMessageA(button.hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(pressed, 1);

  Win32Label link(parent(), 4, "Settings", 0, 50, 100, 16, nullptr);
  EXPECT_FALSE(link.HandCursor());
  int followed = 0;
  link.OnClick = [&] { ++followed; };
  EXPECT_TRUE(link.HandCursor());
  SendMessageA(parent(), WM_COMMAND, MAKEWPARAM(4, STN_CLICKED),
               reinterpret_cast<LPARAM>(link.hwnd()));
  EXPECT_EQ(followed, 1);
  link.SetCaption("Check for Updates");
  char shown[64] = {};
  GetWindowTextA(link.hwnd(), shown, sizeof shown);
  EXPECT_STREQ(shown, "Check for Updates");
}

TEST_F(Win32WidgetsWine, WhateverAHandlerThrowsIsShownAndTheProgramGoesOn) {
  ShowWindow(parent(), SW_SHOWNOACTIVATE);
  g_boxes.clear();
  g_boxHook = SetWindowsHookExA(WH_CBT, AnswerBoxes, nullptr, GetCurrentThreadId());
  ASSERT_NE(g_boxHook, nullptr);

  Win32Button button(parent(), 3, "Repair Problems", 0, 0, 100, 26, nullptr);
  int pressed = 0;
  button.OnClick = [&] {
    if (++pressed == 1) throw 42;  // not a std::exception
  };
  SendMessageA(button.hwnd(), BM_CLICK, 0, 0);
  SendMessageA(button.hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(pressed, 2) << "the second click still runs";

  // A fault in a window procedure itself.
  Win32Panel panel(parent(), 9, 0, 30, 100, 40, RGB(255, 255, 255));
  panel.SetPreHandler([](UINT msg, WPARAM, LPARAM, LRESULT*) -> bool {
    if (msg == WM_APP + 7) throw std::runtime_error("panel fault");
    return false;
  });
  EXPECT_EQ(SendMessageA(panel.hwnd(), WM_APP + 7, 0, 0), 0);

  // The results list's click event takes the same path; no drop-down opens
  // after a handler that failed.
  const RECT bounds = {0, 80, 380, 280};
  auto box = CreateParamListBoxWin32(parent(), 10, bounds, nullptr);
  ASSERT_TRUE(box);
  box->AddItem("Set to <a href=\"list0\" class=\"LIST\" props=\"Delete|Ignore\">Delete</a>");
  int clicked = 0;
  box->OnParamClick = [&](int, const std::string&, const std::string&) {
    ++clicked;
    throw "a text";
  };
  RECT rc;
  ASSERT_TRUE(box->ParamClientRect(0, 0, &rc));
  const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  const UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, EndStrayMenu);
  SendMessageA(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(box->Handle(), WM_LBUTTONUP, 0, at);
  KillTimer(nullptr, watchdog);
  EXPECT_EQ(clicked, 1);
  EXPECT_FALSE(g_strayMenu);
  EXPECT_EQ(box->ItemIndex(), 0);

  UnhookWindowsHookEx(g_boxHook);
  g_boxHook = nullptr;
  EXPECT_EQ(g_boxes, (std::vector<std::string>{"An unexpected error occurred.", "panel fault",
                                               "An unexpected error occurred."}));
}

TEST_F(Win32WidgetsWine, PageStackShowsOnePageAndReportsChanges) {
  Win32PageStack stack(parent(), 5, 0, 0, 200, 100, 3, RGB(255, 255, 255));
  int changes = 0;
  stack.OnPageChanged = [&] { ++changes; };
  stack.SetPageIndex(0);
  EXPECT_EQ(changes, 0) << "the shown page is no change";
  stack.SetPageIndex(2);
  stack.SetPageIndex(7);  // out of range: ignored
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(stack.PageIndex(), 2);
  for (int i = 0; i < 3; ++i) {
    LONG_PTR style = GetWindowLongPtrA(stack.PageHwnd(i), GWL_STYLE);
    EXPECT_EQ((style & WS_VISIBLE) != 0, i == 2) << i;
  }
}

TEST_F(Win32WidgetsWine, GroupItemsHideSelectAndRefuseToCollapse) {
  Win32GroupBar group(parent(), 6, "     View Scan Results", 0, 0, 190, 200, nullptr, nullptr);
  for (const char* c : {"Application Paths", "Sounds", "Deep Registry Scan"}) group.AddItem(c);
  std::vector<int> clicked;
  group.OnItemClick = [&](int i) {
    clicked.push_back(i);
    EXPECT_EQ(group.SelectedItem(), i) << "selected before the handler runs";
  };
  HWND sounds = GetDlgItem(group.hwnd(), ctl::kGroupItem0 + 1);
  ASSERT_NE(sounds, nullptr);
  group.SetItemVisible(1, false);
  SendMessageA(sounds, BM_CLICK, 0, 0);
  EXPECT_TRUE(clicked.empty()) << "a hidden item cannot be clicked";
  group.SetItemVisible(1, true);
  group.SetItemCaption(1, "Sounds (3)");
  char text[64] = {};
  GetWindowTextA(sounds, text, sizeof text);
  EXPECT_STREQ(text, "Sounds (3)");
  SendMessageA(sounds, BM_CLICK, 0, 0);
  ASSERT_EQ(clicked, std::vector<int>{1});
  group.SetSelectedItem(2);  // the logic's choice runs no handler
  EXPECT_EQ(clicked.size(), 1u);

  int asked = 0;
  group.OnCanClose = [&] {
    ++asked;
    return false;
  };
  SendMessageA(GetDlgItem(group.hwnd(), ctl::kGroupCollapse), BM_CLICK, 0, 0);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(group.IsOpen());
  EXPECT_NE(GetWindowLongPtrA(sounds, GWL_STYLE) & WS_VISIBLE, 0);
}

TEST_F(Win32WidgetsWine, ModalEndsByEnterEscAndCloseBox) {
  Win32Button ok(parent(), 7, "OK", 10, 10, 80, 26, nullptr, true);
  ok.SetModalResult(window_.get(), ModalResult::Ok);
  window_->SetDefaultButton(&ok);
  int shows = 0;
  window_->OnShow = [&] { ++shows; };

  PostMessageA(ok.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(window_->ShowModal(), ModalResult::Ok);
  EXPECT_FALSE(window_->Visible());
  PostMessageA(ok.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(window_->ShowModal(), ModalResult::Cancel);
  PostMessageA(parent(), WM_CLOSE, 0, 0);
  EXPECT_EQ(window_->ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(shows, 3);
}

TEST_F(Win32WidgetsWine, ProgressCountsHugeTotalsInProportion) {
  Win32ProgressBar bar(parent(), 8, 0, 0, 200, 16);
  bar.SetTotalParts(int64_t{1} << 40);
  bar.SetPartsComplete(int64_t{1} << 39);
  LRESULT high = SendMessageA(bar.hwnd(), PBM_GETRANGE, FALSE, 0);
  LRESULT pos = SendMessageA(bar.hwnd(), PBM_GETPOS, 0, 0);
  ASSERT_GT(high, 0);
  EXPECT_EQ(pos * 2, high);
  bar.SetTotalParts(13);
  bar.SetPartsComplete(20);  // more than the total: a full bar
  EXPECT_EQ(SendMessageA(bar.hwnd(), PBM_GETPOS, 0, 0), 13);
  EXPECT_EQ(bar.PartsComplete(), 20);
}

TEST_F(Win32WidgetsWine, EnterOnAFocusedLinkFollowsIt) {
  std::unique_ptr<UiHost> host = BuildWin32Ui();
  MainView& v = host->View();
  int followed = 0;
  v.main.lnkSettings->OnClick = [&] { ++followed; };
  v.main.window->Show();
  auto* link = dynamic_cast<Win32Label*>(v.main.lnkSettings);
  ASSERT_NE(link, nullptr);
  SetFocus(link->hwnd());
  PostMessageA(link->hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  v.app->ProcessMessages();
  EXPECT_EQ(followed, 1);
  v.main.window->Hide();
}

TEST_F(Win32WidgetsWine, BuilderMakesEveryWindowAndWidget) {
  std::unique_ptr<UiHost> host = BuildWin32Ui();
  MainView& v = host->View();
  ASSERT_NE(v.app, nullptr);
  EXPECT_EQ(v.main.window->Caption(), "Corvanta");
  EXPECT_EQ(v.main.NoteBook->PageCount(), 7);
  EXPECT_EQ(v.main.ScanListView->ColumnCount(), 3);
  EXPECT_EQ(v.main.ResultGroup->ItemCount(), 13);
  EXPECT_EQ(v.main.ResultGroup->ItemCaption(10), "Sounds");
  EXPECT_EQ(v.main.cbSection11->Caption(), "Event Sounds");
  EXPECT_EQ(v.main.AdvancedNotebook->PageCount(), 5);
  EXPECT_EQ(v.dlgComplete.window->Caption(), "Scan Complete");
  EXPECT_EQ(v.updateAlert.window->Caption(), "Corvanta  Update Available");
  EXPECT_NE(v.main.ParamListBox, nullptr);
  for (CheckBox* box : v.main.SectionBoxes()) EXPECT_NE(box, nullptr);
  EXPECT_FALSE(v.main.window->Visible()) << "the logic shows the windows";
  EXPECT_FALSE(v.updateStatus.window->Visible());
}

}  // namespace
