// Drives the real GUI program by window messages from another process, as a
// user would: starts it, waits for its windows, clicks links and buttons,
// reads captions, check boxes, list views and the results list, and asks the
// calling script for a screenshot at the right moments (a request file that
// the script answers with an acknowledgement file).
//
//   corvanta_gui_driver.exe SYNC_DIR PROGRAM
//
// Prints one "PASS name" or "FAIL name: detail" line per check and exits 0
// when every check passed. It only runs in a throwaway Wine prefix made by the
// test script (the program it starts writes its settings into HKLM).
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gui/gui_windows.h"
#include "ui/win32/control_ids.h"

namespace {

using namespace corvanta;
using namespace corvanta::gui;

int passed = 0, failed = 0;

void Check(bool ok, const std::string& name, const std::string& detail = "") {
  if (ok) {
    ++passed;
    std::printf("PASS %s\n", name.c_str());
  } else {
    ++failed;
    std::printf("FAIL %s: %s\n", name.c_str(), detail.c_str());
  }
  std::fflush(stdout);
}

std::string syncDir;
void Screenshot(const std::string& name) {
  std::string req = syncDir + "\\" + name + ".req", ack = syncDir + "\\" + name + ".ack";
  // Let the window paint what the last command changed.
  Sleep(700);
  FILE* f = std::fopen(req.c_str(), "w");
  if (f) std::fclose(f);
  bool got =
      WaitFor([&] { return GetFileAttributesA(ack.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000);
  Check(got, "screenshot " + name, "the script did not take it");
}

// Reads a list view cell of the other process through memory of its own.
std::string ListCell(HWND list, int row, int column) {
  HANDLE proc = target.pi.hProcess;
  const SIZE_T textSize = 512;
  char* remote = static_cast<char*>(
      VirtualAllocEx(proc, nullptr, sizeof(LVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
  if (!remote) return "<no memory>";
  LVITEMA item = {};
  item.iSubItem = column;
  item.cchTextMax = static_cast<int>(textSize);
  item.pszText = remote + sizeof(LVITEMA);
  WriteProcessMemory(proc, remote, &item, sizeof item, nullptr);
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
  char text[512] = {};
  ReadProcessMemory(proc, remote + sizeof(LVITEMA), text, textSize - 1, nullptr);
  VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  return text;
}

int Count(HWND list, UINT msg) {
  return static_cast<int>(SendMessageA(list, msg, 0, 0));
}

std::string ListBoxText(HWND box, int index) {
  LRESULT n = SendMessageA(box, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n < 0) return "";
  // Room for the text as wide characters too: the cross-process copy-back
  // may be sized for them.
  std::vector<char> buf(static_cast<size_t>(n) * 2 + 16, '\0');
  SendMessageA(box, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  // Wine hands the text back across processes as UTF-16 here; take it either way.
  if (n > 1 && buf[0] != '\0' && buf[1] == '\0') {
    std::string narrow;
    for (size_t i = 0; i + 1 < buf.size() && (buf[i] || buf[i + 1]); i += 2) narrow += buf[i];
    return narrow;
  }
  return std::string(buf.data());
}

// Closes the main window as the user's close box does and waits for the end.
void CloseProgram(const std::string& run) {
  if (mainWindow) PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  DWORD wait = WaitForSingleObject(target.pi.hProcess, 30000);
  DWORD code = 1;
  GetExitCodeProcess(target.pi.hProcess, &code);
  Check(wait == WAIT_OBJECT_0 && code == 0, run + ": closes and exits with 0",
        "wait " + std::to_string(wait) + ", exit code " + std::to_string(code));
  if (wait != WAIT_OBJECT_0) TerminateProcess(target.pi.hProcess, 1);
  CloseHandle(target.pi.hThread);
  CloseHandle(target.pi.hProcess);
  mainWindow = nullptr;
}

bool Checked(HWND box) {
  return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Points the program's update check at one of the local servers the script
// started ("current" answers our own version, "normal" a newer one).
void UseUpdateServer(const char* mode) {
  const char* all = std::getenv("CORVANTA_TEST_HTTP");
  std::string ports = all ? all : "";
  const std::size_t at = ports.find(std::string(mode) + "=");
  if (at == std::string::npos) return;
  const std::size_t end = ports.find(',', at);
  const std::string url = "http://127.0.0.1:" + ports.substr(at + std::strlen(mode) + 1,
                                                             end - at - std::strlen(mode) - 1);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, "UpdateServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(url.c_str()),
                 static_cast<DWORD>(url.size() + 1));
  RegCloseKey(key);
}

// "Check for Updates" against a server with a newer version: the alert with
// what is new; Cancel closes it and the program goes on.
void UpdateAlertRun() {
  const std::string run = "update";
  UseUpdateServer("normal");
  ClickLink(Find(Page(0), ctl::kLnkCheckUpdates));
  HWND alert = nullptr;
  bool shown = WaitFor(
      [&] { return (alert = FindTopLevel(kWindowClass, "Corvanta  Update Available")) != nullptr; },
      20000);
  Check(shown, run + ": Check for Updates shows the update alert");
  if (shown) {
    Check(TextOf(GetDlgItem(alert, ctl::kAlertWhatsNew)).rfind("Faster scans.", 0) == 0,
          run + ": what's new in the alert", TextOf(GetDlgItem(alert, ctl::kAlertWhatsNew)));
    Screenshot("update-alert");
    ClickButton(GetDlgItem(alert, ctl::kAlertCancel));
    Check(WaitFor([&] { return !FindTopLevel(kWindowClass, "Corvanta  Update Available"); }, 5000),
          run + ": Cancel closes the alert");
  }
  UseUpdateServer("current");
}

// Selects a list view row of the other process, as a click does.
void SelectRow(HWND list, int row) {
  HANDLE proc = target.pi.hProcess;
  void* remote = VirtualAllocEx(proc, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return;
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  WriteProcessMemory(proc, remote, &item, sizeof item, nullptr);
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
}

// The row whose first cell is caption, -1 when none.
int RowOf(HWND list, const std::string& caption) {
  for (int i = 0; i < Count(list, LVM_GETITEMCOUNT); ++i)
    if (ListCell(list, i, 0) == caption) return i;
  return -1;
}

// The advanced tools page: each pane shown by its panel on the tools pane,
// its list filled with what the script seeded, a screenshot of each.
void AdvancedToolsPanes(const std::string& run) {
  HWND page = Page(6);
  HWND book = Find(page, ctl::kAdvancedNotebook);
  auto pane = [&](int i) { return GetDlgItem(book, ctl::kPage0 + i); };
  auto shown = [&](int i) { return WaitFor([&] { return IsWindowVisible(pane(i)) != 0; }, 10000); };
  Check(shown(0), run + ": tools pane first");
  Screenshot("page-6");
  const struct {
    int panel, list;
    const char* seeded;
    const char* shot;
  } tools[] = {
      {ctl::kLnkBhoPanel, ctl::kBhoListView, "Corvanta.GuiHelper", "tools-bho"},
      {ctl::kLnkStartupPanel, ctl::kStartupListView, "CorvantaGuiStartup", "tools-startup"},
      {ctl::kLnkUninstallPanel, ctl::kUninstallListView, "Corvanta GUI Demo", "tools-uninstall"},
      {ctl::kLnkExplorerPanel, 0, nullptr, "tools-iebackup"}};
  for (int i = 0; i < 4; ++i) {
    ClickLink(Find(pane(0), tools[i].panel));
    Check(shown(i + 1), run + ": " + tools[i].shot + " pane shown");
    if (tools[i].list) {
      HWND list = Find(pane(i + 1), tools[i].list);
      int row = -1;
      WaitFor([&] { return (row = RowOf(list, tools[i].seeded)) >= 0; }, 10000);
      Check(row >= 0, run + ": " + tools[i].shot + " lists " + tools[i].seeded);
      if (row >= 0) SelectRow(list, row);
      if (i < 2) {
        HWND label = Find(pane(i + 1), i == 0 ? ctl::kBhoFileName : ctl::kStartFilename);
        bool details = WaitFor(
            [&] {
              const std::string t = TextOf(label);
              return t.find(" (Version: ") != std::string::npos && t != " (Version: )";
            },
            10000);
        Check(details, run + ": " + tools[i].shot + " shows the file's version", TextOf(label));
      }
    }
    Screenshot(tools[i].shot);
    ClickButton(GetDlgItem(page, ctl::kBtAdvancedBack));
    Check(shown(0), run + ": Back from " + tools[i].shot + " shows the tools pane");
  }
}

void InteractiveRun(const std::string& program) {
  const std::string run = "interactive";
  Check(Start(program, ""), run + ": program starts", "CreateProcess failed");
  // The start-up status window, with its texts, before the main window.
  HWND status = nullptr;
  bool statusShown = WaitFor(
      [&] {
        status = FindTopLevel(kWindowClass, nullptr, ctl::kStatusStatus);
        return status != nullptr;
      },
      20000);
  Check(statusShown && !FindTopLevel(kMainWindowClass, "Corvanta"),
        run + ": status window first, main window hidden");
  if (status) {
    Check(TextOf(GetDlgItem(status, ctl::kStatusVersion)) == "version 1.3.0",
          run + ": status window version", TextOf(GetDlgItem(status, ctl::kStatusVersion)));
  }
  bool up = WaitFor(
      [&] {
        mainWindow = FindTopLevel(kMainWindowClass, "Corvanta");
        return mainWindow && !FindTopLevel(kWindowClass, nullptr, ctl::kStatusStatus);
      },
      30000);
  Check(up, run + ": main window up and status window gone");
  if (!up) return;
  RECT client;
  GetClientRect(mainWindow, &client);
  LONG_PTR style = GetWindowLongPtrA(mainWindow, GWL_STYLE);
  LONG_PTR ex = GetWindowLongPtrA(mainWindow, GWL_EXSTYLE);
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  Check(client.right == MulDiv(684, dpi, 96) && client.bottom == MulDiv(394, dpi, 96),
        run + ": client area 684 x 394 at 96 DPI",
        std::to_string(client.right) + " x " + std::to_string(client.bottom));
  Check((style & WS_MINIMIZEBOX) && !(style & WS_MAXIMIZEBOX) && !(style & WS_THICKFRAME) &&
            (style & WS_SYSMENU) && (ex & WS_EX_TOPMOST),
        run + ": fixed border, minimise only, always on top");
  Check(WaitPage(0), run + ": page 0 shown", "page " + std::to_string(VisiblePage()));
  Check(TextOf(Find(mainWindow, ctl::kLnkHelp)) == "Help" &&
            IsWindowVisible(Find(mainWindow, ctl::kLnkHelp)),
        run + ": Help link visible");
  Screenshot("page-0");
  UpdateAlertRun();

  ClickLink(Find(Page(0), ctl::kLnkSettings));
  Check(WaitPage(4), run + ": Settings link shows page 4", "page " + std::to_string(VisiblePage()));
  HWND settings = Page(4);
  std::string ticks;
  for (int i = 0; i < 13; ++i)
    ticks += Checked(GetDlgItem(settings, ctl::kCbSection1 + i)) ? '1' : '0';
  // A fresh prefix: first-start defaults, sections 10 and 12 unticked.
  Check(ticks == "1111111110101", run + ": first-start section defaults", ticks);
  Check(Checked(GetDlgItem(settings, ctl::kCbBackup)) &&
            Checked(GetDlgItem(settings, ctl::kCbAutoUpdate)) &&
            Checked(GetDlgItem(settings, ctl::kCbRunStartUp)),
        run + ": option defaults ticked");
  HWND sysRestore = GetDlgItem(settings, ctl::kCbSysRestore);
  HWND note = GetDlgItem(settings, ctl::kLbSystemRestore);
  // The page-change hook sets them right after the switch.
  Check(WaitFor(
            [&] {
              return (IsWindowEnabled(sysRestore) != FALSE) != (IsWindowVisible(note) != FALSE);
            },
            5000),
        run + ": restore-point note shown exactly when the option is disabled");
  Screenshot("page-4");
  ClickButton(GetDlgItem(settings, ctl::kRzBitBtn8));
  Check(WaitPage(0), run + ": Back on settings shows page 0",
        "page " + std::to_string(VisiblePage()));

  ClickLink(Find(Page(0), ctl::kLnkBackupEntry));
  Check(WaitPage(5), run + ": backup entry shows page 5", "page " + std::to_string(VisiblePage()));
  ClickButton(GetDlgItem(Page(5), ctl::kBtBackupBack));
  Check(WaitPage(0), run + ": Back on page 5 shows page 0");
  ClickLink(Find(Page(0), ctl::kLnkAdvancedEntry));
  Check(WaitPage(6), run + ": advanced entry shows page 6",
        "page " + std::to_string(VisiblePage()));
  AdvancedToolsPanes(run);
  ClickButton(GetDlgItem(Page(6), ctl::kBtAdvancedBack));
  Check(WaitPage(0), run + ": Back on page 6 shows page 0");
  CloseProgram(run);

  // The shut-down saved the settings into the prefix's registry.
  HKEY key = nullptr;
  DWORD value = 7, size = sizeof value, type = 0;
  bool saved = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", 0, KEY_READ, &key) ==
                   ERROR_SUCCESS &&
               RegQueryValueExA(key, "Section10", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                &size) == ERROR_SUCCESS &&
               type == REG_DWORD && value == 0;
  if (key) RegCloseKey(key);
  Check(saved, run + ": settings saved at shut-down");
}

// The seeded broken App Paths entries (the script adds them): one gets
// "Ignore" in the results list, the other is repaired.
const char* const kSeeded[2] = {"corvanta-gui-a.exe", "corvanta-gui-b.exe"};
const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

bool SeededEntryPresent(const char* name) {
  HKEY key = nullptr;
  std::string path = std::string(kAppPaths) + name;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  char data[512];
  DWORD size = sizeof data;
  bool present = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                                  &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return present;
}

HWND FindMenuWindow() {
  GUITHREADINFO gti = {};
  gti.cbSize = sizeof gti;
  if (GetGUIThreadInfo(target.pi.dwThreadId, &gti) && (gti.flags & GUI_POPUPMENUMODE) &&
      gti.hwndMenuOwner)
    return gti.hwndMenuOwner;
  HWND menu = nullptr;
  while ((menu = FindWindowExA(nullptr, menu, "#32768", nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(menu, &pid);
    if (pid == target.pi.dwProcessId && IsWindowVisible(menu)) return menu;
  }
  return nullptr;
}

std::string programPath;

// The deep scan's many seeded problems: the list holds every one, shows the
// first screen, and End reaches the last line.
void DeepScanSection(HWND results, HWND box) {
  const std::string run = "/scan";
  HWND item = GetDlgItem(GetDlgItem(results, ctl::kResultGroup), ctl::kGroupItem0 + 12);
  const std::string caption = TextOf(item);
  const long count = std::atol(caption.c_str() + (caption.rfind(" (") + 2));
  Check(count >= 1500, run + ": the seeded deep-scan problems are found", caption);
  if (count < 1500) return;
  ClickButton(item);
  bool listed = WaitFor([&] { return Count(box, LB_GETCOUNT) == count; }, 10000);
  Check(listed, run + ": the deep scan lists every problem",
        std::to_string(Count(box, LB_GETCOUNT)) + " lines");
  const std::string first = ListBoxText(box, 0);
  Check(first.find("Set to Delete") != std::string::npos, run + ": a deep-scan line reads", first);
  Screenshot("results-deep-scan");
  // A click at the right end of the first line, clear of its link, gives the
  // list the focus; then End.
  RECT rc;
  GetClientRect(box, &rc);
  const LPARAM at = MAKELPARAM(rc.right - 8, 4);
  PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(box, WM_LBUTTONUP, 0, at);
  WaitFor([&] { return Count(box, LB_GETCURSEL) == 0; }, 5000);
  PostMessageA(box, WM_KEYDOWN, VK_END, 0);
  PostMessageA(box, WM_KEYUP, VK_END, 0);
  const bool end = WaitFor([&] { return Count(box, LB_GETCURSEL) == count - 1; }, 5000);
  const std::string last = ListBoxText(box, static_cast<int>(count - 1));
  Check(end && last.find("Set to Delete") != std::string::npos, run + ": End selects the last line",
        std::to_string(Count(box, LB_GETCURSEL)) + ": " + last);
  Screenshot("results-deep-scan-end");
}

// A section's problems in the results list, a choice picked from a line's
// drop-down with the keyboard, then the repair and its results page.
std::string ReviewAndRepair(HWND results, HWND box, long total) {
  const std::string run = "/scan";
  HWND group = GetDlgItem(results, ctl::kResultGroup);
  HWND item = GetDlgItem(group, ctl::kGroupItem0);  // "Application Paths (N)"
  std::string caption = TextOf(item);
  long count = std::atol(caption.c_str() + (caption.rfind(" (") + 2));
  Check(count >= 2, run + ": the seeded application paths are found", caption);
  if (count < 2) return "";
  ClickButton(item);
  bool listed = WaitFor([&] { return Count(box, LB_GETCOUNT) == count; }, 10000);
  Check(listed, run + ": a section click lists its problems",
        std::to_string(Count(box, LB_GETCOUNT)) + " lines");
  Check(TextOf(GetDlgItem(results, ctl::kLbResultHeader)) == "Scan Results - " + caption,
        run + ": header names the section", TextOf(GetDlgItem(results, ctl::kLbResultHeader)));
  std::string first = ListBoxText(box, 0);
  Check(first.find("Set to Delete") != std::string::npos, run + ": a line reads Set to Delete",
        first);
  Screenshot("results-section");

  // Space on the selected line opens its choices; Down, Down, Enter picks
  // "Ignore".
  SendMessageA(box, LB_SETCURSEL, 0, 0);
  PostMessageA(box, WM_KEYDOWN, VK_SPACE, 0);
  PostMessageA(box, WM_KEYUP, VK_SPACE, 0);
  HWND menu = nullptr;
  bool open = WaitFor(
      [&] {
        menu = FindMenuWindow();
        return menu != nullptr;
      },
      5000);
  Check(
      open, run + ": the line's drop-down opens from the keyboard",
      "selection " + std::to_string(Count(box, LB_GETCURSEL)) + ", line 0: " + ListBoxText(box, 0));
  if (!open) return "";
  Screenshot("results-dropdown");
  for (WPARAM key : {static_cast<WPARAM>(VK_DOWN), static_cast<WPARAM>(VK_DOWN),
                     static_cast<WPARAM>(VK_RETURN)}) {
    PostMessageA(box, WM_KEYDOWN, key, 0);
    PostMessageA(box, WM_KEYUP, key, 0);
    Sleep(200);
  }
  bool picked =
      WaitFor([&] { return ListBoxText(box, 0).find("Set to Ignore") != std::string::npos; }, 5000);
  Check(picked, run + ": Ignore picked from the drop-down", ListBoxText(box, 0));
  std::string ignoredLine = ListBoxText(box, 0);

  ClickButton(GetDlgItem(results, ctl::kBtRepair));
  Check(WaitPage(3), run + ": the repair ends on the repair results page",
        "page " + std::to_string(VisiblePage()));
  HWND page = Page(3);
  WaitFor([&] { return !TextOf(GetDlgItem(page, ctl::kLbFound)).empty(); }, 5000);
  Check(
      TextOf(GetDlgItem(page, ctl::kLbFound)) == std::to_string(total) &&
          TextOf(GetDlgItem(page, ctl::kLbIgnored)) == "1",
      run + ": found and ignored counts",
      TextOf(GetDlgItem(page, ctl::kLbFound)) + " / " + TextOf(GetDlgItem(page, ctl::kLbIgnored)));
  long repaired = std::atol(TextOf(GetDlgItem(page, ctl::kLbRepaired)).c_str());
  long left = IsWindowVisible(GetDlgItem(page, ctl::kLbLeft))
                  ? std::atol(TextOf(GetDlgItem(page, ctl::kLbLeft)).c_str())
                  : 0;
  Check(repaired + left == total - 1, run + ": repaired and left add up",
        std::to_string(repaired) + " + " + std::to_string(left));
  // The entry left on Delete is gone and saved in the automatic backup. (The
  // ignored one is found again by the deep scan, set to Delete there, so it
  // goes too.)
  const char* repairedName =
      ignoredLine.find(kSeeded[0]) != std::string::npos ? kSeeded[1] : kSeeded[0];
  Check(!SeededEntryPresent(repairedName), run + ": " + repairedName + " repaired");
  std::string folder = programPath.substr(0, programPath.find_last_of('\\') + 1) + "Backup\\";
  WIN32_FIND_DATAA found = {};
  HANDLE h = FindFirstFileA((folder + "Automatic Backup_*.reg").c_str(), &found);
  std::string backup;
  if (h != INVALID_HANDLE_VALUE) {
    FindClose(h);
    FILE* f = std::fopen((folder + found.cFileName).c_str(), "rb");
    char chunk[4096];
    size_t n;
    while (f && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) backup.append(chunk, n);
    if (f) std::fclose(f);
  }
  Check(backup.compare(0, 8, "REGEDIT4") == 0 &&
            backup.find(std::string("App Paths\\") + repairedName + "]") != std::string::npos,
        run + ": automatic backup holds the repaired entry", found.cFileName);
  Screenshot("page-3");
  return repairedName;
}

// The message box the program shows next: its text, closed with OK.
std::string AnswerMessageBox() {
  HWND box = nullptr;
  WaitFor([&] { return (box = FindTopLevel("#32770", "Corvanta")) != nullptr; }, 60000);
  if (!box) return "<no message box>";
  std::string text = TextOf(GetDlgItem(box, 0xFFFF));
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  WaitFor([&] { return !FindTopLevel("#32770", "Corvanta"); }, 5000);
  return text;
}

// The backup page after the repair: its automatic backup is listed, restoring
// it brings the repaired entry back, and the full-backup pane.
void BackupPageRun(const char* repairedName) {
  const std::string run = "backup page";
  ClickButton(GetDlgItem(Page(3), ctl::kBtRepairBack));
  Check(WaitPage(0), run + ": Back on the repair results shows page 0");
  ClickLink(Find(Page(0), ctl::kLnkBackupEntry));
  Check(WaitPage(5), run + ": backup entry shows page 5");
  HWND list = Find(Page(5), ctl::kRestoreListView);
  bool listed = WaitFor([&] { return Count(list, LVM_GETITEMCOUNT) == 1; }, 10000);
  Check(listed && ListCell(list, 0, 0) == "Automatic Backup", run + ": the repair's backup listed",
        std::to_string(Count(list, LVM_GETITEMCOUNT)) + " rows");
  SelectRow(list, 0);
  Screenshot("page-5-restore");
  ClickButton(Find(Page(5), ctl::kBtRestore));
  const std::string text = AnswerMessageBox();
  Check(text.rfind("The registry restore operation was successful!", 0) == 0,
        run + ": restore reports success", text);
  Check(repairedName != nullptr && SeededEntryPresent(repairedName),
        run + ": the repaired entry is back");
  HWND group = Find(Page(5), ctl::kBackupGroup);
  ClickButton(GetDlgItem(group, ctl::kGroupItem0 + 1));
  bool full =
      WaitFor([&] { return IsWindowVisible(Find(Page(5), ctl::kBtCreateFullBackup)); }, 5000);
  Check(full, run + ": Full Registry Backup shows its pane");
  Screenshot("page-5-full");
  ClickButton(Find(Page(5), ctl::kBtBackupBack));
  Check(WaitPage(0), run + ": Back on page 5 shows page 0");
}

void ScanRun(const std::string& program) {
  const std::string run = "/scan";
  Check(Start(program, "/scan"), run + ": program starts", "CreateProcess failed");
  HWND dialog = nullptr;
  bool complete = WaitFor(
      [&] {
        dialog = FindTopLevel(kWindowClass, "Scan Complete");
        return dialog != nullptr;
      },
      600000);
  Check(complete, run + ": scan runs to the scan-complete dialog");
  if (!complete) {
    TerminateProcess(target.pi.hProcess, 1);
    return;
  }
  mainWindow = FindTopLevel(kMainWindowClass, "Corvanta");
  Check(VisiblePage() == 1, run + ": scanning page under the dialog",
        "page " + std::to_string(VisiblePage()));
  HWND list = Find(Page(1), ctl::kScanListView);
  int rows = Count(list, LVM_GETITEMCOUNT);
  Check(rows == 13, run + ": thirteen section rows", std::to_string(rows));
  std::string bad;
  for (int i = 0; i < rows; ++i) {
    UINT state = static_cast<UINT>(
        SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK));
    int image = static_cast<int>(state >> 12) - 1;
    std::string errors = ListCell(list, i, 1);
    bool lampRight = image == ((errors == "0") ? 1 : 0);
    if (ListCell(list, i, 2) != "Done." || !lampRight) bad += " row " + std::to_string(i);
  }
  Check(rows > 0 && bad.empty(), run + ": every row Done. with its lamp", bad);
  Check(ListCell(list, 0, 0) == "Application Paths" && ListCell(list, 2, 0) == "Program ID Section",
        run + ": row captions", ListCell(list, 0, 0) + " / " + ListCell(list, 2, 0));
  Check(TextOf(Find(Page(1), ctl::kStatusBar)) == "Scanning Complete.", run + ": status line",
        TextOf(Find(Page(1), ctl::kStatusBar)));
  HWND bar = Find(Page(1), ctl::kProgressBar);
  Check(
      SendMessageA(bar, PBM_GETPOS, 0, 0) == 13 && SendMessageA(bar, PBM_GETRANGE, FALSE, 0) == 13,
      run + ": progress bar full in thirteenths");
  Screenshot("page-1");

  // Enter presses the dialog's default button.
  HWND ok = GetDlgItem(dialog, ctl::kDlgCompleteOk);
  Check(TextOf(ok) == "OK", run + ": dialog button OK");
  PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageA(ok, WM_KEYUP, VK_RETURN, 0);
  Check(WaitPage(2), run + ": OK shows the results page", "page " + std::to_string(VisiblePage()));
  Check(WaitFor([&] { return !FindTopLevel(kWindowClass, "Scan Complete"); }, 5000),
        run + ": dialog closed");
  HWND results = Page(2);
  // The page shows before the scan's last steps fill it.
  WaitFor(
      [&] {
        return TextOf(GetDlgItem(results, ctl::kLbResultHeader)) == "Scan Results" &&
               Count(GetDlgItem(results, ctl::kParamListBox), LB_GETCOUNT) == 1;
      },
      5000);
  Check(TextOf(GetDlgItem(results, ctl::kLbResultHeader)) == "Scan Results",
        run + ": results header", TextOf(GetDlgItem(results, ctl::kLbResultHeader)));
  HWND box = GetDlgItem(results, ctl::kParamListBox);
  int lines = Count(box, LB_GETCOUNT);
  Check(lines == 1, run + ": one summary line", std::to_string(lines));
  // The group's item captions end with their counts; they add up to the total
  // of found problems the scanning page showed.
  HWND group = GetDlgItem(results, ctl::kResultGroup);
  long sum = 0;
  std::string captions;
  bool suffixes = true;
  for (int i = 0; i < 13; ++i) {
    std::string c = TextOf(GetDlgItem(group, ctl::kGroupItem0 + i));
    size_t open = c.rfind(" (");
    if (open == std::string::npos || c.back() != ')') {
      suffixes = false;
      captions += " [" + c + "]";
      continue;
    }
    sum += std::atol(c.c_str() + open + 2);
  }
  Check(suffixes, run + ": result items carry counts", captions);
  long total = std::atol(TextOf(Find(Page(1), ctl::kLbTotalFound)).c_str());
  Check(sum == total, run + ": item counts add up to the total found",
        std::to_string(sum) + " vs " + std::to_string(total));
  Check((IsWindowVisible(GetDlgItem(results, ctl::kBtRepair)) != FALSE) == (total > 0),
        run + ": Repair Problems shown exactly when something was found");
  std::string summary = lines > 0 ? ListBoxText(box, 0) : "";
  Check(summary.find(std::to_string(total)) != std::string::npos, run + ": summary names the total",
        summary);
  Screenshot("page-2");
  DeepScanSection(results, box);
  const std::string repaired = ReviewAndRepair(results, box, total);
  if (!repaired.empty()) BackupPageRun(repaired.c_str());
  CloseProgram(run);
}

// Closing the main window while the scan pumps messages: the scan is asked to
// stop, returns through its dialog, and only then does the program end.
void CloseDuringScanRun(const std::string& program) {
  const std::string run = "close during /scan";
  Check(Start(program, "/scan"), run + ": program starts", "CreateProcess failed");
  bool scanning = WaitFor(
      [&] {
        mainWindow = FindTopLevel(kMainWindowClass, "Corvanta");
        return mainWindow && VisiblePage() == 1;
      },
      30000);
  Check(scanning, run + ": scanning page shown");
  PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  HWND dialog = nullptr;
  bool ended = WaitFor(
      [&] {
        if (WaitForSingleObject(target.pi.hProcess, 0) == WAIT_OBJECT_0) return true;
        dialog = FindTopLevel(kWindowClass, "Scan Complete");
        if (dialog) ClickButton(GetDlgItem(dialog, ctl::kDlgCompleteOk));
        return false;
      },
      120000);
  DWORD code = 1;
  GetExitCodeProcess(target.pi.hProcess, &code);
  Check(ended && code == 0, run + ": the program ends cleanly after the scan returns",
        "exit code " + std::to_string(code));
  if (!ended) TerminateProcess(target.pi.hProcess, 1);
  CloseHandle(target.pi.hThread);
  CloseHandle(target.pi.hProcess);
  mainWindow = nullptr;
}

// A /scan of the application paths only, up to the results page with the
// section's lines listed; the section's problem count, -1 when it failed.
long ScanAppPaths(const std::string& program, const std::string& run, std::string* summary) {
  if (!Start(program, "/scan")) return -1;
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = FindTopLevel(kWindowClass, "Scan Complete")) != nullptr; },
          120000);
  mainWindow = FindTopLevel(kMainWindowClass, "Corvanta");
  if (!dialog || !mainWindow) return -1;
  ClickButton(GetDlgItem(dialog, ctl::kDlgCompleteOk));
  if (!WaitPage(2)) return -1;
  HWND results = Page(2);
  HWND box = GetDlgItem(results, ctl::kParamListBox);
  WaitFor([&] { return Count(box, LB_GETCOUNT) == 1; }, 5000);
  *summary = ListBoxText(box, 0);
  HWND item = GetDlgItem(GetDlgItem(results, ctl::kResultGroup), ctl::kGroupItem0);
  const std::string caption = TextOf(item);
  const long count = std::atol(caption.c_str() + (caption.rfind(" (") + 2));
  ClickButton(item);
  const bool listed = WaitFor([&] { return Count(box, LB_GETCOUNT) == count; }, 10000);
  Check(listed, run + ": the section's problems listed", caption);
  return count;
}

// The line that names name, -1 when none does.
int LineNaming(HWND box, const char* name) {
  for (int i = 0; i < Count(box, LB_GETCOUNT); ++i)
    if (ListBoxText(box, i).find(name) != std::string::npos) return i;
  return -1;
}

// "Always Ignore" from a line's drop-down keeps the entry out of the next
// scan; "Remove" in the settings page's ignore list window brings it back.
void IgnoreListRun(const std::string& program) {
  const std::string run = "ignore list";
  HKEY key = nullptr;
  // Only the first section: three scans of everything would take minutes.
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", 0, nullptr, 0, KEY_WRITE,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    for (int i = 1; i <= 13; ++i) {
      const DWORD on = i == 1 ? 1 : 0;
      const std::string name = "Section" + std::to_string(i);
      RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                     sizeof on);
    }
    RegCloseKey(key);
  }
  std::string summary;
  const long before = ScanAppPaths(program, run + " (first scan)", &summary);
  Check(before >= 2, run + ": the seeded entries are found", std::to_string(before));
  if (before < 2) return CloseProgram(run);
  HWND box = GetDlgItem(Page(2), ctl::kParamListBox);
  const char* name = kSeeded[0];
  const int line = LineNaming(box, name);
  Check(line >= 0, run + ": a line names " + std::string(name));
  if (line < 0) return CloseProgram(run);

  // F4 on the selected line opens its drop-down; the third choice.
  SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
  PostMessageA(box, WM_KEYDOWN, VK_F4, 0);
  PostMessageA(box, WM_KEYUP, VK_F4, 0);
  HWND menu = nullptr;
  const bool open = WaitFor([&] { return (menu = FindMenuWindow()) != nullptr; }, 5000);
  Check(open, run + ": F4 opens the drop-down");
  if (!open) return CloseProgram(run);
  Screenshot("results-dropdown-always");
  for (WPARAM k : {static_cast<WPARAM>(VK_DOWN), static_cast<WPARAM>(VK_DOWN),
                   static_cast<WPARAM>(VK_DOWN), static_cast<WPARAM>(VK_RETURN)}) {
    PostMessageA(box, WM_KEYDOWN, k, 0);
    PostMessageA(box, WM_KEYUP, k, 0);
    Sleep(200);
  }
  const bool always = WaitFor(
      [&] { return ListBoxText(box, line).find("Set to Ignore (always)") != std::string::npos; },
      5000);
  Check(always, run + ": Always Ignore picked", ListBoxText(box, line));
  CloseProgram(run);

  // The next scan leaves it out and says so.
  const long skipped = ScanAppPaths(program, run + " (second scan)", &summary);
  box = GetDlgItem(Page(2), ctl::kParamListBox);
  Check(skipped == before - 1 && LineNaming(box, name) < 0, run + ": the listed entry is left out",
        std::to_string(skipped) + " of " + std::to_string(before));
  Check(summary.find("1 entry on your ignore list was skipped") != std::string::npos,
        run + ": the skipped count is shown", summary);

  // Settings page, "Ignore List...", Remove, Close.
  ClickButton(GetDlgItem(Page(2), ctl::kBtResultsBack));
  WaitPage(0);
  ClickLink(Find(Page(0), ctl::kLnkSettings));
  Check(WaitPage(4), run + ": the settings page");
  ClickButton(Find(Page(4), ctl::kBtIgnoreList));
  HWND window = nullptr;
  WaitFor([&] { return (window = FindTopLevel(kWindowClass, "Ignore List")) != nullptr; }, 10000);
  Check(window != nullptr, run + ": Ignore List... opens its window");
  if (!window) return CloseProgram(run);
  HWND list = GetDlgItem(window, ctl::kIgnoreEntryList);
  WaitFor([&] { return Count(list, LVM_GETITEMCOUNT) == 1; }, 5000);
  Check(Count(list, LVM_GETITEMCOUNT) == 1 && ListCell(list, 0, 1).find(name) != std::string::npos,
        run + ": the window lists the entry", ListCell(list, 0, 0) + " | " + ListCell(list, 0, 1));
  Screenshot("ignore-list");
  ClickButton(GetDlgItem(window, ctl::kIgnoreRemove));
  Check(WaitFor([&] { return Count(list, LVM_GETITEMCOUNT) == 0; }, 5000),
        run + ": Remove takes the entry off");
  // Escape closes it, as Close does.
  PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(list, WM_KEYUP, VK_ESCAPE, 0);
  Check(WaitFor([&] { return !IsWindowVisible(window); }, 5000),
        run + ": Escape closes the window");
  CloseProgram(run);

  const long back = ScanAppPaths(program, run + " (third scan)", &summary);
  box = GetDlgItem(Page(2), ctl::kParamListBox);
  Check(back == before && LineNaming(box, name) >= 0, run + ": the entry is back",
        std::to_string(back) + " of " + std::to_string(before));
  Check(summary.find("ignore list") == std::string::npos, run + ": nothing skipped", summary);
  CloseProgram(run);
}

// Reads what a control of the other process holds as UTF-16, shown as UTF-8
// in the test's output.
std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
  return out;
}

std::wstring ListBoxTextW(HWND box, int index) {
  const LRESULT n = SendMessageW(box, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n < 0) return L"";
  std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
  SendMessageW(box, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&buf[0]));
  return std::wstring(buf.c_str());
}

std::wstring ListCellW(HWND list, int row, int column) {
  HANDLE proc = target.pi.hProcess;
  const SIZE_T chars = 512;
  char* remote = static_cast<char*>(VirtualAllocEx(
      proc, nullptr, sizeof(LVITEMW) + chars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  if (!remote) return L"<no memory>";
  LVITEMW item = {};
  item.iSubItem = column;
  item.cchTextMax = static_cast<int>(chars);
  item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
  WriteProcessMemory(proc, remote, &item, sizeof item, nullptr);
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
  wchar_t text[512] = {};
  ReadProcessMemory(proc, remote + sizeof(LVITEMW), text, (chars - 1) * sizeof(wchar_t), nullptr);
  VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  return text;
}

bool SetWideString(HKEY key, const wchar_t* name, const std::wstring& data) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// An uninstall entry whose key and name are Chinese and whose uninstaller is
// gone, written through the wide API: the results list and the uninstall
// pane show its characters (read back with the W messages; the screenshot
// shows them where the display has the glyphs).
void UnicodeRun(const std::string& program) {
  const std::string run = "non-Latin text";
  const std::wstring keyName = L"CvGui\u5F20\u4E09";
  const std::wstring displayName = L"\u5F20\u4E09 Editor";
  const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + keyName;
  HKEY key = nullptr;
  bool seeded =
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS &&
      SetWideString(key, L"DisplayName", displayName) &&
      SetWideString(key, L"UninstallString", L"C:\\Program Files\\Gone Editor\\uninstall.exe");
  if (key) RegCloseKey(key);
  Check(seeded, run + ": the entry is seeded through the wide API");
  if (!seeded) return;

  if (!Start(program, "/scan")) return Check(false, run + ": program starts");
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = FindTopLevel(kWindowClass, "Scan Complete")) != nullptr; },
          120000);
  mainWindow = FindTopLevel(kMainWindowClass, "Corvanta");
  Check(dialog && mainWindow, run + ": the scan completes");
  if (!dialog || !mainWindow) return CloseProgram(run);
  ClickButton(GetDlgItem(dialog, ctl::kDlgCompleteOk));
  Check(WaitPage(2), run + ": the results page");
  HWND results = Page(2);
  HWND box = GetDlgItem(results, ctl::kParamListBox);
  HWND item = GetDlgItem(GetDlgItem(results, ctl::kResultGroup), ctl::kGroupItem0 + 5);
  std::string caption;
  WaitFor(
      [&] {
        caption = TextOf(item);
        return !caption.empty() && caption.back() == ')';
      },
      10000);
  const long count = std::atol(caption.c_str() + (caption.rfind(" (") + 2));
  ClickButton(item);
  const bool listed = count > 0 && WaitFor([&] { return Count(box, LB_GETCOUNT) == count; }, 10000);
  Check(listed, run + ": the uninstall entries are listed", caption);
  int line = -1;
  std::wstring text;
  for (int i = 0; listed && i < count && line < 0; ++i) {
    text = ListBoxTextW(box, i);
    if (text.find(L"\\Uninstall\\" + keyName + L" ") != std::wstring::npos) line = i;
  }
  Check(line >= 0, run + ": a results line names the key in its own characters",
        line >= 0 ? Utf8(text) : Utf8(ListBoxTextW(box, 0)));
  if (line >= 0) SendMessageA(box, LB_SETTOPINDEX, static_cast<WPARAM>(line), 0);
  Screenshot("results-unicode");

