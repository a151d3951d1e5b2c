// TForm1: the main window's controller. It owns the objects the scan, the
// repair and the tools share, binds every command of the windows, runs the
// start-up sequence, the page navigation, the settings and the scan driver.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/widget_pages.h"
#include "backup/backup_store.h"
#include "platform/http.h"
#include "platform/platform.h"
#include "scan/problems.h"
#include "scan/scan_report.h"
#include "scan/sections.h"
#include "ui/main_view.h"

namespace corvanta {

class TRegistry;
class TRegExpr;
struct RepairContext;

constexpr const char kAppTitle[] = "Corvanta";
constexpr const char kVersionText[] = "version 1.3.0";
constexpr const char kLoadingText[] = "Loading software...";
constexpr const char kCheckingUpdatesText[] = "Checking for software updates...";
constexpr const char kSettingsKey[] = "\\Software\\Corvanta\\Corvix";
// The ignore list, one value per entry (the only subkey of the settings key).
constexpr const char kIgnoreListKey[] = "\\Software\\Corvanta\\Corvix\\IgnoreList";
constexpr const char kRunValueName[] = "Corvanta";
constexpr const char kScanSwitch[] = "/scan";
constexpr const char kNoSectionsText[] =
    "You have no Sections selected. Please select at least one section to scan.";
constexpr const char kSettingsSavedText[] = "    Settings Saved.    ";
constexpr const char kBackupWarningText[] =
    "It is recommended that you make a backup of your registry before applying any changes to "
    "it! Unchecking this option will leave you without a backup copy of deleted registry keys!";
constexpr std::uint32_t kSharedRegistryAccess = 0x2001F;  // KEY_READ | KEY_WRITE

// Pages of NoteBook.
enum Page {
  kPageMain = 0,
  kPageScanning = 1,
  kPageResults = 2,
  kPageRepairResults = 3,
  kPageSettings = 4,
  kPageBackup = 5,
  kPageAdvanced = 6,
};

// One stored setting: its value name, the check box and the first-start
// default.
struct SettingRow {
  const char* valueName;  // as written; the Run option is read as "RunStartup"
  CheckBox* MainWindowView::*box;
  bool defaultTicked;
};
// The thirteen sections (from the section table), then the four options.
extern const std::array<SettingRow, kSectionCount + 4> kSettingRows;

// The Run value for an executable path: the path in double quotes (a path
// with blanks must not be split at log-on), a blank, "/scan".
std::string RunValueFor(const std::string& executablePath);
// The executable path of a Run value in either form, quoted or the older
// unquoted "path /scan"; "" when the text does not end with " /scan".
std::string RunValueExecutable(const std::string& value);

// The scanning page's last status line; it says how many keys could not be
// read, so an incomplete scan does not look like a clean registry, and how
// many problems the ignore list left out.
std::string ScanCompleteStatus(int unreadable, int skippedByIgnoreList = 0);

// The summary line of the results list after a scan.
std::string SummaryLine(std::size_t problemCount, int skippedByIgnoreList = 0);
// "N entries on your ignore list were skipped." ("" for none).
std::string IgnoreSkippedText(int skipped);

class TForm1 {
 public:
  // Runs FormCreate. view's widgets must outlive this object.
  TForm1(Platform& platform, MainView& view);
  // Runs FormDestroy unless it ran already.
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The start-up sequence after the windows exist: status window, pause,
  // settings, update check, main window, "/scan". The caller then runs the
  // message loop.
  void StartUp();
  // Releases the shared objects, then saves the settings (errors shown).
  void FormDestroy();

  // Runs a command handler: an escaped exception is shown in the standard
  // error box with its message and the program goes on.
  void Dispatch(const std::function<void()>& handler);

  // Commands.
  void DoScan();
  void DoAbort();
  void GoBack();
  void DoSettings();
  void ShowbackupPage();
  void ShowAdvancedPage();
  void AdvancedgoBack();
  void ShowHelpUrl();
  void DoUpdate();
  void RzBitBtn7Click();  // "Save Settings"
  void RzBitBtn8Click();  // "Back" on the settings page
  void cbBackupClick();
  void NoteBookPageChanged();

