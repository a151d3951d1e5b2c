#include "ui/win32/win32_ui.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <memory>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "scan/sections.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/param_list_box_win32.h"
#include "ui/win32/win32_widgets.h"

namespace corvanta {

namespace {

const COLORREF kPageColour = RGB(255, 255, 255);
const COLORREF kDialogColour = RGB(236, 233, 216);
const Colour kHeadingColour = 0x804000;  // dark blue (BGR)
const Colour kLinkColour = kColourBlue;
const int kClientW = 684;
const int kClientH = 394;

UniqueFont MakeFont(int points, bool bold, bool underline, const char* face = "Tahoma") {
  int height = 0;
  {
    const WindowDc dc(nullptr);
    height = -MulDiv(points, GetDeviceCaps(dc.get(), LOGPIXELSY), 72);
  }
  return UniqueFont(CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                                underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, face));
}

// Owns one object of any widget type, so the builder keeps them in one list
// and destroys them in the reverse order of their making.
struct AnyOwned {
  virtual ~AnyOwned() = default;
};
template <typename T>
struct Owned final : AnyOwned {
  template <typename... Args>
  explicit Owned(Args&&... args) : object(std::forward<Args>(args)...) {}
  T object;
};

class Win32Ui : public UiHost {
 public:
  Win32Ui();
  ~Win32Ui() override;
  MainView& View() override { return view_; }

 private:
  template <typename T, typename... Args>
  T* Make(Args&&... args) {
    auto owned = std::make_unique<Owned<T>>(std::forward<Args>(args)...);
    T* p = &owned->object;
    objects_.push_back(std::move(owned));
    return p;
  }
  Win32Window* NewWindow(Win32Window::Kind kind, const char* caption, int w, int h, HWND owner,
                         bool topMost, COLORREF colour) {
    windows_.push_back(
        std::make_unique<Win32Window>(app_, kind, caption, w, h, owner, topMost, colour));
    return windows_.back().get();
  }

  Win32Label* Text(HWND parent, int id, const std::string& caption, int x, int y, int w, int h,
                   HFONT font = nullptr, DWORD style = SS_LEFT) {
    return Make<Win32Label>(parent, id, caption, x, y, w, h, font ? font : normal_, style);
  }
  Win32Label* Link(HWND parent, int id, const std::string& caption, int x, int y, int w, int h,
                   HFONT font = nullptr) {
    auto* l = Text(parent, id, caption, x, y, w, h, font ? font : link_);
    l->SetLinkStyle(font ? font : link_, kLinkColour);
    return l;
  }
  Win32Label* Heading(HWND parent, const std::string& caption, int id = -1) {
    auto* l = Text(parent, id, caption, 20, 12, 540, 24, heading_, SS_LEFT | SS_NOPREFIX);
    l->SetFontColour(kHeadingColour);
    CreateChild("STATIC", "", SS_ETCHEDHORZ | WS_VISIBLE, 0, parent, -1, 20, 40, 644, 2, nullptr);
    return l;
  }
  Win32Button* Btn(HWND parent, int id, const std::string& caption, int x, int y, int w = 96,
                   int h = 26, bool isDefault = false) {
    return Make<Win32Button>(parent, id, caption, x, y, w, h, normal_, isDefault);
  }
  Win32ReportListView* List(HWND parent, int id, int x, int y, int w, int h,
                            std::initializer_list<std::pair<const char*, int>> columns) {
    auto* v = Make<Win32ReportListView>(parent, id, x, y, w, h, normal_);
    for (auto& c : columns) v->AddColumn(c.first, c.second);
    return v;
  }
  Win32GroupBar* Group(HWND parent, int id, const char* caption, int x, int y, int w, int h,
                       std::initializer_list<const char*> items) {
    auto* g = Make<Win32GroupBar>(parent, id, caption, x, y, w, h, bold_, normal_);
    for (auto* i : items) g->AddItem(i);
    return g;
  }
  void Frame(HWND parent, const char* caption, int x, int y, int w, int h) {
    CreateChild("BUTTON", caption, BS_GROUPBOX | WS_VISIBLE, 0, parent, -1, x, y, w, h, normal_);
  }

