// Keys the scan could not open are said on the page, on stderr and in JSON.
#include <gtest/gtest.h>

#include "app/main.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

TEST(CliUnreadable, RefusedKeysAreCountedAndNamed) {
  testing::CliFixture cli;
  const std::string appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  cli.mem.registry.CreateKey(kHKEY_LOCAL_MACHINE, appPaths);
  cli.mem.registry.DenyOpen(kHKEY_LOCAL_MACHINE, appPaths, kKEY_READ);
  cli.mem.registry.SetString(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Secret", "v", "x");
  cli.mem.registry.DenyOpen(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Secret", kKEY_READ);
  ASSERT_EQ(cli({"scan", "--sections", "1,13", "--json"}), kExitDone) << cli.err;
  EXPECT_NE(cli.out.find("\"unreadable\":2,\"unreadablePaths\":[\"HKEY_LOCAL_MACHINE\\\\" +
                         std::string("SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App "
                                     "Paths\",\"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Vendor\\\\"
                                     "Secret\"]")),
            std::string::npos)
      << cli.out;
  EXPECT_NE(cli.err.find("2 registry key(s) could not be read"), std::string::npos) << cli.err;
  EXPECT_EQ(cli.err.find("administrator"), std::string::npos);

  cli.mem.system.SetWithoutAdminRights(true);
  ASSERT_EQ(cli({"scan", "--sections", "1"}), kExitDone);
  EXPECT_NE(cli.err.find("machine-wide sections were not fully scanned"), std::string::npos);

  EXPECT_EQ(ScanCompleteStatus(0), "Scanning Complete.");
  EXPECT_EQ(ScanCompleteStatus(2),
            "Scanning Complete. 2 registry keys could not be read (access denied): run as "
            "administrator to scan them.");
}

}  // namespace
}  // namespace corvanta