  // The backup page: its two panes, restore, delete and the full backup.
  void RestoreFromBackup();
  void FullRegistryBackup();
  void DoRestore();
  void DeleteBackup();
  void DoExportFullBackup();
  // The update: the check itself, the download's progress and its Cancel.
  void RunUpdateCheck();
  void UpdateDownloadProgress(const HttpProgress& progress);
  void RzButton1Click();
  bool DownloadCancelRequested = false;
  // An installer was started: the program is on its way out.
  bool UpdateStarted() const { return updateStarted_; }

  // Hands one backup file to the registry editor and reports the verified
  // outcome in a message box.
  void ImportRegFile(const std::string& path);
  // Advanced tools page.
  void ShowBHO();
  void ShowStartupManager();
  void ShowUninstallManager();
  void ShowExplorerBackup();
  void AdvancedNotebookPageChanged();
  void BhoListViewSelectItem(int row, bool selected);
  void StartupListViewSelectItem(int row, bool selected);
  void RemoveBHO();
  void RemoveStartup();
  void RzBitBtn14Click();  // "Remove Selected" of the uninstall manager
  void CreateExplorerBackup();
  // Fills the four labels with the version strings of the file at path.
  void ShowFileDetails(const std::string& path, Label* fileName, Label* productName,
                       Label* description, Label* company);
  // What the last removal or Internet Explorer backup came to.
  struct ToolOutcome {
    bool done = false;  // removed, or the backup written
    std::string file;   // the backup file written, "" when none
  };
  const ToolOutcome& LastToolOutcome() const { return lastToolOutcome_; }
  // Close request of the main window: refused while a scan or repair runs
  // (that work is asked to abort and the window closes when it returns).
  bool FormCloseQuery();

  // Settings.
  void LoadSettings();
  void SaveSettings();
  void EnableAllPrivileges();

  // The first command-line argument is exactly "/scan" (asked on every
  // scan), unless the console program overrides it.
  bool StartedWithScan();
  void OverrideStartedWithScan(bool scanAll) { scanSwitchOverride_ = scanAll ? 1 : 0; }
  // The console program keeps the stored settings as they are.
  void SetSaveOnDestroy(bool save) { saveOnDestroy_ = save; }
  // The program the Run value starts at log-on: the running executable
  // unless set. The console program names the GUI beside it, since a log-on
  // start must open the window.
  void SetRunTarget(const std::string& programPath) { runTarget_ = programPath; }
  std::string RunTarget();
  bool AnySectionTicked() const;
  // The section check boxes, in section order.
  std::array<bool, kSectionCount> TickedSections() const;
  // The scan's judgement over what is there now (the repair's second look).
  bool StillAProblem(const TRegRecord& problem);
  // The ignore list in the settings of the system being cleaned.
  IgnoreListStore IgnoreStore() { return IgnoreListStore(platform_.registry, kIgnoreListKey); }
  // "Always Ignore" on problem index: set to Ignore, and listed so that later
  // scans leave it out. False when it was listed already. Registry errors
  // propagate (the dispatcher shows them); the Ignore stands either way.
  bool AlwaysIgnore(std::size_t index);
  // Takes problem index's entry off the ignore list again (a later "Delete"
  // or "Ignore" on its line); the problem keeps the action picked.
  void StopIgnoring(std::size_t index);
  // The settings page's "Ignore List..." window: the entries, Remove, Close.
  void ShowIgnoreList();
  // Takes the selected entry of the window off the list at once.
  void RemoveIgnoreEntry();
  bool Busy() const { return busy_ > 0; }

  // Long-running work (scan, repair) holds one while it pumps; a close asked
  // for meanwhile is carried out when the last one ends.
  class BusyScope {
   public:
    explicit BusyScope(TForm1& form);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    TForm1& form_;
  };
  // While it lives the window takes no command: for work that pumps messages
  // and must not be changed under it (an update, a repair).
  class CommandLock {
   public:
    explicit CommandLock(TForm1& form) : form_(form), was_(form.commandsLocked_) {
      form_.commandsLocked_ = true;
    }
    ~CommandLock() { form_.commandsLocked_ = was_; }
    CommandLock(const CommandLock&) = delete;
    CommandLock& operator=(const CommandLock&) = delete;

