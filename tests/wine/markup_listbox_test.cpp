// The owner-drawn markup list box in a real (hidden or off-screen) window:
// one item height from the layouts, again on resize, painting, the drop-down of a
// parameter driven by the mouse and by the keyboard, and clicks past line
// 65,536.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/win32/param_list_box_win32.h"

namespace {

using corvanta::ParamListBoxWin32;

ParamListBoxWin32* g_box = nullptr;
int g_drawn = 0;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DRAWITEM) ++g_drawn;
  LRESULT r = 0;
  if (g_box && g_box->HandleParentMessage(msg, wParam, lParam, &r)) return r;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Ends a drop-down that the queued keys failed to close, so a fault shows as
// a failed expectation instead of a hung test.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  EndMenu();
}

std::string ProblemLine(int index, const std::string& choice, const std::string& data) {
  return "<FONT color=\"#FF0000\"><B>Invalid application path:</B> </FONT>Set to <B><a "
         "href=\"list" +
         std::to_string(index) + "\" class=\"LIST\" props=\"Delete|Ignore|Always Ignore\">" +
         choice +
         "</A></B><br>Location: Software\\Microsoft\\Windows\\CurrentVersion\\App "
         "Paths\\gone&lt;1&gt;.exe<br><br>(Default) = " +
         data + "<br>" + std::string(155, '.');
}

const char kSummary[] =
    "<br><p align=\"center\">Found a total of <b>3 Problems</b> in your Windows Registry.<br> To "
    "see the errors in each section please select a section on the left.</p>";
const char kEmpty[] =
    "<br><p align=\"center\">Could not find any invalid entries in the <b>Sounds</b> section of "
    "your registry</p>";

struct Event {
  int idx;
  std::string href, value;
};

class MarkupListBoxWine : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorvantaMarkupTestParent";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);  // fails harmlessly when already registered
    parent_ = CreateWindowExA(0, wc.lpszClassName, "markup", WS_OVERLAPPEDWINDOW, 0, 0, 960, 560,
                              nullptr, nullptr, wc.hInstance, nullptr);
    if (!parent_) GTEST_SKIP() << "no window can be created here (no display?)";
    RECT bounds = {10, 10, 930, 510};
    box_ = corvanta::CreateParamListBoxWin32(parent_, 1001, bounds, nullptr);
    ASSERT_TRUE(box_);
    g_box = box_.get();
    g_drawn = 0;
    box_->OnParamClick = [this](int i, const std::string& h, const std::string& v) {
      clicks_.push_back({i, h, v});
    };
    box_->OnParamEditDone = [this](int i, const std::string& h, const std::string& v) {
      edits_.push_back({i, h, v});
    };
  }

  void TearDown() override {
    g_box = nullptr;
    box_.reset();
    if (parent_) DestroyWindow(parent_);
    Flush();
  }

  static void Flush() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }

  std::string ListText(int index) const {
    HWND lb = box_->Handle();
    LRESULT n = SendMessageA(lb, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == LB_ERR) return "<none>";
    std::string s(static_cast<size_t>(n) + 1, '\0');
    SendMessageA(lb, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&s[0]));
    s.resize(static_cast<size_t>(n));
    return s;
  }

  // Queues the keys for the drop-down that the next action opens.
  void QueueMenuKeys(const std::vector<WPARAM>& keys) {
    for (WPARAM k : keys) PostMessageA(box_->Handle(), WM_KEYDOWN, k, 0);
    SetTimer(nullptr, 0, 5000, Watchdog);
  }

  HWND parent_ = nullptr;
  std::unique_ptr<ParamListBoxWin32> box_;
  std::vector<Event> clicks_, edits_;
};

