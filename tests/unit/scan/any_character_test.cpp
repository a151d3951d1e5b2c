// Paths below non-Latin folders are judged like any other, in every section
// that judges texts; a wildcard or an unreadable text is never judged.
#include <gtest/gtest.h>

#include <string>

#include "support/scan_fixture.h"

namespace corvanta {
namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(AnyCharacter, NonLatinPathsAreJudgedInEverySection) {
  const std::string ivan = "C:\\Users\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\\AppData\\Local";  // Иван
  const std::string users = "C:\\\xE7\x94\xA8\xE6\x88\xB7";                                // 用户
  const std::string tool = users + "\\\xE5\xB7\xA5\xE5\x85\xB7.exe";                 // 工具.exe
  const std::string greek = "C:\\\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1";  // Ελλάδα
  // 150 Cyrillic letters: 300 bytes, but 150 units of the wide calls.
  const std::string longName = "C:\\" + Repeat("\xD0\x96", 150);
  struct Case {
    int section;
    std::uint32_t root;
    const char* key;
    const char* name;
    std::string text;
    bool problem;
  } cases[] = {
      {1, kHKEY_LOCAL_MACHINE, "App Paths\\app.exe", "", ivan + "\\App\\app.exe", false},
      {1, kHKEY_LOCAL_MACHINE, "App Paths\\gone.exe", "", ivan + "\\Gone\\gone.exe", true},
      {5, kHKEY_CURRENT_USER, "Run", "Tool", "\"" + tool + "\" /autostart", false},
      {5, kHKEY_LOCAL_MACHINE, "Run", "Old", users + "\\\xE6\x97\xA7\\gone.exe -q", true},
      {6, kHKEY_LOCAL_MACHINE, "Uninstall\\CvAccUni", "UninstallString",
       "\"" + users + "\\\xE5\x88\xA0\xE9\x99\xA4.exe\" /x", true},
      {6, kHKEY_LOCAL_MACHINE, "Uninstall\\Here", "UninstallString", tool + " /uninstall", false},
      {13, kHKEY_CURRENT_USER, "Vendor", "Data", greek + "\\gone.dll", true},
      {13, kHKEY_CURRENT_USER, "Vendor", "Data", greek + "\\here.dll", false},
      {13, kHKEY_CURRENT_USER, "Vendor", "Long", longName + "\\app.exe data.txt", false},
      // Hostile: a deep path of two-byte names, and a long run of CJK letters.
      {13, kHKEY_CURRENT_USER, "Vendor", "Deep", "C:\\" + Repeat("\xD0\x96\\", 100000) + "x.exe",
       true},
      {13, kHKEY_CURRENT_USER, "Vendor", "Run",
       users + "\\" + Repeat("\xE7\x94\xA8", 300000) + ".exe", true},
      // Wildcards and unreadable texts prove nothing.
      {13, kHKEY_CURRENT_USER, "Vendor", "Mask", greek + ".old\\*.dll", false},
      {1, kHKEY_LOCAL_MACHINE, "App Paths\\q.exe", "", ivan + ".old\\Gr?n.exe", false},
      {5, kHKEY_LOCAL_MACHINE, "Run", "Lost", "C:\\Users\\\xEF\xBF\xBD\xEF\xBF\xBD\\gone.exe",
       false},
      {6, kHKEY_LOCAL_MACHINE, "Uninstall\\Raw", "UninstallString", "C:\\Iv\xE1n\\gone.exe", false},
  };
  const std::string prefix[] = {"", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\", "SOFTWARE\\"};
  for (const Case& c : cases) {
    MemoryScan s;
    s.mem.files.AddFile(ivan + "\\App\\app.exe");
    s.mem.files.AddFile(tool);
    s.mem.files.AddFile(greek + "\\here.dll");
    s.mem.files.AddFile(longName + "\\app.exe");
    const std::string& base = c.section == 13 ? prefix[2] : prefix[1];
    s.mem.registry.SetString(c.root, base + c.key, c.name, c.text);
    s.Run(c.section);
    const std::string what = std::to_string(c.section) + " " + c.key + " " + c.name;
    ASSERT_EQ(s.problems.size(), c.problem ? 1u : 0u) << what;
    if (c.problem) {
      EXPECT_EQ(s.problems[0].ValueData, c.text) << what;
    }
  }
}

}  // namespace
}  // namespace corvanta
