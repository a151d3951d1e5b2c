// A path holding a character outside the ANSI code page reaches the scan
// whole, through the wide API: when its folder is gone it is missing like
// its plain neighbour.
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>

#include "cli/cli.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"

namespace corvanta {
namespace {

TEST(ScanLostCharacters, AWidePathIsJudgedLikeAnyOther) {
  ComScope com;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\CorvantaTest\\Lost", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t wide[] = L"C:\\corvanta-gone.old\\\u4e2d\u6587.exe";
  const wchar_t plain[] = L"C:\\corvanta-gone\\app.exe";
  RegSetValueExW(key, L"Wide", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide), sizeof wide);
  RegSetValueExW(key, L"Plain", 0, REG_SZ, reinterpret_cast<const BYTE*>(plain), sizeof plain);
  RegCloseKey(key);

  Win32Platform win32;
  std::ostringstream out, err;
  ASSERT_EQ(RunCli(win32.platform(), {"scan", "--sections", "13", "--json"}, out, err), 0)
      << err.str();
  const std::string doc = out.str();
  EXPECT_NE(doc.find("\"valueName\":\"Plain\""), std::string::npos);
  EXPECT_NE(doc.find("\"valueName\":\"Wide\""), std::string::npos);

  TRegistry reg(win32.registry);
  reg.SetRootKey(kHKEY_CURRENT_USER);
  reg.DeleteKey("\\Software\\CorvantaTest");
}

}  // namespace
}  // namespace corvanta
