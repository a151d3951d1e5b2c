// The version-information reader over real files of the prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/win32_version_info.h"

namespace corvanta {
namespace {

TEST(ToolsVersionInfo, StringsOfTheFirstTranslation) {
  Win32VersionInfo versions;
  char dir[MAX_PATH];
  GetSystemDirectoryA(dir, MAX_PATH);
  const std::vector<std::string> names = {"CompanyName", "FileVersion", "NoSuchString"};
  const std::vector<std::string> kernel =
      versions.QueryStrings(std::string(dir) + "\\kernel32.dll", names);
  ASSERT_EQ(kernel.size(), 3u);
  EXPECT_FALSE(kernel[1].empty());
  EXPECT_EQ(kernel[1].find('\0'), std::string::npos);
  EXPECT_EQ(kernel[2], "");
  EXPECT_EQ(versions.QueryStrings("C:\\no\\such.dll", names), std::vector<std::string>(3));
}

}  // namespace
}  // namespace corvanta