TEST_F(MarkupListBoxWine, MeasuresItemsFromTheLayout) {
  // One height for all items: the tallest markup item, or the layout keyed
  // items share (one line per markup line, cut at the width).
  box_->AddItem(kSummary);
  ASSERT_EQ(box_->Count(), 1);
  EXPECT_EQ(box_->ItemHeight(0), 48);
  // Narrower, markup items wrap and grow; wider again, they shrink back.
  MoveWindow(box_->Handle(), 10, 10, 200, 500, TRUE);
  EXPECT_GT(box_->ItemHeight(0), 48);
  MoveWindow(box_->Handle(), 10, 10, 920, 500, TRUE);
  EXPECT_EQ(box_->ItemHeight(0), 48);
  std::string huge;
  while (huge.size() < (1u << 20)) huge += "word ";
  box_->SetItemSource([&huge](std::uint32_t key) {
    return ProblemLine(static_cast<int>(key), "Delete", key == 4 ? huge : "C:\\x.exe");
  });
  box_->AddKeyedItem(3);
  box_->AddKeyedItem(4);
  ASSERT_EQ(box_->Count(), 3);
  EXPECT_EQ(box_->ItemHeight(0), 80);
  EXPECT_EQ(box_->ItemHeight(2), 80);  // the huge data is cut, not wrapped
  EXPECT_EQ(ListText(1).substr(0, 48), "Invalid application path: Set to Delete Location");
  EXPECT_NE(ListText(1).find("gone<1>.exe"), std::string::npos);

  // Keyed items keep five lines at any width: they are cut, not wrapped.
  MoveWindow(box_->Handle(), 10, 10, 300, 500, TRUE);
  EXPECT_EQ(box_->ItemHeight(1), 80);
  MoveWindow(box_->Handle(), 10, 10, 920, 500, TRUE);
  // A long markup item wraps up to 15 lines (the list box's limit is 255).
  box_->AddItem(ProblemLine(5, "Delete", huge));
  EXPECT_EQ(box_->ItemHeight(0), 240);

  // Painting goes through the parent's WM_DRAWITEM.
  ShowWindow(parent_, SW_SHOWNOACTIVATE);
  box_->SetItemIndex(1);
  UpdateWindow(parent_);
  RedrawWindow(box_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GT(g_drawn, 0);

  box_->Clear();
  EXPECT_EQ(box_->Count(), 0);
  EXPECT_EQ(SendMessageA(box_->Handle(), LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(box_->ItemIndex(), -1);
  box_->AddItem(kEmpty);
  EXPECT_EQ(box_->ItemHeight(0), 32);
}

TEST_F(MarkupListBoxWine, ClickOnAParameterOpensItsChoices) {
  ShowWindow(parent_, SW_SHOWNOACTIVATE);
  box_->AddItem(kSummary);
  box_->AddItem(ProblemLine(3, "Delete", "C:\\x.exe"));
  RECT rc;
  EXPECT_FALSE(box_->ParamClientRect(0, 0, &rc));  // the summary has no parameter
  ASSERT_TRUE(box_->ParamClientRect(1, 0, &rc));
  EXPECT_GE(rc.top, 48);  // below the summary item
  const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);

  // A click beside the parameter only selects.
  SendMessageA(box_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.right + 40, rc.top + 2));
  SendMessageA(box_->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(rc.right + 40, rc.top + 2));
  EXPECT_TRUE(clicks_.empty());
  EXPECT_EQ(box_->ItemIndex(), 1);

  QueueMenuKeys({VK_DOWN, VK_DOWN, VK_RETURN});  // the second choice: "Ignore"
  SendMessageA(box_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(box_->Handle(), WM_LBUTTONUP, 0, at);
  ASSERT_EQ(clicks_.size(), 1u);
  EXPECT_EQ(clicks_[0].idx, 1);
  EXPECT_EQ(clicks_[0].href, "list3");
  EXPECT_EQ(clicks_[0].value, "Delete");
  ASSERT_EQ(edits_.size(), 1u);
  EXPECT_EQ(edits_[0].idx, 1);
  EXPECT_EQ(edits_[0].href, "list3");
  EXPECT_EQ(edits_[0].value, "Ignore");
  EXPECT_NE(box_->Item(1).find(">Ignore</A>"), std::string::npos);
  EXPECT_EQ(ListText(1).substr(0, 39), "Invalid application path: Set to Ignore");
  EXPECT_EQ(box_->ItemIndex(), 1);
  EXPECT_EQ(box_->ItemHeight(1), 80);
}

TEST_F(MarkupListBoxWine, KeyboardReachesTheChoices) {
  ShowWindow(parent_, SW_SHOWNOACTIVATE);
  box_->AddItem(ProblemLine(0, "Delete", "a"));
  box_->AddItem(ProblemLine(1, "Ignore", "b"));
  SetFocus(box_->Handle());
  box_->SetItemIndex(0);
  SendMessageA(box_->Handle(), WM_KEYDOWN, VK_DOWN, 0);  // arrows move the selection
  EXPECT_EQ(box_->ItemIndex(), 1);

  QueueMenuKeys({VK_DOWN, VK_RETURN});  // the first choice: "Delete"
  SendMessageA(box_->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  ASSERT_EQ(clicks_.size(), 1u);
  EXPECT_EQ(clicks_[0].href, "list1");
  ASSERT_EQ(edits_.size(), 1u);
  EXPECT_EQ(edits_[0].idx, 1);
  EXPECT_EQ(edits_[0].value, "Delete");
  EXPECT_NE(box_->Item(1).find(">Delete</A>"), std::string::npos);

  // F4 opens it too; the third choice is "Always Ignore".
  QueueMenuKeys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
  SendMessageA(box_->Handle(), WM_KEYDOWN, VK_F4, 0);
  ASSERT_EQ(edits_.size(), 2u);
  EXPECT_EQ(edits_[1].value, "Always Ignore");

  // Escape closes the drop-down without a choice.
  QueueMenuKeys({VK_ESCAPE});
  SendMessageA(box_->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(clicks_.size(), 3u);
  EXPECT_EQ(edits_.size(), 2u);
}

TEST_F(MarkupListBoxWine, TheCallersFontOutlivesTheBox) {
  HFONT font =
      CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  ASSERT_NE(font, nullptr);
  box_->SetFont(font);
  box_->AddItem(ProblemLine(0, "Delete", "a"));
  box_->SetFont(font);  // again: only the box's own bold font is replaced
  g_box = nullptr;
  box_.reset();
  EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT))
      << "the box deleted a font not its own";
  DeleteObject(font);
}

TEST_F(MarkupListBoxWine, AClickOnLine70000ActsOnLine70000) {
  SendMessageA(box_->Handle(), WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < 70000; ++i)
    box_->AddItem("Line " + std::to_string(i) + " <a href=\"list" + std::to_string(i) +
                  "\" class=\"LIST\" props=\"Delete|Ignore|Always Ignore\">Delete</a>");
  SendMessageA(box_->Handle(), WM_SETREDRAW, TRUE, 0);
  ASSERT_EQ(box_->Count(), 70000);
  ShowWindow(parent_, SW_SHOWNOACTIVATE);
  SendMessageA(box_->Handle(), LB_SETTOPINDEX, 69995, 0);
  RECT rc;
  ASSERT_TRUE(box_->ParamClientRect(69999, 0, &rc));
  const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  QueueMenuKeys({VK_ESCAPE});
  SendMessageA(box_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(box_->Handle(), WM_LBUTTONUP, 0, at);
  ASSERT_EQ(clicks_.size(), 1u);
  EXPECT_EQ(clicks_[0].idx, 69999);
  EXPECT_EQ(clicks_[0].href, "list69999");
  EXPECT_EQ(box_->ItemIndex(), 69999);

  // Home and End move over all lines.
  SendMessageA(box_->Handle(), WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(box_->ItemIndex(), 0);
  SendMessageA(box_->Handle(), WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(box_->ItemIndex(), 69999);

  // The keyboard opens the drop-down of the selected line, not of line 4,463.
  QueueMenuKeys({VK_ESCAPE});
  SendMessageA(box_->Handle(), WM_KEYDOWN, VK_F4, 0);
  ASSERT_EQ(clicks_.size(), 2u);
  EXPECT_EQ(clicks_[1].href, "list69999");
}

}  // namespace
