#include "ui/headless/headless_ui.h"

#include <string>

#if __has_include("ui/headless/headless_param_list_box.h")
#include "scan/sections.h"
#include "ui/headless/headless_param_list_box.h"
#define CORVANTA_HAVE_HEADLESS_PARAM_LIST_BOX 1
#endif

namespace corvanta {

namespace {

#ifndef CORVANTA_HAVE_HEADLESS_PARAM_LIST_BOX
// Keeps the items as markup strings; enough for the logic's read-back until
// the markup-aware one is available.
class PlainParamListBox : public ParamListBox {
 public:
  void Clear() override {
    items_.clear();
    index_ = -1;
  }
  void AddItem(const std::string& markup) override { items_.push_back(markup); }
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override {
    return index >= 0 && index < Count() ? items_[index] : std::string();
  }
  int ItemIndex() const override { return index_; }
  void SetItemIndex(int index) override { index_ = (index >= 0 && index < Count()) ? index : -1; }

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};
#endif

}  // namespace

template <typename T, typename... Args>
T* HeadlessUi::Make(Args&&... args) {
  auto p = std::make_shared<T>(std::forward<Args>(args)...);
  owned_.push_back(p);
  return p.get();
}

HeadlessUi::HeadlessUi() {
  view_.app = &app_;
  app_.SetTitle("Corvanta");
  auto window = [&](const char* name, const char* caption) {
    auto* w = Make<HeadlessWindow>(app_, name);
    w->SetCaption(caption);
    return w;
  };
  auto label = [&](const char* name, const std::string& caption = "") {
    auto* l = Make<HeadlessLabel>(app_, name);
    l->SetCaption(caption);
    return l;
  };
  auto button = [&](const char* name, const char* caption) {
    auto* b = Make<HeadlessButton>(app_, name);
    b->SetCaption(caption);
    return b;
  };
  auto check = [&](const char* name, const char* caption) {
    auto* c = Make<HeadlessCheckBox>(app_, name);
    c->SetCaption(caption);
    return c;
  };
  auto list = [&](const char* name, std::initializer_list<std::pair<const char*, int>> columns) {
    auto* v = Make<HeadlessReportListView>(app_, name);
    for (auto& c : columns) v->AddColumn(c.first, c.second);
    return v;
  };
  auto group = [&](const char* name, const char* caption,
                   std::initializer_list<const char*> items) {
    auto* g = Make<HeadlessGroupBar>(app_, name);
    g->SetCaption(caption);
    for (auto* i : items) g->AddItem(i);
    return g;
  };

  MainWindowView& m = view_.main;
  auto* mainWindow = window("TForm1", "Corvanta");
  app_.SetMainWindow(mainWindow);
  m.window = mainWindow;
  m.NoteBook = Make<HeadlessPageStack>(app_, "NoteBook", 7);
  m.lnkHelp = label("lnkHelp", "Help");

  m.lnkScanEntry = label("lnkScanEntry", "Scan System for Registry Errors");
  m.lnkBackupEntry = label("lnkBackupEntry", "Registry Backup/Restore Manager");
  m.lnkAdvancedEntry = label("lnkAdvancedEntry", "Advanced System Tools");
  m.lnkScanNow = label("lnkScanNow", "Scan Now");
  m.lnkUserManual = label("lnkUserManual", "User Manual");
  m.lnkCheckUpdates = label("lnkCheckUpdates", "Check for Updates");
  m.lnkSettings = label("lnkSettings", "Settings");

  auto* bar = Make<HeadlessProgressBar>(app_, "ProgressBar");
  m.ProgressBar = bar;
  m.lbTotalFound = label("lbTotalFound", "0");
  m.ScanListView = list("ScanListView", {{"Section", 250}, {"Errors Found", 100}, {"Status", 106}});
  m.StatusBar = label("StatusBar");
  m.btAbort = button("btAbort", "Abort");

  m.lbResultHeader =
      label("lbResultHeader", std::string("Scan Results - ") + kSections[0].resultItem);
  m.ResultGroup = group("ResultGroup", "     View Scan Results", {});
  for (const SectionInfo& section : kSections) m.ResultGroup->AddItem(section.resultItem);
  m.ResultGroup->SetSelectedItem(0);
#ifdef CORVANTA_HAVE_HEADLESS_PARAM_LIST_BOX
  m.ParamListBox = Make<HeadlessParamListBox>();
#else
  m.ParamListBox = Make<PlainParamListBox>();
#endif
  m.lbTotalProblems = label("lbTotalProblems");
  m.SectionDesc = label("SectionDesc", kSections[0].resultDescription);
  m.btRepair = button("btRepair", "Repair Problems");
  m.btResultsBack = button("btResultsBack", "Back");

  m.lbResultTitle = label("lbResultTitle");
  m.lbResultText = label("lbResultText");
  m.lbFound = label("lbFound");
  m.lbIgnored = label("lbIgnored");
  m.lbRepaired = label("lbRepaired");
  m.lbRepaired->SetFontColour(kColourGreen);
  m.lbLeftLabel = label("lbLeftLabel", "Total problems left:");
  m.lbLeft = label("lbLeft");
  m.lbResultBack = label("lbResultBack");
  m.btRepairBack = button("btRepairBack", "Back");

  for (int i = 0; i < kSectionCount; ++i)
    m.*kSectionBoxMembers[i] = check(kSections[i].checkBoxName, kSections[i].checkBoxCaption);
  m.cbSysRestore =
      check("cbSysRestore", "Create a System Restore Point before Repair (Recommended)");
  m.cbRunStartUp = check("cbRunStartUp", "Run Corvanta when the computer starts");
  m.cbAutoUpdate = check("cbAutoUpdate", "Automatically check for updates");
  m.cbBackup = check("cbBackup", "Create a backup copy of every repaired section (Recommended)");
  m.lbSystemRestore =
      label("lbSystemRestore", "(System Restore is only available in Windows XP && Windows ME)");
  m.RzBitBtn7 = button("RzBitBtn7", "Save Settings");
  m.RzBitBtn8 = button("RzBitBtn8", "Back");
  m.btIgnoreList = button("btIgnoreList", "Ignore List...");
  m.SettingsHelpGroup = group("SettingsHelpGroup", "Settings Help", {});

  m.BackupGroup =
      group("BackupGroup", "Select an Action", {"Restore From Backup", "Full Registry Backup"});
  m.BackupNotebook = Make<HeadlessPageStack>(app_, "BackupNotebook", 2);
  m.RestoreListView =
      list("RestoreListView", {{"Backup Type", 250}, {"Creation Date && Time", 206}});
  m.btRestore = button("btRestore", "Restore");
  m.btDeleteBackup = button("btDeleteBackup", "Delete");
  m.btCreateFullBackup = button("btCreateFullBackup", "Create Backup");
  m.btBackupBack = button("btBackupBack", "Back");

  m.AdvancedGroup = group(
      "AdvancedGroup", "Select an Advanced Tool",
      {"BHO Manager", "Startup List Manager", "Uninstall Manager", "Internet Explorer Backup"});
  m.AdvancedNotebook = Make<HeadlessPageStack>(app_, "AdvancedNotebook", 5);
  m.lnkBhoPanel = label("lnkBhoPanel", "BHO Manager");
  m.lnkStartupPanel = label("lnkStartupPanel", "Startup List Manager");
  m.lnkUninstallPanel = label("lnkUninstallPanel", "Uninstall Manager");
  m.lnkExplorerPanel = label("lnkExplorerPanel", "Internet Explorer Backup");
  m.BhoListView = list("BhoListView", {{"BHO Name", 175}, {"Path", 280}});
  m.bhoFileName = label("bhoFileName");
  m.bhoProductName = label("bhoProductName");
  m.bhoDescription = label("bhoDescription");
  m.bhoCompany = label("bhoCompany");
  m.btRemoveBho = button("btRemoveBho", "Remove Selected");
  m.StartupListView = list("StartupListView", {{"Entry Name", 150}, {"Program Location", 306}});
  m.startFilename = label("startFilename");
  m.startProductName = label("startProductName");
  m.startDescription = label("startDescription");
  m.startCompany = label("startCompany");
  m.btRemoveStartup = button("btRemoveStartup", "Remove Selected");
  m.UninstallListView =
      list("UninstallListView", {{"Program Name", 150}, {"Uninstaller Location", 306}});
  m.UninstallListView->SetSorted(true);
  m.RzBitBtn14 = button("RzBitBtn14", "Remove Selected");
  m.btExplorerBackup = button("btExplorerBackup", "Create Backup");
  m.btAdvancedBack = button("btAdvancedBack", "Back");

  view_.updateStatus.window = window("TUpdateStatus", "");
  view_.updateStatus.lbVersion = label("lbVersion", "version 1.3.0");
  view_.updateStatus.lbStatus = label("lbStatus", "Loading software...");
  view_.updateAlert.window = window("TUpdateAlert", "Corvanta  Update Available");
  view_.updateAlert.WhatsNew = Make<HeadlessMemo>(app_, "WhatsNew");
  view_.progressForm.window = window("TProgressForm", "");
  view_.progressForm.ProgressBar = Make<HeadlessProgressBar>(app_, "DownloadProgressBar");
  view_.progressForm.RzButton1 = button("RzButton1", "Cancel");
  view_.dlgComplete.window = window("TDlgComplete", "Scan Complete");
  view_.updateChecking.window = window("TUpdateChecking", "");
  view_.updateChecking.lbStatus = label("lbCheckingStatus", "Checking for updates...");
  view_.repairStatus.window = window("TRepairStatus", "");
  view_.repairStatus.lbStatus = label("lbRepairStatus", "Repairing Errors. Please wait...");
  view_.ignoreList.window = window("TIgnoreList", "Ignore List");
  view_.ignoreList.EntryList =
      list("IgnoreEntryList", {{"Section", 150}, {"Location", 250}, {"Value", 120}});
  view_.ignoreList.btRemove = button("btIgnoreRemove", "Remove");
  view_.ignoreList.btClose = button("btIgnoreClose", "Close");
}

HeadlessUi::~HeadlessUi() = default;

std::unique_ptr<UiHost> BuildHeadlessUi() {
  return std::make_unique<HeadlessUi>();
}

}  // namespace corvanta
