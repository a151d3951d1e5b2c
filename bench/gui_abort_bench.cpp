// How the real GUI answers during a long scan, driven from another process
// as a user would: starts PROGRAM /scan, reads the status line over and over
// while the scan runs (each read is a message the window must answer), then
// clicks Abort and waits for the "Scan Complete" dialog.
//
//   corvanta_gui_abort_bench.exe PROGRAM [RUNS]
//
// Run N (from 0) clicks Abort 1 + 0.5 * N seconds into the scan, so the
// clicks land in different sections, and N * 23 % 50 ms after a read was
// answered, so they land at different moments between two pumps. Prints a line per run and a
// summary; bench/gui-bench.sh runs it in a throwaway prefix (the program writes its settings into
// HKLM).
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/gui_windows.h"

namespace {

using namespace corvanta;
using namespace corvanta::gui;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

HWND CompleteDialog() {
  return FindTopLevel(kWindowClass, "Scan Complete");
}

struct Run {
  bool measured = false;
  double abortMs = 0;      // click posted → dialog shown
  double answerMaxMs = 0;  // slowest answer to a status line read
  double answerMedianMs = 0;
  double repaintsPerSecond = 0;  // how often the status line changed
  int row = 0;                   // the section running at the click
};

Run MeasureOnce(const std::string& program, DWORD abortAfterMs, DWORD phaseMs) {
  Run r;
  if (!Start(program, "/scan")) {
    std::printf("bench: cannot start %s\n", program.c_str());
    return r;
  }
  const bool scanning = WaitFor(
      [&] {
        mainWindow = FindTopLevel(kMainWindowClass, "Corvanta");
        return mainWindow && VisiblePage() == 1;
      },
      60000);
  HWND status = scanning ? Find(Page(1), ctl::kStatusBar) : nullptr;
  HWND abort = scanning ? Find(Page(1), ctl::kBtAbort) : nullptr;
  if (status && abort) {
    std::vector<double> answers;
    std::string last;
    int changes = -1;  // the first read is no change
    const double start = NowMs();
    while (NowMs() - start < abortAfterMs && !CompleteDialog()) {
      const double asked = NowMs();
      const std::string text = TextOf(status);
      answers.push_back(NowMs() - asked);
      if (text != last) ++changes;
      last = text;
      Sleep(5);
    }
    const double sampled = NowMs() - start;
    if (!CompleteDialog()) {
      r.row =
          static_cast<int>(SendMessageA(Find(Page(1), ctl::kScanListView), LVM_GETITEMCOUNT, 0, 0));
      // At a different moment after the window last pumped in each run: a
      // click just after a pump is seen at once, one just before the next
      // waits the longest.
      Sleep(phaseMs);
      const double clicked = NowMs();
      ClickButton(abort);
      // Looked for every millisecond: WaitFor's steps are too coarse here.
      while (!CompleteDialog() && NowMs() - clicked < 60000) Sleep(1);
      r.abortMs = NowMs() - clicked;
      r.answerMaxMs = Max(answers);
      r.answerMedianMs = Median(answers);
      r.repaintsPerSecond = 1000.0 * changes / sampled;
      r.measured = true;
    }
  }
  if (HWND dialog = CompleteDialog()) ClickButton(GetDlgItem(dialog, ctl::kDlgCompleteOk));
  WaitPage(2);
  if (mainWindow) PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(target.pi.hProcess, 30000) != WAIT_OBJECT_0)
    TerminateProcess(target.pi.hProcess, 1);
  CloseHandle(target.pi.hThread);
  CloseHandle(target.pi.hProcess);
  mainWindow = nullptr;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: corvanta_gui_abort_bench PROGRAM [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 8;
  std::vector<double> aborts, answers, repaints;
  for (int i = 0; i < runs; ++i) {
    const DWORD after = 1000 + 500 * static_cast<DWORD>(i);
    const Run r = MeasureOnce(argv[1], after, static_cast<DWORD>(i * 23 % 50));
    if (!r.measured) {
      std::printf("run %d: the scan ended before Abort at %lu ms\n", i + 1, after);
      continue;
    }
    std::printf(
        "run %d: Abort at %lu ms (section row %d): dialog after %.0f ms; status reads answered in "
        "%.1f ms median, %.0f ms max; status line changed %.1f times/s\n",
        i + 1, after, r.row, r.abortMs, r.answerMedianMs, r.answerMaxMs, r.repaintsPerSecond);
    std::fflush(stdout);
    aborts.push_back(r.abortMs);
    answers.push_back(r.answerMaxMs);
    repaints.push_back(r.repaintsPerSecond);
  }
  if (aborts.empty()) return 1;
  std::printf(
      "summary: %zu runs: Abort to dialog %.0f ms median, %.0f ms max; slowest answer %.0f ms; "
      "status changes at most %.1f/s\n",
      aborts.size(), Median(aborts), Max(aborts), Max(answers), Max(repaints));
  return 0;
}