  void BuildMainWindow();
  void BuildPage0(HWND page);
  void BuildPage1(HWND page);
  void BuildPage2(Win32Panel& page);
  void BuildPage3(HWND page);
  void BuildPage4(HWND page);
  void BuildPage5(HWND page);
  void BuildPage6(HWND page);
  void BuildOtherWindows();

  Win32Application app_;
  MainView view_;
  // The fonts are made first and go last; the widgets hold them unowned.
  UniqueFont normalFont_, boldFont_, headingFont_, linkFont_, entryFont_, titleFont_;
  HFONT normal_, bold_, heading_, link_, entry_, title_;
  UniqueImageList lamps_;
  std::vector<std::unique_ptr<Win32Window>> windows_;
  std::vector<std::unique_ptr<AnyOwned>> objects_;
  std::unique_ptr<ParamListBoxWin32> paramListBox_;
};

Win32Ui::Win32Ui() {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  Win32Panel::RegisterWindowClass();
  Win32Window::RegisterClasses();
  normalFont_ = MakeFont(8, false, false);
  boldFont_ = MakeFont(8, true, false);
  headingFont_ = MakeFont(12, true, false);
  linkFont_ = MakeFont(8, false, true);
  entryFont_ = MakeFont(10, true, true);
  titleFont_ = MakeFont(18, true, false);
  normal_ = normalFont_.get();
  bold_ = boldFont_.get();
  heading_ = headingFont_.get();
  link_ = linkFont_.get();
  entry_ = entryFont_.get();
  title_ = titleFont_.get();
  lamps_.reset(CreateLampImages());

  view_.app = &app_;
  app_.SetTitle("Corvanta");
  BuildMainWindow();
  BuildOtherWindows();
}

Win32Ui::~Win32Ui() {
  // Windows first (their children still find their objects while they go),
  // then the objects.
  while (!windows_.empty()) windows_.pop_back();
  paramListBox_.reset();
  while (!objects_.empty()) objects_.pop_back();
  // The image list and the fonts go with their members.
}

void Win32Ui::BuildMainWindow() {
  MainWindowView& m = view_.main;
  auto* win = NewWindow(Win32Window::Kind::Main, "Corvanta", kClientW, kClientH, nullptr, true,
                        kPageColour);
  app_.SetMainWindow(win);
  m.window = win;
  auto* book =
      Make<Win32PageStack>(win->hwnd(), ctl::kNoteBook, 0, 0, kClientW, kClientH, 7, kPageColour);
  m.NoteBook = book;
  BuildPage0(book->PageHwnd(0));
  BuildPage1(book->PageHwnd(1));
  BuildPage2(book->Page(2));
  BuildPage3(book->PageHwnd(3));
  BuildPage4(book->PageHwnd(4));
  BuildPage5(book->PageHwnd(5));
  BuildPage6(book->PageHwnd(6));
  // Outside the stack, above every page.
  auto* help = Link(win->hwnd(), ctl::kLnkHelp, "Help", 636, 10, 32, 16);
  SetWindowLongPtrA(help->hwnd(), GWL_STYLE,
                    GetWindowLongPtrA(help->hwnd(), GWL_STYLE) | WS_CLIPSIBLINGS);
  SetWindowPos(help->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  m.lnkHelp = help;
  app_.SetHelpKey(help);
}

void Win32Ui::BuildPage0(HWND page) {
  MainWindowView& m = view_.main;
  Heading(page, "Select an Action");
  struct Entry {
    Label** port;
    int id;
    const char* caption;
    const char* description;
    LPCSTR icon;
  };
  const Entry entries[] = {
      {&m.lnkScanEntry, ctl::kLnkScanEntry, "Scan System for Registry Errors",
       "Find invalid registry entries and repair them safely, with a backup.", IDI_ASTERISK},
      {&m.lnkBackupEntry, ctl::kLnkBackupEntry, "Registry Backup/Restore Manager",
       "Restore a backup made by a repair, or back up the whole registry.", IDI_EXCLAMATION},
      {&m.lnkAdvancedEntry, ctl::kLnkAdvancedEntry, "Advanced System Tools",
       "Manage browser helper objects, startup programs and uninstall entries.", IDI_WINLOGO},
  };
  int y = 64;
  for (const Entry& e : entries) {
    HWND icon =
        CreateChild("STATIC", "", SS_ICON | WS_VISIBLE, 0, page, -1, 36, y, 32, 32, nullptr);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIcon(nullptr, e.icon)), 0);
    *e.port = Link(page, e.id, e.caption, 80, y, 340, 20, entry_);
    Text(page, -1, e.description, 80, y + 22, 360, 16);
    y += 84;
  }
  // The side column of small links.
  auto* side = Make<Win32Panel>(page, -1, 476, 56, 188, 160, RGB(214, 223, 247));
  side->SetBand("Quick Links", bold_, 24, RGB(49, 106, 197), RGB(255, 255, 255));
  side->SetBorder(true);
  ShowWindow(side->hwnd(), SW_SHOWNA);
  m.lnkScanNow = Link(side->hwnd(), ctl::kLnkScanNow, "Scan Now", 16, 36, 150, 16);
  m.lnkUserManual = Link(side->hwnd(), ctl::kLnkUserManual, "User Manual", 16, 62, 150, 16);
  m.lnkCheckUpdates =
      Link(side->hwnd(), ctl::kLnkCheckUpdates, "Check for Updates", 16, 88, 150, 16);
  m.lnkSettings = Link(side->hwnd(), ctl::kLnkSettings, "Settings", 16, 114, 150, 16);
  Text(page, -1, "version 1.3.0", 476, 360, 188, 16, nullptr, SS_RIGHT)->SetFontColour(0x808080);
}

