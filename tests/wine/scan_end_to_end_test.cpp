// The scan engine end to end over the real registry, files and shell links of
// the throwaway prefix: entries of every section are seeded under names of
// this test's own, the thirteen sections run, and what they found is compared.
#include <windows.h>
// windows.h first
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "ports_scratch.h"
#include "regexpr/regexpr.h"
#include "scan/scan_engine.h"
#include "scan/sections.h"
#include "support/scan_probe_files.h"
#include "support/scan_recording_page.h"

namespace corvanta {
namespace {

const char kCv[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kMark[] = "corvscan";

// A shortcut whose target existed when it was made and is gone now.
bool SaveShortcutToVanished(const std::string& path, const std::string& target) {
  wine::MakeRealFile(target, "x", FILE_ATTRIBUTE_NORMAL);
  const bool ok = wine::MakeRealShortcut(path, target);
  DeleteFileA(target.c_str());
  return ok;
}

// A junction from link to target, if the platform can make one.
bool MakeJunction(const std::string& link, const std::string& target) {
  if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
  HANDLE h = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const std::wstring sub = L"\\??\\" + std::wstring(target.begin(), target.end());
  const USHORT subBytes = static_cast<USHORT>(sub.size() * sizeof(wchar_t));
  std::vector<BYTE> buf(8 + 8 + subBytes + 2 + 2, 0);
  auto put16 = [&buf](std::size_t at, USHORT v) {
    buf[at] = static_cast<BYTE>(v & 0xFF);
    buf[at + 1] = static_cast<BYTE>(v >> 8);
  };
  const DWORD tag = 0xA0000003;  // IO_REPARSE_TAG_MOUNT_POINT
  std::memcpy(buf.data(), &tag, 4);
  put16(4, static_cast<USHORT>(buf.size() - 8));
  put16(8, 0);                                   // substitute name offset
  put16(10, subBytes);                           // substitute name length
  put16(12, static_cast<USHORT>(subBytes + 2));  // print name offset
  put16(14, 0);                                  // print name length
  std::memcpy(buf.data() + 16, sub.data(), subBytes);
  DWORD got = 0;
  const BOOL ok = DeviceIoControl(h, 0x000900A4 /* FSCTL_SET_REPARSE_POINT */, buf.data(),
                                  static_cast<DWORD>(buf.size()), nullptr, 0, &got, nullptr);
  CloseHandle(h);
  if (!ok) RemoveDirectoryA(link.c_str());
  return ok != 0;
}

// Remembers every folder the walk lists.
class ListingProbe : public ProbeFileSystem {
 public:
  using ProbeFileSystem::ProbeFileSystem;
  std::vector<std::string> listed;
  void ForEachFile(const std::string& pattern, uint32_t attrFilter,
                   const std::function<bool(const FindEntry&)>& visit) override {
    listed.push_back(pattern);
    ProbeFileSystem::ForEachFile(pattern, attrFilter, visit);
  }
};

class ScanEndToEnd : public ::testing::Test {
 protected:
  ScanEndToEnd()
      : probe(w.files),
        platform{w.registry, probe, w.system, w.shell, w.links, w.versionInfo, w.process, w.http},
        seed(w.registry),
        reg(w.registry, 0x2001F),
        engine(reg, regex, platform, page, report, globals) {}

  ~ScanEndToEnd() override {
    for (const auto& k : cleanupKeys) {
      seed.SetRootKey(k.first);
      seed.DeleteKey("\\" + k.second);
    }
    for (const auto& v : cleanupValues) {
      seed.SetRootKey(v.root);
      if (seed.OpenKey("\\" + v.key, false)) seed.DeleteValue(v.name);
    }
    seed.CloseKey();
    for (const std::string& f : cleanupFiles) DeleteFileA(f.c_str());
  }

  // Key path below root; the key is removed at the end.
  void OwnKey(std::uint32_t root, const std::string& key) { cleanupKeys.push_back({root, key}); }
  void Str(std::uint32_t root, const std::string& key, const std::string& name,
           const std::string& text, bool expand = false) {
    seed.SetRootKey(root);
    ASSERT_TRUE(seed.OpenKey("\\" + key, true)) << key;
    if (expand)
      seed.WriteExpandString(name, text);
    else
      seed.WriteString(name, text);
  }
  void Dword(std::uint32_t root, const std::string& key, const std::string& name) {
    seed.SetRootKey(root);
    ASSERT_TRUE(seed.OpenKey("\\" + key, true)) << key;
    seed.WriteInteger(name, 1);
  }
  // A value in a key that is not ours: only the value is removed afterwards.
  void ForeignValue(std::uint32_t root, const std::string& key, const std::string& name) {
    cleanupValues.push_back({root, key, name});
  }

  std::vector<std::string> Found(const std::string& section) const {
    std::vector<std::string> out;
    for (const TRegRecord& r : problems) {
      if (r.Section != section) continue;
      const std::string line = std::to_string(r.RootKey & 0xF) + "|" + r.KeyPath + "|" +
                               r.ValueName + "|" + r.ValueData + "|" + std::to_string(r.Kind);
      std::string lower = line;
      std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
      if (lower.find(kMark) != std::string::npos) out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  int CountOf(const std::string& section) const {
    int n = 0;
    for (const TRegRecord& r : problems) n += r.Section == section;
    return n;
  }

  struct ValueRef {
    std::uint32_t root;
    std::string key, name;
  };
  ComScope com;
  Win32Platform w;
  ListingProbe probe;
  Platform platform;
  TRegistry seed;
  TRegistry reg;
  TRegExpr regex;
  RecordingScanPage page;
  ScanReport report;
  TRegArray& problems = report.problems;
  ScanGlobals globals;
  ScanEngine engine;
  wine::ScratchFolder scratch;
  std::vector<std::pair<std::uint32_t, std::string>> cleanupKeys;
  std::vector<ValueRef> cleanupValues;
  std::vector<std::string> cleanupFiles;
};

TEST_F(ScanEndToEnd, EverySectionFindsWhatItShould) {
  const std::uint32_t HKLM = kHKEY_LOCAL_MACHINE, HKCU = kHKEY_CURRENT_USER;
  const std::string cv = kCv;
  const std::string d = scratch.path();  // C:\corvanta-test\t...
  wine::MakeRealFolder(d + "\\corvscan", FILE_ATTRIBUTE_DIRECTORY);
  const std::string ok = d + "\\corvscan\\ok.exe";
  const std::string gone = d + "\\corvscan\\gone";
  wine::MakeRealFile(ok, "MZ", FILE_ATTRIBUTE_NORMAL);

  // 1 App Paths
  OwnKey(HKLM, cv + "\\App Paths\\corvscan_gone.exe");
  OwnKey(HKLM, cv + "\\App Paths\\corvscan_ok.exe");
  OwnKey(HKLM, cv + "\\App Paths\\corvscan_bare.exe");
  Str(HKLM, cv + "\\App Paths\\corvscan_gone.exe", "", gone + "\\app.exe");
  Str(HKLM, cv + "\\App Paths\\corvscan_ok.exe", "", ok);
  Str(HKLM, cv + "\\App Paths\\corvscan_bare.exe", "", "ok.exe");
  Str(HKLM, cv + "\\App Paths\\corvscan_bare.exe", "Path", d + "\\corvscan\\");
  // 2 SharedDlls
  const std::string shared = cv + "\\SharedDlls";
  Dword(HKLM, shared, gone + "\\shared.dll");
  Dword(HKLM, shared, ok);
  ForeignValue(HKLM, shared, gone + "\\shared.dll");
  ForeignValue(HKLM, shared, ok);
  // 3 TypeLib, 4 class entries
  OwnKey(HKLM, "Software\\Classes\\TypeLib\\{corvscan-0000}");
  Str(HKLM, "Software\\Classes\\TypeLib\\{corvscan-0000}\\1.0\\0\\win32", "", gone + "\\x.tlb");
  Str(HKLM, "Software\\Classes\\TypeLib\\{corvscan-0000}\\1.0\\0\\win16", "", gone + "\\x.tlb\\2");
  OwnKey(HKLM, "Software\\Classes\\CLSID\\{corvscan-0001}");
  Str(HKLM, "Software\\Classes\\CLSID\\{corvscan-0001}\\InprocServer32", "", gone + "\\ctl.ocx");
  Str(HKLM, "Software\\Classes\\CLSID\\{corvscan-0001}\\LocalServer32", "",
      "c:\\corvscan\\lower.exe");
  // 5 Run keys
  Str(HKLM, cv + "\\Run", "corvscan_m", "\"" + gone + "\\m.exe\" /min");
  Str(HKCU, cv + "\\Run", "corvscan_u", gone + "\\u.exe");
  Str(HKCU, cv + "\\Run", "corvscan_args", ok + " -log run.txt");
  ForeignValue(HKLM, cv + "\\Run", "corvscan_m");
  ForeignValue(HKCU, cv + "\\Run", "corvscan_u");
  ForeignValue(HKCU, cv + "\\Run", "corvscan_args");
  // 6 Uninstall
  OwnKey(HKLM, cv + "\\Uninstall\\corvscan");
  Str(HKLM, cv + "\\Uninstall\\corvscan", "UninstallString", gone + "\\unins000.exe");
  Str(HKLM, cv + "\\Uninstall\\corvscan", "DisplayIcon", gone + "\\icon.exe");
  // 7 FileExts
  const std::string fe = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  OwnKey(HKCU, fe + "\\.corvscan1");
  OwnKey(HKCU, fe + "\\.corvscan2");
  seed.SetRootKey(HKCU);
  ASSERT_TRUE(seed.OpenKey("\\" + fe + "\\.corvscan1\\OpenWithList", true));
  Str(HKCU, fe + "\\.corvscan2\\OpenWithprogids", "corvscan.file", "");
  // 8 Start Menu: one shortcut to a vanished program, one to a present one
  const std::string startMenu = w.shell.GetSpecialFolderPath(CSIDL_STARTMENU);
  ASSERT_FALSE(startMenu.empty());
  const std::string menuLink = startMenu + "\\corvscan_gone.lnk";
  ASSERT_TRUE(SaveShortcutToVanished(menuLink, gone + "menu.exe"));
  ASSERT_TRUE(wine::MakeRealShortcut(startMenu + "\\corvscan_ok.lnk", ok));
  cleanupFiles = {menuLink, startMenu + "\\corvscan_ok.lnk"};
  // 9 Help
  const std::string help = "SOFTWARE\\Microsoft\\Windows\\Help";
  wine::MakeRealFile(d + "\\corvscan\\corvscan_ok.hlp", "?", FILE_ATTRIBUTE_NORMAL);
  Str(HKLM, help, "corvscan_ok.hlp", d + "\\corvscan\\");
  Str(HKLM, help, "corvscan_gone.hlp", d + "\\corvscan");
  ForeignValue(HKLM, help, "corvscan_ok.hlp");
  ForeignValue(HKLM, help, "corvscan_gone.hlp");
  // 10 Fonts
  const std::string fonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  Str(HKLM, fonts, "corvscan gone", "corvscan_gone.ttf");
  Str(HKLM, fonts, "corvscan outside", ok);
  Dword(HKLM, fonts, "corvscan dword");
  for (const char* n : {"corvscan gone", "corvscan outside", "corvscan dword"})
    ForeignValue(HKLM, fonts, n);
  // 11 Sounds
  OwnKey(HKCU, "AppEvents\\Schemes\\Apps\\corvscan");
  Str(HKCU, "AppEvents\\Schemes\\Apps\\corvscan\\Gone\\.Current", "",
      "%SystemRoot%\\media\\corvscan_gone.wav", true);
  Str(HKCU, "AppEvents\\Schemes\\Apps\\corvscan\\Ding\\.Current", "", "ding.wav");
  // 12 Shortcuts on C:
  const std::string links = d + "\\corvscan\\links";
  wine::MakeRealFolder(links, FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(SaveShortcutToVanished(links + "\\gone.lnk", gone + "12.exe"));
  ASSERT_TRUE(wine::MakeRealShortcut(links + "\\ok.lnk", ok));
  ASSERT_TRUE(wine::MakeRealShortcut(links + "\\folder.lnk", d + "\\corvscan"));
  ASSERT_TRUE(SaveShortcutToVanished(links + "\\UPPER.LNK", gone + "upper.exe"));
  wine::MakeRealFile(links + "\\broken.lnk", "this is not a shortcut", FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(SaveShortcutToVanished(links + "\\hiddenlink.lnk", gone + "hidden.exe"));
  SetFileAttributesA((links + "\\hiddenlink.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN);
  wine::MakeRealFolder(links + "\\hid", FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(SaveShortcutToVanished(links + "\\hid\\inside.lnk", gone + "inside.exe"));
  SetFileAttributesA((links + "\\hid").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  const bool junction = MakeJunction(links + "\\loop", links);
  // 13 Deep scan
  OwnKey(HKLM, "SOFTWARE\\corvscan");
  OwnKey(HKCU, "SOFTWARE\\corvscan");
  Str(HKLM, "SOFTWARE\\corvscan\\App", "dll", gone + "\\deep.dll");
  Str(HKLM, "SOFTWARE\\corvscan\\App", "lower", "c:\\corvscan\\deep.dll");
  Str(HKLM, "SOFTWARE\\corvscan\\App", "pct", "%ProgramFiles%\\corvscan\\x.dll");
  Str(HKCU, "SOFTWARE\\corvscan\\User", "noext", gone + "\\folder");
  Str(HKCU, "SOFTWARE\\corvscan\\User", "dll", gone + "\\user.dll");
  seed.CloseKey();

  double seconds[14] = {};
  for (int n = 1; n <= kSectionCount; ++n) {
    const DWORD t0 = GetTickCount();
    engine.RunSection(n);
    seconds[n] = (GetTickCount() - t0) / 1000.0;
  }

  const std::string g = gone;
  EXPECT_EQ((std::vector<std::string>{"2|" + cv + "\\App Paths\\corvscan_gone.exe||" + g +
                                      "\\app.exe|0"}),
            Found("Application Paths"));
  EXPECT_EQ((std::vector<std::string>{"2|" + cv + "\\SharedDlls|" + g + "\\shared.dll|" + g +
                                      "\\shared.dll|0"}),
            Found("Shared Program Files"));
  EXPECT_EQ(
      (std::vector<std::string>{"0|TypeLib\\{corvscan-0000}\\1.0\\0\\win32||" + g + "\\x.tlb|0"}),
      Found("Program IDs"));
  // Walked from the root itself: the first key below a top-level key is reported
  // with a leading "\", later ones (after the absolute re-open) without.
  std::vector<std::string> controls;
  for (std::string line : Found("Custom Controls")) {
    if (line.compare(0, 3, "0|\\") == 0) line.erase(2, 1);
    controls.push_back(line);
  }
  std::sort(controls.begin(), controls.end());
  std::vector<std::string> expectedControls = {
      "0|CLSID\\{corvscan-0001}\\InprocServer32||" + g + "\\ctl.ocx|0",
      "0|Typelib\\{corvscan-0000}\\1.0\\0\\win32||" + g + "\\x.tlb|0"};
  // A 64-bit prefix shows type libraries once more through the 32-bit view.
  if (sizeof(void*) == 8)
    expectedControls.push_back("0|Wow6432Node\\TypeLib\\{corvscan-0000}\\1.0\\0\\win32||" + g +
                               "\\x.tlb|0");
  EXPECT_EQ(expectedControls, controls);
  EXPECT_EQ((std::vector<std::string>{"1|" + cv + "\\Run|corvscan_u|" + g + "\\u.exe|0",
                                      "2|" + cv + "\\Run|corvscan_m|\"" + g + "\\m.exe\" /min|0"}),
            Found("Startup Programs"));
  EXPECT_EQ((std::vector<std::string>{"2|" + cv + "\\Uninstall\\corvscan|UninstallString|" + g +
                                      "\\unins000.exe|0"}),
            Found("Add/Remove Programs"));
  EXPECT_EQ((std::vector<std::string>{"1|\\" + fe + "\\.corvscan1|.corvscan1|" +
                                      "Invalid file association|0"}),
            Found("File Associations"));
  const std::vector<std::string> menu = Found("Start Menu Shortcuts");
  ASSERT_EQ(1u, menu.size());
  EXPECT_EQ(0u, menu[0].find("0|" + menuLink + "|Shortcut|")) << menu[0];
  EXPECT_EQ((std::vector<std::string>{"2|" + help + "|corvscan_gone.hlp|" + d + "\\corvscan|0"}),
            Found("Help Files"));
  EXPECT_EQ((std::vector<std::string>{"2|" + fonts + "|corvscan gone|corvscan_gone.ttf|0"}),
            Found("Windows Fonts"));
  EXPECT_EQ((std::vector<std::string>{"1|AppEvents\\Schemes\\Apps\\corvscan\\Gone\\.Current||" +
                                      std::string("%SystemRoot%\\media\\corvscan_gone.wav|0")}),
            Found("Sounds"));
  const std::vector<std::string> shortcuts = Found("Invalid Shortcuts");
  std::vector<std::string> files;
  for (const std::string& line : shortcuts)
    files.push_back(line.substr(0, line.find("|Shortcut|")));
  EXPECT_EQ((std::vector<std::string>{"0|" + links + "\\gone.lnk",
                                      "0|" + links + "\\hiddenlink.lnk", "0|" + menuLink}),
            files);
  for (const std::string& line : shortcuts) EXPECT_NE(std::string::npos, line.find("|1")) << line;
  std::vector<std::string> deep = Found("Deep Registry Scan");
  const std::string appDll = "2|SOFTWARE\\corvscan\\App|dll|" + g + "\\deep.dll|0";
  const std::string userDll = "1|SOFTWARE\\corvscan\\User|dll|" + g + "\\user.dll|0";
  EXPECT_NE(std::find(deep.begin(), deep.end(), appDll), deep.end());
  EXPECT_NE(std::find(deep.begin(), deep.end(), userDll), deep.end());
  for (const std::string& line : deep) {
    EXPECT_EQ(std::string::npos, line.find("noext")) << line;
    EXPECT_EQ(std::string::npos, line.find("lower")) << line;
    EXPECT_EQ(std::string::npos, line.find("pct")) << line;
  }

  // The walk of C: never lists a folder behind a junction or link.
  for (const std::string& pattern : probe.listed) {
    const std::string folder = pattern.substr(0, pattern.rfind('\\'));
    if (folder.size() <= 2) continue;
    const DWORD attrs = GetFileAttributesA(folder.c_str());
    EXPECT_TRUE(attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        << pattern;
  }
  for (const std::string& pattern : probe.listed)
    EXPECT_EQ(std::string::npos, pattern.find("\\hid\\")) << pattern;

  ASSERT_EQ(13u, page.rows.size());
  for (int n = 1; n <= kSectionCount; ++n) {
    EXPECT_EQ(SectionByNumber(n)->rowCaption, page.rows[n - 1].caption);
    EXPECT_EQ("Done.", page.rows[n - 1].status);
    EXPECT_EQ(std::to_string(CountOf(SectionByNumber(n)->sectionName)),
              page.rows[n - 1].errorsFound);
  }
  EXPECT_EQ(13, page.progress);

  std::printf("[ scan     ] junction %s\n", junction ? "made" : "not supported by this Wine");
  // Wine's user folders are links into the home directory: count those the walk passed by.
  int linked = 0;
  const std::string profile = startMenu.substr(0, startMenu.find("\\", 9));
  w.files.ForEachFile(profile + "\\*", faAnyFile, [&linked](const FindEntry& e) {
    linked += (e.attributes & faReparsePoint) != 0;
    return true;
  });
  std::printf("[ scan     ] %d folders listed by the walks; %d linked folders in %s not entered\n",
              static_cast<int>(probe.listed.size()), linked, profile.c_str());
  for (int n = 1; n <= kSectionCount; ++n)
    std::printf("[ scan     ] %2d %-22s %6.2f s  %d found\n", n, SectionByNumber(n)->rowCaption,
                seconds[n], CountOf(SectionByNumber(n)->sectionName));
  // What a fresh prefix itself holds that the scan reports, for the record.
  for (const TRegRecord& r : problems) {
    if (Found(r.Section).empty() || r.KeyPath.find(kMark) == std::string::npos)
      std::printf("[ scan     ] prefix: %s | %s | %s | %s\n", r.Section.c_str(), r.KeyPath.c_str(),
                  r.ValueName.c_str(), r.ValueData.c_str());
  }
  RemoveDirectoryA((links + "\\loop").c_str());
}

}  // namespace
}  // namespace corvanta
