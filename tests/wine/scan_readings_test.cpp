// Paths of today's program folders, scanned with `scan --all --json` over the
// real registry and files of the prefix: entries whose files are there are
// never reported, whatever characters their folders hold; missing ones are.
// And the fonts Wine ships in its own folders are not missing.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "wine/ports_scratch.h"

namespace corvanta {
namespace {

const char kCv[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

struct Entry {
  std::uint32_t root;
  std::string key;   // below root; removed afterwards when owned
  std::string name;  // value name, unique to this test
  std::string text;
  const char* section;  // "" when it must not be reported anywhere
  bool ownKey;
};

// The problems of `corvanta-cli` args, each as its fields (texts unescaped;
// they hold no control characters).
std::vector<std::map<std::string, std::string>> ScanProblems(Win32Platform& win32,
                                                             const std::vector<std::string>& args) {
  std::ostringstream out, err;
  EXPECT_EQ(RunCli(win32.platform(), args, out, err), 0) << err.str();
  const std::string doc = out.str();
  std::vector<std::map<std::string, std::string>> problems;
  for (std::size_t at = doc.find("{\"index\":"); at != std::string::npos;
       at = doc.find("{\"index\":", at + 1)) {
    std::map<std::string, std::string> fields;
    for (const char* name : {"section", "keyPath", "valueName", "valueData"}) {
      std::size_t i = doc.find("\"" + std::string(name) + "\":\"", at);
      if (i == std::string::npos) continue;
      std::string text;
      for (i += std::strlen(name) + 4; i < doc.size() && doc[i] != '"'; ++i)
        text += doc[i] == '\\' ? doc[++i] : doc[i];
      fields[name] = text;
    }
    problems.push_back(std::move(fields));
  }
  return problems;
}

TEST(ScanReadings, PresentProgramsUnderAnyFolderNameStayAndMissingOnesAreReported) {
  ComScope com;
  wine::ScratchFolder scratch;
  const std::string d = scratch.path();
  const std::string x86 = d + "\\Program Files (x86)";
  const std::string mueller = d + "\\M\xC3\xBCller";
  for (const std::string& folder : {x86, x86 + "\\Here", d + "\\Foo 2.0 (beta)", d + "\\A&B 2.0",
                                    d + "\\O'Neil", d + "\\Doom [1]", d + "\\Build #2", mueller})
    wine::MakeRealFolder(folder, FILE_ATTRIBUTE_DIRECTORY);
  for (const std::string& file :
       {x86 + "\\Here\\here.exe", d + "\\Foo 2.0 (beta)\\uninst.exe", d + "\\A&B 2.0\\ab.exe",
        d + "\\O'Neil\\on.exe", d + "\\Doom [1]\\doom.exe", d + "\\Build #2\\b.dll",
        mueller + "\\m.exe"})
    wine::MakeRealFile(file, "MZ", FILE_ATTRIBUTE_NORMAL);

  const std::uint32_t HKLM = kHKEY_LOCAL_MACHINE, HKCU = kHKEY_CURRENT_USER;
  const std::string cv = kCv, un = cv + "\\Uninstall\\", ap = cv + "\\App Paths\\";
  const std::string vendor = "SOFTWARE\\corvreadings";
  const std::vector<Entry> entries = {
      {HKLM, un + "corvread_beta", "UninstallString",
       "\"" + d + "\\Foo 2.0 (beta)\\uninst.exe\" /S", "", true},
      {HKLM, un + "corvread_x86", "UninstallString", "\"" + x86 + "\\Gone\\gone.exe\" /uninstall",
       "Add/Remove Programs", true},
      {HKLM, un + "corvread_amp", "UninstallString", "\"" + d + "\\A&B 2.0\\gone.exe\" /x",
       "Add/Remove Programs", true},
      {HKLM, un + "corvread_amp_ok", "UninstallString", "\"" + d + "\\A&B 2.0\\ab.exe\" /x", "",
       true},
      {HKLM, ap + "corvread_here.exe", "", x86 + "\\Here\\here.exe", "", true},
      {HKLM, ap + "corvread_gone.exe", "", x86 + "\\Gone\\gone.exe", "Application Paths", true},
      {HKCU, cv + "\\Run", "corvread_oneil", d + "\\O'Neil\\on.exe -tray", "", false},
      {HKCU, cv + "\\Run", "corvread_doom", "\"" + d + "\\Doom [1]\\doom.exe\" -fullscreen", "",
       false},
      {HKCU, cv + "\\Run", "corvread_doom_gone", d + "\\Doom [1]\\gone.exe -fullscreen",
       "Startup Programs", false},
      {HKCU, cv + "\\Run", "corvread_here", x86 + "\\Here\\here.exe /min", "", false},
      {HKCU, vendor, "corvread_dll", x86 + "\\Gone\\gone.dll", "Deep Registry Scan", true},
      {HKCU, vendor, "corvread_hash", d + "\\Build #2\\b.dll", "", true},
      {HKCU, vendor, "corvread_accent", mueller + "\\m.exe", "", true},
      {HKCU, vendor, "corvread_accent_gone", mueller + "\\gone.exe", "Deep Registry Scan", true},
  };
  Win32Platform win32;
  TRegistry reg(win32.registry);
  for (const Entry& e : entries) {
    reg.SetRootKey(e.root);
    ASSERT_TRUE(reg.OpenKey("\\" + e.key, true)) << e.key;
    reg.WriteString(e.name, e.text);
  }
  reg.CloseKey();

  std::vector<std::set<std::string>> reported(entries.size());  // sections, per entry
  // Every section by number: "--all" obeys the stored settings' check boxes
  // (no box ticked: no scan), and a test that ran before may leave none.
  for (auto& p :
       ScanProblems(win32, {"scan", "--sections", "1,2,3,4,5,6,7,8,9,10,11,12,13", "--json"})) {
    std::string keyPath = p["keyPath"];
    for (char& c : keyPath) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      std::string leaf = e.key.substr(e.key.rfind('\\') + 1);
      for (char& c : leaf) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (p["valueName"] != e.name || keyPath.find(leaf) == std::string::npos) continue;
      reported[i].insert(p["section"]);
      // The whole text is what is recorded.
      EXPECT_EQ(e.text, p["valueData"]);
    }
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    if (*e.section == '\0')
      EXPECT_TRUE(reported[i].empty()) << e.text << " reported in " << *reported[i].begin();
    else
      EXPECT_EQ(1u, reported[i].count(e.section)) << e.text << " not reported in " << e.section;
  }

  for (const Entry& e : entries) {
    reg.SetRootKey(e.root);
    if (e.ownKey) {
      reg.DeleteKey("\\" + e.key);
    } else if (reg.OpenKey("\\" + e.key, false)) {
      reg.DeleteValue(e.name);
      reg.CloseKey();
    }
  }
}

// Wine registers the bitmap fonts it ships in its data folder: a fresh
// prefix misses no font but those Wine registers and does not ship.
TEST(ScanReadings, AFreshPrefixMissesNoFontWineShips) {
  ComScope com;
  Win32Platform win32;
  char data[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("WINEDATADIR", data, MAX_PATH);
  ASSERT_TRUE(n > 4 && n < MAX_PATH);
  const std::string wineFonts = std::string(data + 4) + "\\fonts\\";  // after "\??\"
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string fonts = std::string(windows) + "\\Fonts\\";
  std::set<std::string> missing;
  for (auto& p : ScanProblems(win32, {"scan", "--sections", "10", "--json"})) {
    const std::string file = p["valueData"];
    missing.insert(p["valueName"]);
    // Reported only when no folder the font loader reads holds it.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((fonts + file).c_str())) << file;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((wineFonts + file).c_str())) << file;
  }
  for (const char* shipped : {"Courier", "MS Sans Serif", "Small Fonts"})
    EXPECT_EQ(0u, missing.count(shipped)) << shipped;
  std::printf("[ fonts    ] %d missing font(s) in a fresh prefix\n",
              static_cast<int>(missing.size()));
}

}  // namespace
}  // namespace corvanta