void Win32Ui::BuildPage1(HWND page) {
  MainWindowView& m = view_.main;
  Heading(page, "Scanning Registry...");
  const int x = 102, w = 480;
  auto* bar = Make<Win32ProgressBar>(page, ctl::kProgressBar, x, 56, w, 18);
  m.ProgressBar = bar;
  Text(page, -1, "Total Problems Found:", x, 84, 130, 16, bold_);
  m.lbTotalFound = Text(page, ctl::kLbTotalFound, "0", x + 134, 84, 100, 16, bold_);
  m.lbTotalFound->SetFontColour(kColourRed);
  auto* list = List(page, ctl::kScanListView, x, 106, w, 248,
                    {{"Section", 250}, {"Errors Found", 100}, {"Status", 106}});
  list->SetStateImages(lamps_.get());
  m.ScanListView = list;
  m.StatusBar = Text(page, ctl::kStatusBar, "", x, 362, w - 106, 20, nullptr,
                     SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_SUNKEN | SS_CENTERIMAGE);
  m.btAbort = Btn(page, ctl::kBtAbort, "Abort", x + w - 96, 359);
}

void Win32Ui::BuildPage2(Win32Panel& page) {
  MainWindowView& m = view_.main;
  HWND p = page.hwnd();
  const std::string header = std::string("Scan Results - ") + kSections[0].resultItem;
  m.lbResultHeader = Text(p, ctl::kLbResultHeader, header.c_str(), 20, 12, 540, 24, heading_,
                          SS_LEFT | SS_NOPREFIX);
  m.lbResultHeader->SetFontColour(kHeadingColour);
  CreateChild("STATIC", "", SS_ETCHEDHORZ | WS_VISIBLE, 0, p, -1, 20, 40, 644, 2, nullptr);
  auto* group = Group(p, ctl::kResultGroup, "     View Scan Results", 12, 50, 196, 272, {});
  for (const SectionInfo& section : kSections) group->AddItem(section.resultItem);
  group->SetSelectedItem(0);
  m.ResultGroup = group;
  m.SectionDesc = Text(p, ctl::kSectionDesc, kSections[0].resultDescription, 14, 326, 192, 66,
                       nullptr, SS_LEFT | SS_NOPREFIX);
  m.SectionDesc->SetFontColour(0x404040);
  RECT bounds = {Scale(216), Scale(50), Scale(216 + 456), Scale(50 + 286)};
  paramListBox_ = CreateParamListBoxWin32(p, ctl::kParamListBox, bounds, normal_);
  m.ParamListBox = paramListBox_.get();
  ParamListBoxWin32* box = paramListBox_.get();
  // The owner-drawn list box measures and paints through its parent.
  page.SetPreHandler([box](UINT msg, WPARAM wp, LPARAM lp, LRESULT* r) {
    return box->HandleParentMessage(msg, wp, lp, r);
  });
  m.lbTotalProblems = Text(p, ctl::kLbTotalProblems, "", 216, 344, 220, 16, bold_);
  m.btRepair = Btn(p, ctl::kBtRepair, "Repair Problems", 460, 346, 110);
  m.btResultsBack = Btn(p, ctl::kBtResultsBack, "Back", 576, 346);
}

