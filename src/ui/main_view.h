// Every named widget of the main window and of the program's other windows, as
// the logic reaches them. A builder (ui/headless or ui/win32) creates the
// widgets, lays them out, gives them their fixed captions, columns and items,
// and fills this struct with pointers that stay valid for the view's lifetime.
// The logic binds the events and sets everything that changes at run time.
#pragma once

#include <array>
#include <memory>

#include "ui/widgets.h"

namespace corvanta {

// The windows the program creates at start-up, with their widgets.

// Start-up status window: borderless, always on top, centred, 330 x 231.
struct UpdateStatusView {
  Window* window = nullptr;  // TUpdateStatus
  Label* lbVersion = nullptr;
  Label* lbStatus = nullptr;
};

// Scan-complete dialog: caption "Scan Complete", text "Scan Completed. Click
// OK to view results.", one default button "OK" (modal result Ok).
struct DlgCompleteView {
  Window* window = nullptr;  // TDlgComplete
};

// Repair-in-progress window: borderless, always on top, 279 x 46, one bold
// blinking label (blink colour blue), design text "Repairing Errors. Please
// wait...".
struct RepairStatusView {
  Window* window = nullptr;  // TRepairStatus
  Label* lbStatus = nullptr;
};

// Update-available dialog: caption "Corvanta  Update Available", bold line "A
// new version of Corvanta is available for download!", read-only memo, buttons
// "Cancel" (modal result Cancel, Esc) and "Download Update" (modal result Ok).
struct UpdateAlertView {
  Window* window = nullptr;  // TUpdateAlert
  Memo* WhatsNew = nullptr;
};

// Download progress: borderless, always on top, 311 x 40, "Downloading
// Update:", a progress bar and a small "Cancel" button.
struct ProgressFormView {
  Window* window = nullptr;                      // TProgressForm
  corvanta::ProgressBar* ProgressBar = nullptr;  // qualified: the member hides the type
  Button* RzButton1 = nullptr;                   // "Cancel"
};

// "Checking for updates" window.
struct UpdateCheckingView {
  Window* window = nullptr;  // TUpdateChecking
  Label* lbStatus = nullptr;
};

// Ignore list window: caption "Ignore List", the entries (columns "Section",
// "Location", "Value"), buttons "Remove" and "Close" (default, modal result
// Cancel, Esc). Tab order: list, Remove, Close.
struct IgnoreListView {
  Window* window = nullptr;
  ReportListView* EntryList = nullptr;
  Button* btRemove = nullptr;
  Button* btClose = nullptr;
};

// The main window TForm1: caption "Corvanta", fixed border, system menu and
// minimise only, always on top, centred, client 684 x 394. Its client area is
// the page stack NoteBook (pages 0..6); the "Help" link sits top right,
// outside the stack, on every page.
struct MainWindowView {
  Window* window = nullptr;
  PageStack* NoteBook = nullptr;  // 7 pages
  Label* lnkHelp = nullptr;       // "Help", top right

  // Page 0, main menu: heading "Select an Action".
  Label* lnkScanEntry = nullptr;      // large entry "Scan System for Registry Errors" (with image)
  Label* lnkBackupEntry = nullptr;    // large entry "Registry Backup/Restore Manager"
  Label* lnkAdvancedEntry = nullptr;  // large entry "Advanced System Tools"
  Label* lnkScanNow = nullptr;        // "Scan Now"
  Label* lnkUserManual = nullptr;     // "User Manual"
  Label* lnkCheckUpdates = nullptr;   // "Check for Updates"
  Label* lnkSettings = nullptr;       // "Settings" (with image)

  // Page 1, scanning: heading "Scanning Registry...".
  corvanta::ProgressBar* ProgressBar = nullptr;  // qualified: the member hides the type
  Label* lbTotalFound = nullptr;                 // beside "Total Problems Found:"
  // Columns "Section" 250, "Errors Found" 100, "Status" 106; state images
  // 0 red lamp, 1 green lamp, 2 grey lamp.
  ReportListView* ScanListView = nullptr;
  Label* StatusBar = nullptr;  // one-line read-only text field
  Button* btAbort = nullptr;   // "Abort"

  // Page 2, results.
  Label* lbResultHeader = nullptr;
  GroupBar* ResultGroup = nullptr;  // caption "     View Scan Results", 13 items
  corvanta::ParamListBox* ParamListBox = nullptr;
  Label* lbTotalProblems = nullptr;
  Label* SectionDesc = nullptr;     // the section description panel's caption
  Button* btRepair = nullptr;       // "Repair Problems"
  Button* btResultsBack = nullptr;  // "Back"

  // Page 3, repair results: heading "Repair Results".
  Label* lbResultTitle = nullptr;
  Label* lbResultText = nullptr;
  Label* lbFound = nullptr;      // beside "Total problems found:"
  Label* lbIgnored = nullptr;    // beside "Total problems ignored:"
  Label* lbRepaired = nullptr;   // beside "Total problems repaired:" (green)
  Label* lbLeftLabel = nullptr;  // "Total problems left:"
  Label* lbLeft = nullptr;
  Label* lbResultBack = nullptr;
  Button* btRepairBack = nullptr;  // "Back"