   private:
    TForm1& form_;
    bool was_;
  };

  // Hooks with working defaults that tests may replace.
  // Update check at start-up (when cbAutoUpdate is ticked) and on request: by
  // default asks the update server (RunUpdateCheck).
  std::function<void()> CheckForUpdate;
  // Page-change step for the backup list: by default empties RestoreListView,
  // pumps messages and, on the backup page, refills RestoreList from the
  // backup folder.
  std::function<void()> RebuildRestoreList;
  // Runs one section 1..13 of a scan; by default the scan engine over the
  // shared objects and the scanning page.
  std::function<void(int number)> RunSection;

  // Shared objects (released by FormDestroy).
  TRegistry& SharedRegistry() { return *sharedRegistry_; }
  TRegExpr& SharedRegExpr() { return *sharedRegExpr_; }
  std::vector<std::string>& BhoIdList() { return bhoIdList_; }
  std::vector<std::string>& StartupOriginList() { return startupOriginList_; }
  // The uninstall key of each row of UninstallListView, parallel to the rows.
  std::vector<std::string>& UninstallKeyList() { return uninstallKeyList_; }
  TRegArray& ProblemList() { return scanReport_.problems; }
  // What the last scan found; its problem list is ProblemList().
  const ScanReport& LastScan() const { return scanReport_; }
  TRestoreArray& RestoreList() { return restoreList_; }
  ScanGlobals& Globals() { return globals_; }
  ScanPage& ScanningPage() { return scanPage_; }
  ResultsPage& ResultsView() { return resultsPage_; }

  Platform& platform() { return platform_; }
  MainView& view() { return view_; }
  MainWindowView& w() { return view_.main; }

 private:
  void FormCreate();
  void BindCommands();
  void Bind(ClickEvent& event, void (TForm1::*handler)());
  void ShowPage(int page) { w().NoteBook->SetPageIndex(page); }
  void RunSectionWithEngine(int number);
  void CloseIfPending();
  // The list's selected row when it has a record among the first `records`;
  // otherwise the error box with selectText and -1.
  int SelectedRecord(const ReportListView& list, std::size_t records, const char* selectText);
  // An information box with Yes and Cancel: true for Yes.
  bool AnsweredYes(const std::string& question);
  class BackupWork;  // keeps the backup page inert while the registry editor runs
  void BindAdvancedPage();
  void FillBhoList();
  void FillStartupList();
  void FillUninstallList();
  // Ends a removal: the list refilled, then the success text or the error.
  void ReportRemoval(bool removed, const std::string& error, const char* successText);

  Platform& platform_;
  MainView& view_;
  std::unique_ptr<TRegistry> sharedRegistry_;
  std::unique_ptr<TRegExpr> sharedRegExpr_;
  std::vector<std::string> bhoIdList_;
  std::vector<std::string> startupOriginList_;
  std::vector<std::string> uninstallKeyList_;
  ToolOutcome lastToolOutcome_;
  ScanReport scanReport_;
  // The entries the ignore list window shows, in its rows' order.
  std::vector<IgnoreEntry> ignoreShown_;
  // Fills the ignore list window afresh and selects row select (clamped).
  void FillIgnoreList(int select);
  // Reads the list again after a change; problems no longer covered lose
  // their "always".
  void ReloadIgnoreList();
  TRestoreArray restoreList_;
  ScanGlobals globals_;
  WidgetScanPage scanPage_;
  WidgetResultsPage resultsPage_;
  WidgetRepairPage repairPage_;
  WidgetBackupListPage backupListPage_;
  std::unique_ptr<RepairContext> repairContext_;
  int scanSwitchOverride_ = -1;  // -1 ask the command line
  bool saveOnDestroy_ = true;
  std::string runTarget_;  // "" the running executable
  bool destroyed_ = false;
  int busy_ = 0;
  bool closePending_ = false;
  bool backupBusy_ = false;
  bool commandsLocked_ = false;  // an update check, a download or a repair runs
  bool updateStarted_ = false;
};

// The whole GUI program over the given widgets: creates the windows, runs
// the start-up sequence and the message loop, then the shut-down. Returns the
// process exit code.
int RunApplication(Platform& platform, const UiBuilder& buildUi);

}  // namespace corvanta