void Win32Ui::BuildPage3(HWND page) {
  MainWindowView& m = view_.main;
  Heading(page, "Repair Results");
  m.lbResultTitle = Text(page, ctl::kLbResultTitle, "", 40, 56, 600, 18, bold_);
  m.lbResultText = Text(page, ctl::kLbResultText, "", 40, 80, 600, 32);
  const int lx = 60, vx = 230;
  Text(page, -1, "Total problems found:", lx, 126, 160, 16);
  m.lbFound = Text(page, ctl::kLbFound, "", vx, 126, 80, 16, bold_);
  Text(page, -1, "Total problems ignored:", lx, 148, 160, 16);
  m.lbIgnored = Text(page, ctl::kLbIgnored, "", vx, 148, 80, 16, bold_);
  Text(page, -1, "Total problems repaired:", lx, 170, 160, 16)->SetFontColour(kColourGreen);
  m.lbRepaired = Text(page, ctl::kLbRepaired, "", vx, 170, 80, 16, bold_);
  m.lbRepaired->SetFontColour(kColourGreen);
  m.lbLeftLabel = Text(page, ctl::kLbLeftLabel, "Total problems left:", lx, 192, 160, 16);
  m.lbLeft = Text(page, ctl::kLbLeft, "", vx, 192, 80, 16, bold_);
  m.lbResultBack = Text(page, ctl::kLbResultBack, "", 40, 232, 600, 32);
  m.btRepairBack = Btn(page, ctl::kBtRepairBack, "Back", 576, 346);
}

void Win32Ui::BuildPage4(HWND page) {
  MainWindowView& m = view_.main;
  Heading(page, "Program Settings");
  Frame(page, " Sections to Scan ", 20, 50, 440, 172);
  for (int i = 0; i < kSectionCount; ++i) {
    int col = i < 7 ? 0 : 1, row = i < 7 ? i : i - 7;
    m.*kSectionBoxMembers[i] =
        Make<Win32CheckBox>(page, ctl::kCbSection1 + i, kSections[i].checkBoxCaption,
                            36 + col * 210, 70 + row * 21, 200, 18, normal_);
  }
  struct Option {
    CheckBox** port;
    int id;
    const char* caption;
  };
  const Option options[] = {
      {&m.cbSysRestore, ctl::kCbSysRestore,
       "Create a System Restore Point before Repair (Recommended)"},
      {&m.cbRunStartUp, ctl::kCbRunStartUp, "Run Corvanta when the computer starts"},
      {&m.cbAutoUpdate, ctl::kCbAutoUpdate, "Automatically check for updates"},
      {&m.cbBackup, ctl::kCbBackup, "Create a backup copy of every repaired section (Recommended)"},
  };
  int y = 232;
  for (const Option& o : options) {
    *o.port = Make<Win32CheckBox>(page, o.id, o.caption, 24, y, 436, 18, normal_);
    y += 21;
  }
  m.lbSystemRestore =
      Text(page, ctl::kLbSystemRestore,
           "(System Restore is only available in Windows XP && Windows ME)", 42, y + 2, 418, 16);
  m.lbSystemRestore->SetFontColour(0x808080);
  m.RzBitBtn7 = Btn(page, ctl::kRzBitBtn7, "Save Settings", 250, 346, 110);
  m.RzBitBtn8 = Btn(page, ctl::kRzBitBtn8, "Back", 366, 346);
  m.btIgnoreList = Btn(page, ctl::kBtIgnoreList, "Ignore List...", 24, 346, 110);
  auto* help = Group(page, ctl::kSettingsHelpGroup, "Settings Help", 476, 50, 196, 320, {});
  help->SetBodyText(
      "Tick the sections of the registry you want every scan to check.\r\n\r\n"
      "We recommend leaving both backup options ticked: a System Restore point and a backup "
      "copy of every repaired section let you undo any repair.\r\n\r\n"
      "Your changes are kept when you press \"Save Settings\". Remember to press it before "
      "you leave this page.",
      normal_);
  m.SettingsHelpGroup = help;
}