  // Page 4, settings: heading "Program Settings", frame " Sections to Scan ".
  CheckBox* cbsection1 = nullptr;
  CheckBox* cbSection2 = nullptr;
  CheckBox* cbSection3 = nullptr;
  CheckBox* cbSection4 = nullptr;
  CheckBox* cbSection5 = nullptr;
  CheckBox* cbSection6 = nullptr;
  CheckBox* cbSection7 = nullptr;
  CheckBox* cbSection8 = nullptr;
  CheckBox* cbSection9 = nullptr;
  CheckBox* cbSection10 = nullptr;
  CheckBox* cbSection11 = nullptr;
  CheckBox* cbSection12 = nullptr;
  CheckBox* cbSection13 = nullptr;
  CheckBox* cbSysRestore = nullptr;
  CheckBox* cbRunStartUp = nullptr;
  CheckBox* cbAutoUpdate = nullptr;
  CheckBox* cbBackup = nullptr;
  // "(System Restore is only available in Windows XP && Windows ME)"
  Label* lbSystemRestore = nullptr;
  Button* RzBitBtn7 = nullptr;            // "Save Settings"
  Button* RzBitBtn8 = nullptr;            // "Back"
  Button* btIgnoreList = nullptr;         // "Ignore List...", opens the ignore list window
  GroupBar* SettingsHelpGroup = nullptr;  // "Settings Help", fixed text, no items

  // Page 5, backup: heading "Backup/Restore Registry".
  // Side group "Select an Action": item 0 "Restore From Backup", 1 "Full
  // Registry Backup".
  GroupBar* BackupGroup = nullptr;
  PageStack* BackupNotebook = nullptr;  // 0 restore pane, 1 full-backup pane
  // Columns "Backup Type" 250, "Creation Date && Time" 206.
  ReportListView* RestoreListView = nullptr;
  Button* btRestore = nullptr;           // "Restore"
  Button* btDeleteBackup = nullptr;      // "Delete"
  Button* btCreateFullBackup = nullptr;  // "Create Backup"
  Button* btBackupBack = nullptr;        // "Back"

  // Page 6, advanced tools: heading "Advanced Tools".
  // Side group "Select an Advanced Tool": items 0 "BHO Manager", 1 "Startup
  // List Manager", 2 "Uninstall Manager", 3 "Internet Explorer Backup".
  GroupBar* AdvancedGroup = nullptr;
  // Panes: 0 tool descriptions, 1 BHO, 2 startup list, 3 uninstall, 4 IE backup.
  PageStack* AdvancedNotebook = nullptr;
  // Pane 0: the clickable description panel of each tool.
  Label* lnkBhoPanel = nullptr;
  Label* lnkStartupPanel = nullptr;
  Label* lnkUninstallPanel = nullptr;
  Label* lnkExplorerPanel = nullptr;
  // Pane 1: columns "BHO Name" 175, "Path" 280; " File Details " labels.
  ReportListView* BhoListView = nullptr;
  Label* bhoFileName = nullptr;
  Label* bhoProductName = nullptr;
  Label* bhoDescription = nullptr;
  Label* bhoCompany = nullptr;
  Button* btRemoveBho = nullptr;  // "Remove Selected"
  // Pane 2: columns "Entry Name", "Program Location"; file details labels.
  ReportListView* StartupListView = nullptr;
  Label* startFilename = nullptr;
  Label* startProductName = nullptr;
  Label* startDescription = nullptr;
  Label* startCompany = nullptr;
  Button* btRemoveStartup = nullptr;  // "Remove Selected"
  // Pane 3: columns "Program Name" 150, "Uninstaller Location"; sorted.
  ReportListView* UninstallListView = nullptr;
  Button* RzBitBtn14 = nullptr;  // "Remove Selected"
  // Pane 4.
  Button* btExplorerBackup = nullptr;  // creates the IE settings backup
  Button* btAdvancedBack = nullptr;    // "Back"

  // The thirteen section check boxes in section order (1..13).
  std::array<CheckBox*, 13> SectionBoxes() const;
};

// The members behind SectionBoxes(), in section order; the section table
// (scan/sections.h) gives each its name and caption.
inline constexpr std::array<CheckBox * MainWindowView::*, 13> kSectionBoxMembers = {
    &MainWindowView::cbsection1,  &MainWindowView::cbSection2,  &MainWindowView::cbSection3,
    &MainWindowView::cbSection4,  &MainWindowView::cbSection5,  &MainWindowView::cbSection6,
    &MainWindowView::cbSection7,  &MainWindowView::cbSection8,  &MainWindowView::cbSection9,
    &MainWindowView::cbSection10, &MainWindowView::cbSection11, &MainWindowView::cbSection12,
    &MainWindowView::cbSection13};

inline std::array<CheckBox*, 13> MainWindowView::SectionBoxes() const {
  std::array<CheckBox*, 13> boxes{};
  for (std::size_t i = 0; i < boxes.size(); ++i) boxes[i] = this->*kSectionBoxMembers[i];
  return boxes;
}

// All windows of the program.
struct MainView {
  UiApplication* app = nullptr;
  MainWindowView main;                // TForm1
  UpdateStatusView updateStatus;      // TUpdateStatus
  UpdateAlertView updateAlert;        // TUpdateAlert
  ProgressFormView progressForm;      // TProgressForm
  DlgCompleteView dlgComplete;        // TDlgComplete
  UpdateCheckingView updateChecking;  // TUpdateChecking
  RepairStatusView repairStatus;      // TRepairStatus
  IgnoreListView ignoreList;          // the ignore list window
};

// Owns the widgets behind a MainView; destroying it destroys them.
class UiHost {
 public:
  virtual ~UiHost() = default;
  virtual MainView& View() = 0;
};

// Builds every window of the program (in the start-up order: main window,
// status window, update alert, progress form, scan-complete dialog, update
// checking, repair status, ignore list) with fixed captions, columns, items and texts.
using UiBuilder = std::function<std::unique_ptr<UiHost>()>;

}  // namespace corvanta
