// GetOSName on the Windows version the prefix reports, and on each version
// of the Windows 95 and NT families the program names, each in a child
// process started under that version.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/win32/win32_system.h"
#include "results/os_name.h"
#include "wine/wine_version_child.h"

namespace corvanta {
namespace {

std::string WineVersionSetting() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return std::string();
  char buf[64];
  DWORD size = sizeof buf, type = 0;
  LONG rc = RegQueryValueExA(key, "Version", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(buf) : std::string();
}

TEST(WineAppOsName, NamesTheVersionThePrefixReports) {
  static const std::map<std::string, std::string> kNames = {{"win95", "Windows 95"},
                                                            {"win98", "Windows 98"},
                                                            {"winme", "Windows ME"},
                                                            {"win2k", "Windows 2000"},
                                                            {"winxp", "Windows XP"},
                                                            {"win7", ""},
                                                            {"win10", ""}};
  Win32System system;
  const std::string setting = WineVersionSetting();
  const OsVersion v = system.GetVersion();
  const std::string name = GetOSName(system);
  std::printf("Wine version setting \"%s\": %lu %lu.%lu -> \"%s\"\n", setting.c_str(),
              static_cast<unsigned long>(v.platformId), static_cast<unsigned long>(v.major),
              static_cast<unsigned long>(v.minor), name.c_str());
  auto it = kNames.find(setting);
  if (it != kNames.end())
    EXPECT_EQ(name, it->second) << setting << " reports " << v.platformId << " " << v.major << "."
                                << v.minor;
  else
    EXPECT_EQ(name, OsNameFor(v));  // the prefix's default version
}

struct VersionCase {
  const char* wineVersion;
  const char* name;
  uint32_t platformId, major, minor;
};
const VersionCase kVersionCases[] = {{"win95", "Windows 95", 1, 4, 0},
                                     {"win98", "Windows 98", 1, 4, 10},
                                     {"winme", "Windows ME", 1, 4, 90},
                                     {"win2k", "Windows 2000", 2, 5, 0},
                                     {"winxp", "Windows XP", 2, 5, 1}};

// Runs in a child process started by the test below, under the Windows
// version named in CORVANTA_CHILD_WINE_VERSION.
TEST(WineAppOsNameChild, NamesTheVersionItRunsUnder) {
  const std::string wanted = testing::Env("CORVANTA_CHILD_WINE_VERSION");
  if (wanted.empty()) {
    GTEST_SKIP() << "started by WineAppOsName.NamesEachVersionOfBothFamilies only";
  }
  const VersionCase* c = nullptr;
  for (const VersionCase& k : kVersionCases)
    if (wanted == k.wineVersion) c = &k;
  ASSERT_NE(c, nullptr) << wanted;
  Win32System system;
  const OsVersion v = system.GetVersion();
  EXPECT_EQ(v.platformId, c->platformId) << wanted;
  EXPECT_EQ(v.major, c->major) << wanted;
  EXPECT_EQ(v.minor, c->minor) << wanted;
  EXPECT_EQ(GetOSName(system), c->name) << wanted;
}

TEST(WineAppOsName, NamesEachVersionOfBothFamilies) {
  for (const VersionCase& c : kVersionCases)
    EXPECT_EQ(testing::RunChildTestsUnderWineVersion(c.wineVersion, "WineAppOsNameChild.*",
                                                     "CORVANTA_CHILD_WINE_VERSION", c.wineVersion),
              0u)
        << c.wineVersion;
}

}  // namespace
}  // namespace corvanta