void Win32Ui::BuildPage5(HWND page) {
  MainWindowView& m = view_.main;
  Heading(page, "Backup/Restore Registry");
  m.BackupGroup = Group(page, ctl::kBackupGroup, "Select an Action", 12, 50, 196, 80,
                        {"Restore From Backup", "Full Registry Backup"});
  m.BackupGroup->SetSelectedItem(0);
  auto* book = Make<Win32PageStack>(page, ctl::kBackupNotebook, 216, 50, 456, 290, 2, kPageColour);
  m.BackupNotebook = book;
  HWND restore = book->PageHwnd(0);
  m.RestoreListView = List(restore, ctl::kRestoreListView, 0, 0, 456, 252,
                           {{"Backup Type", 250}, {"Creation Date && Time", 206}});
  m.btRestore = Btn(restore, ctl::kBtRestore, "Restore", 360, 262);
  m.btDeleteBackup = Btn(restore, ctl::kBtDeleteBackup, "Delete", 258, 262);
  HWND full = book->PageHwnd(1);
  Text(full, -1, "Full Registry Backup", 0, 0, 456, 20, bold_);
  Text(full, -1,
       "This backs up your whole registry in the system registry editor's own format. Such a "
       "backup can be restored without this program, or here through \"Restore From "
       "Backup\".\r\n\r\n"
       "Creating a full backup may take a few minutes.",
       0, 28, 456, 90);
  m.btCreateFullBackup = Btn(full, ctl::kBtCreateFullBackup, "Create Backup", 346, 262, 110);
  m.btBackupBack = Btn(page, ctl::kBtBackupBack, "Back", 576, 346);
}