  ClickButton(GetDlgItem(results, ctl::kBtResultsBack));
  WaitPage(0);
  ClickLink(Find(Page(0), ctl::kLnkAdvancedEntry));
  Check(WaitPage(6), run + ": the advanced tools page");
  HWND book = Find(Page(6), ctl::kAdvancedNotebook);
  ClickLink(Find(GetDlgItem(book, ctl::kPage0), ctl::kLnkUninstallPanel));
  HWND list = Find(GetDlgItem(book, ctl::kPage0 + 3), ctl::kUninstallListView);
  int row = -1;
  WaitFor(
      [&] {
        for (int i = 0; i < Count(list, LVM_GETITEMCOUNT) && row < 0; ++i)
          if (ListCellW(list, i, 0) == displayName) row = i;
        return row >= 0;
      },
      10000);
  Check(row >= 0, run + ": the uninstall pane lists " + Utf8(displayName));
  if (row >= 0) SelectRow(list, row);
  Screenshot("tools-uninstall-unicode");
  CloseProgram(run);
}

bool InThrowawayPrefix() {
  const char* token = std::getenv("CORVANTA_TEST_TOKEN");
  if (!token || !*token) return false;
  char buf[256] = {};
  FILE* f = std::fopen("C:\\corvanta-test-prefix.token", "rb");
  if (!f) return false;
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  return std::string(buf, n) == token;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: corvanta_gui_driver SYNC_DIR PROGRAM\n");
    return 2;
  }
  if (!InThrowawayPrefix()) {
    std::fprintf(stderr, "corvanta_gui_driver: refusing to run outside the test prefix\n");
    return 3;
  }
  syncDir = argv[1];
  const std::string program = argv[2];
  programPath = program;
  InteractiveRun(program);
  ScanRun(program);
  CloseDuringScanRun(program);
  IgnoreListRun(program);
  UnicodeRun(program);
  std::printf("driver: %d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
