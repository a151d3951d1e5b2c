// How soon the real GUI shows a large section of results, driven from another
// process as a user would: starts PROGRAM /scan, confirms "Scan Complete",
// clicks "Deep Registry Scan (N)" and times
//   - click to first lines: until the list holds the section's lines and has
//     painted its first screen (UpdateWindow from here returns only when the
//     program has painted);
//   - the slowest answer of the window meanwhile (each read of the count is a
//     message it must answer);
//   - End to the last line painted;
//   - the program's private memory before the click and after the fill.
//
//   corvanta_gui_results_bench.exe PROGRAM [TIMEOUT_S]
//
// Prints one line; bench/gui-bench.sh --results runs it in throwaway prefixes
// seeded with N problems.
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/gui_windows.h"

namespace {

using namespace corvanta;
using namespace corvanta::gui;

// A message the window must answer; false when it did not within the time.
bool Ask(HWND hwnd, UINT msg, DWORD timeoutMs, LRESULT* result, double* tookMs) {
  DWORD_PTR r = 0;
  const double asked = NowMs();
  const bool ok = SendMessageTimeoutA(hwnd, msg, 0, 0, SMTO_NORMAL, timeoutMs, &r) != 0;
  *tookMs = NowMs() - asked;
  *result = static_cast<LRESULT>(r);
  return ok;
}

double PrivateMb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS pmc = {};
  pmc.cb = sizeof pmc;
  if (!GetProcessMemoryInfo(process, &pmc, sizeof pmc)) return -1;
  return static_cast<double>(pmc.PagefileUsage) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: corvanta_gui_results_bench PROGRAM [TIMEOUT_S]\n");
    return 2;
  }
  const double limitMs = 1000.0 * (argc > 2 ? std::max(1, std::atoi(argv[2])) : 60);
  if (!Start(argv[1], "/scan")) {
    std::printf("bench: cannot start %s\n", argv[1]);
    return 1;
  }
  HWND dialog = nullptr;
  const double scanStart = NowMs();
  const bool complete = WaitFor(
      [&] {
        mainWindow = FindTopLevel(kMainWindowClass, "Corvanta");
        dialog = FindTopLevel(kWindowClass, "Scan Complete");
        return mainWindow && dialog;
      },
      600000);
  const double scanMs = NowMs() - scanStart;
  if (!complete) {
    std::printf("bench: no Scan Complete dialog\n");
    TerminateProcess(target.pi.hProcess, 1);
    return 1;
  }
  ClickButton(GetDlgItem(dialog, ctl::kDlgCompleteOk));
  HWND results = WaitPage(2) ? Page(2) : nullptr;
  HWND box = results ? GetDlgItem(results, ctl::kParamListBox) : nullptr;
  HWND item =
      results ? GetDlgItem(GetDlgItem(results, ctl::kResultGroup), ctl::kGroupItem0 + 12) : nullptr;
  // The page shows before the scan's last steps write the counts.
  std::string caption;
  WaitFor(
      [&] {
        caption = item ? TextOf(item) : "";
        return !caption.empty() && caption.back() == ')';
      },
      20000);
  const size_t open = caption.rfind(" (");
  const long expected = open == std::string::npos ? -1 : std::atol(caption.c_str() + open + 2);
  int code = 0;
  if (!box || expected < 1) {
    std::printf("bench: no results page or no problems in \"%s\"\n", caption.c_str());
    code = 1;
  } else {
    const double memBefore = PrivateMb(target.pi.hProcess);
    const double clicked = NowMs();
    ClickButton(item);
    double slowest = 0, took = 0, firstMs = -1;
    LRESULT count = 0;
    while (NowMs() - clicked < limitMs) {
      const DWORD left = static_cast<DWORD>(std::max(1.0, limitMs - (NowMs() - clicked)));
      const bool answered = Ask(box, LB_GETCOUNT, left, &count, &took);
      slowest = std::max(slowest, took);
      if (answered && count == expected) {
        UpdateWindow(box);  // returns once the program has painted
        firstMs = NowMs() - clicked;
        break;
      }
      Sleep(5);
    }
    const double memAfter = PrivateMb(target.pi.hProcess);
    double endMs = -1;
    if (firstMs >= 0) {
      // A click at the right end of the first line, clear of its link, gives
      // the list the focus, as a user's would.
      RECT rc;
      GetClientRect(box, &rc);
      const LPARAM at = MAKELPARAM(rc.right - 8, 4);
      PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageA(box, WM_LBUTTONUP, 0, at);
      LRESULT sel = -1;
      WaitFor([&] { return Ask(box, LB_GETCURSEL, 5000, &sel, &took) && sel == 0; }, 5000);
      const double pressed = NowMs();
      PostMessageA(box, WM_KEYDOWN, VK_END, 0);
      PostMessageA(box, WM_KEYUP, VK_END, 0);
      while (NowMs() - pressed < limitMs) {
        if (Ask(box, LB_GETCURSEL, 5000, &sel, &took) && sel == expected - 1) {
          UpdateWindow(box);
          endMs = NowMs() - pressed;
          break;
        }
        Sleep(1);
      }
    }
    auto shown = [&](double ms) {
      char buf[64];
      std::snprintf(buf, sizeof buf, ms < 0 ? "> %.0f ms" : "%.0f ms", ms < 0 ? limitMs : ms);
      return std::string(buf);
    };
    std::printf(
        "%ld problems: scan %.1f s; click to first lines %s; slowest answer while filling %s; End "
        "to last line %s; private memory %.0f MB before the click, %.0f MB after\n",
        expected, scanMs / 1000.0, shown(firstMs).c_str(),
        shown(firstMs < 0 ? -1 : slowest).c_str(), endMs < 0 ? "-" : shown(endMs).c_str(),
        memBefore, memAfter);
    if (firstMs < 0) code = 1;
  }
  std::fflush(stdout);
  TerminateProcess(target.pi.hProcess, 0);  // a throwaway prefix: no need to close cleanly
  WaitForSingleObject(target.pi.hProcess, 10000);
  CloseHandle(target.pi.hThread);
  CloseHandle(target.pi.hProcess);
  return code;
}