void Win32Ui::BuildPage6(HWND page) {
  MainWindowView& m = view_.main;
  Heading(page, "Advanced Tools");
  m.AdvancedGroup = Group(
      page, ctl::kAdvancedGroup, "Select an Advanced Tool", 12, 50, 196, 112,
      {"BHO Manager", "Startup List Manager", "Uninstall Manager", "Internet Explorer Backup"});
  auto* book =
      Make<Win32PageStack>(page, ctl::kAdvancedNotebook, 216, 50, 456, 290, 5, kPageColour);
  m.AdvancedNotebook = book;

  // Pane 0: a clickable description of each tool.
  HWND tools = book->PageHwnd(0);
  struct Tool {
    Label** port;
    int id;
    const char* title;
    const char* text;
  };
  const Tool list[] = {
      {&m.lnkBhoPanel, ctl::kLnkBhoPanel, "BHO Manager",
       "View and remove the browser helper objects that load with Internet Explorer."},
      {&m.lnkStartupPanel, ctl::kLnkStartupPanel, "Startup List Manager",
       "View and remove the programs that start together with Windows."},
      {&m.lnkUninstallPanel, ctl::kLnkUninstallPanel, "Uninstall Manager",
       "Remove entries of the Add/Remove Programs list that are left behind."},
      {&m.lnkExplorerPanel, ctl::kLnkExplorerPanel, "Internet Explorer Backup",
       "Save all your Internet Explorer settings into a backup you can restore later."},
  };
  int y = 0;
  for (const Tool& t : list) {
    Text(tools, -1, t.title, 0, y, 456, 18, bold_)->SetFontColour(kHeadingColour);
    *t.port = Link(tools, t.id, t.text, 0, y + 20, 456, 32, link_);
    y += 70;
  }

  auto details = [&](HWND pane, int firstId, Label** a, Label** b, Label** c, Label** d) {
    Frame(pane, " File Details ", 0, 176, 456, 84);
    const char* names[4] = {"File Name:", "Product Name:", "Description:", "Company:"};
    Label** ports[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) {
      Text(pane, -1, names[i], 10, 194 + i * 16, 90, 16);
      *ports[i] = Text(pane, firstId + i, "", 104, 194 + i * 16, 344, 16, nullptr,
                       SS_LEFTNOWORDWRAP | SS_NOPREFIX);
    }
  };
  HWND bho = book->PageHwnd(1);
  m.BhoListView = List(bho, ctl::kBhoListView, 0, 0, 456, 170, {{"BHO Name", 175}, {"Path", 280}});
  details(bho, ctl::kBhoFileName, &m.bhoFileName, &m.bhoProductName, &m.bhoDescription,
          &m.bhoCompany);
  m.btRemoveBho = Btn(bho, ctl::kBtRemoveBho, "Remove Selected", 336, 262, 120);

  HWND startup = book->PageHwnd(2);
  m.StartupListView = List(startup, ctl::kStartupListView, 0, 0, 456, 170,
                           {{"Entry Name", 150}, {"Program Location", 306}});
  details(startup, ctl::kStartFilename, &m.startFilename, &m.startProductName, &m.startDescription,
          &m.startCompany);
  m.btRemoveStartup = Btn(startup, ctl::kBtRemoveStartup, "Remove Selected", 336, 262, 120);

  HWND uninstall = book->PageHwnd(3);
  m.UninstallListView = List(uninstall, ctl::kUninstallListView, 0, 0, 456, 256,
                             {{"Program Name", 150}, {"Uninstaller Location", 302}});
  m.UninstallListView->SetSorted(true);
  m.RzBitBtn14 = Btn(uninstall, ctl::kRzBitBtn14, "Remove Selected", 336, 262, 120);

  HWND ie = book->PageHwnd(4);
  Text(ie, -1, "Internet Explorer Backup", 0, 0, 456, 20, bold_);
  Text(ie, -1,
       "A snapshot of all your Internet Explorer settings is made. It is listed among the "
       "restore items with its date and time, and you can restore it from the main "
       "Backup/Restore page.\r\n\r\nThe backup covers: Security && Privacy Settings, Homepage "
       "URL, Recent Address History, Browser Customizations, Toolbars, Toolbar positions, "
       "Default search engine and Menu Extensions.",
       0, 28, 456, 120);
  m.btExplorerBackup = Btn(ie, ctl::kBtExplorerBackup, "Create Backup", 346, 262, 110);
  m.btAdvancedBack = Btn(page, ctl::kBtAdvancedBack, "Back", 576, 346);
}

