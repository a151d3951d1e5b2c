// GetOSName on the Windows version the prefix reports. The test scripts can
// run it once per version: scripts/wine-os-names.sh BUILD_DIR.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/win32/win32_system.h"
#include "results/os_name.h"

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

}  // namespace
}  // namespace corvanta
