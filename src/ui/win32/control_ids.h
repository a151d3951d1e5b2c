// Control IDs of every named control of the Win32 windows. They are stable so
// that the GUI test driver (another process) can find a control by ID among a
// window's descendants and read or click it.
#pragma once

namespace corvanta {
namespace ctl {

// Main window.
constexpr int kNoteBook = 100;
constexpr int kPage0 = 101;  // page i has ID kPage0 + i (0..6)
constexpr int kLnkHelp = 110;

// Page 0.
constexpr int kLnkScanEntry = 200;
constexpr int kLnkBackupEntry = 201;
constexpr int kLnkAdvancedEntry = 202;
constexpr int kLnkScanNow = 203;
constexpr int kLnkUserManual = 204;
constexpr int kLnkCheckUpdates = 205;
constexpr int kLnkSettings = 206;

// Page 1.
constexpr int kProgressBar = 300;
constexpr int kLbTotalFound = 301;
constexpr int kScanListView = 302;
constexpr int kStatusBar = 303;
constexpr int kBtAbort = 304;

// Page 2.
constexpr int kLbResultHeader = 400;
constexpr int kResultGroup = 401;  // its items: kGroupItem0 + i
constexpr int kParamListBox = 402;
constexpr int kLbTotalProblems = 403;
constexpr int kSectionDesc = 404;
constexpr int kBtRepair = 405;
constexpr int kBtResultsBack = 406;

// Page 3.
constexpr int kLbResultTitle = 500;
constexpr int kLbResultText = 501;
constexpr int kLbFound = 502;
constexpr int kLbIgnored = 503;
constexpr int kLbRepaired = 504;
constexpr int kLbLeftLabel = 505;
constexpr int kLbLeft = 506;
constexpr int kLbResultBack = 507;
constexpr int kBtRepairBack = 508;

// Page 4: section boxes 1..13 are kCbSection1 + n - 1.
constexpr int kCbSection1 = 600;
constexpr int kCbSysRestore = 620;
constexpr int kCbRunStartUp = 621;
constexpr int kCbAutoUpdate = 622;
constexpr int kCbBackup = 623;
constexpr int kLbSystemRestore = 624;
constexpr int kRzBitBtn7 = 625;  // "Save Settings"
constexpr int kRzBitBtn8 = 626;  // "Back"
constexpr int kSettingsHelpGroup = 627;
constexpr int kBtIgnoreList = 628;  // "Ignore List..."

// Page 5.
constexpr int kBackupGroup = 700;
constexpr int kBackupNotebook = 701;
constexpr int kRestoreListView = 702;
constexpr int kBtRestore = 703;
constexpr int kBtDeleteBackup = 704;
constexpr int kBtCreateFullBackup = 705;
constexpr int kBtBackupBack = 706;

// Page 6.
constexpr int kAdvancedGroup = 800;
constexpr int kAdvancedNotebook = 801;
constexpr int kLnkBhoPanel = 802;
constexpr int kLnkStartupPanel = 803;
constexpr int kLnkUninstallPanel = 804;
constexpr int kLnkExplorerPanel = 805;
constexpr int kBhoListView = 806;
constexpr int kBhoFileName = 807;
constexpr int kBhoProductName = 808;
constexpr int kBhoDescription = 809;
constexpr int kBhoCompany = 810;
constexpr int kBtRemoveBho = 811;
constexpr int kStartupListView = 812;
constexpr int kStartFilename = 813;
constexpr int kStartProductName = 814;
constexpr int kStartDescription = 815;
constexpr int kStartCompany = 816;
constexpr int kBtRemoveStartup = 817;
constexpr int kUninstallListView = 818;
constexpr int kRzBitBtn14 = 819;
constexpr int kBtExplorerBackup = 820;
constexpr int kBtAdvancedBack = 821;

// Items of a group bar: owner-drawn buttons inside the group's panel, item i
// has ID kGroupItem0 + i (unique within its group); the collapse button of
// the caption is kGroupCollapse.
constexpr int kGroupItem0 = 900;
constexpr int kGroupCollapse = 899;

// Other windows.
constexpr int kStatusVersion = 1000;  // TUpdateStatus lbVersion
constexpr int kStatusStatus = 1001;   // TUpdateStatus lbStatus
constexpr int kDlgCompleteOk = 1010;  // TDlgComplete "OK"
constexpr int kAlertWhatsNew = 1020;
constexpr int kAlertCancel = 1021;
constexpr int kAlertDownload = 1022;
constexpr int kProgressBarDownload = 1030;
constexpr int kProgressCancel = 1031;
constexpr int kCheckingStatus = 1040;
constexpr int kRepairStatusLabel = 1050;
constexpr int kIgnoreEntryList = 1060;  // the ignore list window
constexpr int kIgnoreRemove = 1061;
constexpr int kIgnoreClose = 1062;

}  // namespace ctl

// Window classes and captions the driver looks for.
constexpr const char kMainWindowClass[] = "CorvantaMainWindow";
constexpr const char kWindowClass[] = "CorvantaWindow";
constexpr const char kPanelClass[] = "CorvantaPanel";

}  // namespace corvanta