void Win32Ui::BuildOtherWindows() {
  HWND owner =
      view_.main.window ? reinterpret_cast<HWND>(view_.main.window->NativeHandle()) : nullptr;
  // Start-up status window.
  {
    auto* w = NewWindow(Win32Window::Kind::Popup, "", 330, 231, nullptr, true, kPageColour);
    view_.updateStatus.window = w;
    Text(w->hwnd(), -1, "Corvanta", 0, 64, 330, 36, title_, SS_CENTER)
        ->SetFontColour(kHeadingColour);
    Text(w->hwnd(), -1, "Registry Cleaner", 0, 102, 330, 18, bold_, SS_CENTER);
    view_.updateStatus.lbVersion =
        Text(w->hwnd(), ctl::kStatusVersion, "version 1.3.0", 0, 124, 330, 16, nullptr, SS_CENTER);
    view_.updateStatus.lbStatus = Text(w->hwnd(), ctl::kStatusStatus, "Loading software...", 0, 190,
                                       330, 16, nullptr, SS_CENTER);
  }
  // Update-available dialog.
  {
    auto* w = NewWindow(Win32Window::Kind::Dialog, "Corvanta  Update Available", 400, 250, owner,
                        true, kDialogColour);
    view_.updateAlert.window = w;
    w->CentreWhenShown(nullptr);  // on the desktop, though the main window owns it
    Text(w->hwnd(), -1, "A new version of Corvanta is available for download!", 12, 12, 376, 18,
         bold_);
    auto* memo = Make<Win32Memo>(w->hwnd(), ctl::kAlertWhatsNew, 12, 36, 376, 166, normal_);
    view_.updateAlert.WhatsNew = memo;
    auto* download =
        Btn(w->hwnd(), ctl::kAlertDownload, "Download Update", 170, 212, 120, 26, true);
    download->SetModalResult(w, ModalResult::Ok);
    auto* cancel = Btn(w->hwnd(), ctl::kAlertCancel, "Cancel", 296, 212, 92);
    cancel->SetModalResult(w, ModalResult::Cancel);
    w->SetDefaultButton(download);
  }
  // Download progress.
  {
    auto* w = NewWindow(Win32Window::Kind::Popup, "", 311, 40, nullptr, true, kDialogColour);
    view_.progressForm.window = w;
    Text(w->hwnd(), -1, "Downloading Update:", 8, 4, 200, 14);
    view_.progressForm.ProgressBar =
        Make<Win32ProgressBar>(w->hwnd(), ctl::kProgressBarDownload, 8, 20, 236, 14);
    view_.progressForm.RzButton1 = Btn(w->hwnd(), ctl::kProgressCancel, "Cancel", 250, 12, 54, 22);
  }
  // Scan-complete dialog.
  {
    auto* w =
        NewWindow(Win32Window::Kind::Dialog, "Scan Complete", 300, 100, owner, true, kDialogColour);
    view_.dlgComplete.window = w;
    HWND icon =
        CreateChild("STATIC", "", SS_ICON | WS_VISIBLE, 0, w->hwnd(), -1, 16, 16, 32, 32, nullptr);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_ASTERISK)), 0);
    Text(w->hwnd(), -1, "Scan Completed. Click OK to view results.", 60, 24, 230, 18);
    auto* ok = Btn(w->hwnd(), ctl::kDlgCompleteOk, "OK", 110, 64, 80, 26, true);
    ok->SetModalResult(w, ModalResult::Ok);
    w->SetDefaultButton(ok);
  }
  // Checking for updates.
  {
    auto* w = NewWindow(Win32Window::Kind::Popup, "", 311, 40, nullptr, true, kDialogColour);
    view_.updateChecking.window = w;
    w->CentreWhenShown(owner);  // over the main window
    view_.updateChecking.lbStatus =
        Text(w->hwnd(), ctl::kCheckingStatus, "Checking for updates. Please wait...", 0, 12, 311,
             16, bold_, SS_CENTER);
  }
  // Repair in progress.
  {
    auto* w = NewWindow(Win32Window::Kind::Popup, "", 279, 46, nullptr, true, kDialogColour);
    view_.repairStatus.window = w;
    auto* label = Text(w->hwnd(), ctl::kRepairStatusLabel, "Repairing Errors. Please wait...", 0,
                       15, 279, 16, bold_, SS_CENTER);
    label->SetBlink(kColourBlue);
    w->SetBlinkLabel(label);
    view_.repairStatus.lbStatus = label;
  }
  // The ignore list.
  {
    auto* w =
        NewWindow(Win32Window::Kind::Dialog, "Ignore List", 560, 300, owner, true, kDialogColour);
    view_.ignoreList.window = w;
    view_.ignoreList.EntryList = List(w->hwnd(), ctl::kIgnoreEntryList, 12, 12, 536, 236,
                                      {{"Section", 150}, {"Location", 260}, {"Value", 122}});
    view_.ignoreList.btRemove = Btn(w->hwnd(), ctl::kIgnoreRemove, "Remove", 350, 260);
    auto* close = Btn(w->hwnd(), ctl::kIgnoreClose, "Close", 452, 260, 96, 26, true);
    close->SetModalResult(w, ModalResult::Cancel);
    w->SetDefaultButton(close);
    view_.ignoreList.btClose = close;
  }
}

}  // namespace

std::unique_ptr<UiHost> BuildWin32Ui() {
  return std::make_unique<Win32Ui>();
}

}  // namespace corvanta
