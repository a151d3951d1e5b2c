// Finding and driving the windows of the program under test from another
// process: shared by the GUI test driver and the GUI benchmark.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/win32/control_ids.h"

namespace corvanta::gui {

// Milliseconds from a fine clock.
inline double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(100);
  }
  return true;
}

inline std::string ClassOf(HWND hwnd) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  return cls;
}

inline std::string TextOf(HWND hwnd) {
  if (!hwnd) return "<no window>";
  char buf[1024] = {};
  // WM_GETTEXT is marshalled across processes.
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return buf;
}

struct Target {
  PROCESS_INFORMATION pi = {};
};
inline Target target;

// The program's visible top-level window of a class, with an optional
// caption and an optional child ID it must hold.
struct TopQuery {
  const char* cls;
  const char* caption;
  int childId;
  HWND found;
};

inline BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM lp) {
  auto* q = reinterpret_cast<TopQuery*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != target.pi.dwProcessId || !IsWindowVisible(hwnd)) return TRUE;
  if (ClassOf(hwnd) != q->cls) return TRUE;
  if (q->caption && TextOf(hwnd) != q->caption) return TRUE;
  if (q->childId && !GetDlgItem(hwnd, q->childId)) return TRUE;
  q->found = hwnd;
  return FALSE;
}

inline HWND FindTopLevel(const char* cls, const char* caption, int childId = 0) {
  TopQuery q = {cls, caption, childId, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

// A descendant with a control ID (the first in enumeration order).
struct IdQuery {
  int id;
  HWND found;
};

inline BOOL CALLBACK MatchId(HWND hwnd, LPARAM lp) {
  auto* q = reinterpret_cast<IdQuery*>(lp);
  if (GetDlgCtrlID(hwnd) != q->id) return TRUE;
  q->found = hwnd;
  return FALSE;
}

inline HWND Find(HWND root, int id) {
  if (!root) return nullptr;
  IdQuery q = {id, nullptr};
  EnumChildWindows(root, MatchId, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

inline HWND mainWindow = nullptr;

inline HWND Page(int index) {
  return GetDlgItem(Find(mainWindow, ctl::kNoteBook), ctl::kPage0 + index);
}

inline int VisiblePage() {
  for (int i = 0; i < 7; ++i) {
    HWND p = Page(i);
    if (p && IsWindowVisible(p)) return i;
  }
  return -1;
}

inline bool WaitPage(int index) {
  return WaitFor([&] { return VisiblePage() == index; }, 20000);
}

// A click the program handles later (Post: a click may run a long command).
inline void ClickLink(HWND link) {
  if (!link) return;
  PostMessageA(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED),
               reinterpret_cast<LPARAM>(link));
}
inline void ClickButton(HWND button) {
  if (button) PostMessageA(button, BM_CLICK, 0, 0);
}

inline bool Start(const std::string& program, const std::string& args) {
  std::string cmd = "\"" + program + "\"" + (args.empty() ? "" : " " + args);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  target = Target();
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &target.pi) != FALSE;
}

}  // namespace corvanta::gui
