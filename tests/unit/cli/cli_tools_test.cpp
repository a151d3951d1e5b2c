// The console program's advanced tools: lists as JSON, removals by row and
// their exit codes, the Internet Explorer backup.
#include <gtest/gtest.h>

#include "support/cli_fixture.h"

namespace corvanta {
namespace {

const char kBho[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

TEST(CliTools, ListRemoveAndBackup) {
  testing::CliFixture cli;
  cli.mem.files.AddFolder("C:\\Program Files\\Corvanta");
  MemoryRegistry& r = cli.mem.registry;
  r.SetString(kHKEY_CLASSES_ROOT, "CLSID\\{A1}\\InProcServer32", "", "C:\\a.dll");
  r.CreateKey(kHKEY_LOCAL_MACHINE, kBho + std::string("\\{A1}"));
  cli.mem.versionInfo.SetStrings("C:\\a.dll", {{"FileVersion", "1.0"}});
  EXPECT_EQ(cli({"bho", "list", "--json"}), 0) << cli.err;
  EXPECT_EQ(cli.out,
            "{\"entries\":[{\"index\":0,\"id\":\"{A1}\",\"name\":\"Not Specified. Check file "
            "details\",\"path\":\"C:\\\\a.dll\",\"details\":{\"internalName\":\"\","
            "\"fileVersion\":\"1.0\",\"productName\":\"\",\"productVersion\":\"\","
            "\"description\":\"\",\"company\":\"\"}}]}\n");
  r.SetString(kHKEY_CURRENT_USER, kRun, "U", "C:\\u.exe");
  EXPECT_EQ(cli({"startup", "list", "--json"}), 0);
  EXPECT_EQ(cli.out,
            "{\"entries\":[{\"index\":0,\"name\":\"U\",\"location\":\"C:\\\\u.exe\",\"root\":"
            "\"HKEY_CURRENT_USER\"}]}\n");
  EXPECT_EQ(cli({"startup", "remove", "1"}), 2);
  EXPECT_EQ(cli({"startup", "remove", "x"}), 2);
  EXPECT_EQ(cli({"startup", "remove", "0"}), 0) << cli.err;
  EXPECT_FALSE(r.HasValue(kHKEY_CURRENT_USER, kRun, "U"));
  r.SetString(kHKEY_LOCAL_MACHINE, kUninstall + std::string("\\k"), "DisplayName", "P");
  r.SetString(kHKEY_LOCAL_MACHINE, kUninstall + std::string("\\k"), "UninstallString", "p.exe");
  r.DenyDelete(kHKEY_LOCAL_MACHINE, kUninstall + std::string("\\k"));
  EXPECT_EQ(cli({"uninstall", "list", "--json"}), 0);
  EXPECT_EQ(cli.out,
            "{\"entries\":[{\"index\":0,\"name\":\"P\",\"uninstaller\":\"p.exe\",\"key\":\"k\"}]}"
            "\n");
  EXPECT_EQ(cli({"uninstall", "remove", "0"}), 1);
  EXPECT_NE(cli.err.find("could not be removed"), std::string::npos);
  EXPECT_EQ(cli({"ie-backup"}), 0) << cli.err;
  EXPECT_EQ(cli.out.rfind("C:\\Program Files\\Corvanta\\Backup\\Explorer Backup_", 0), 0u);
}

}  // namespace
}  // namespace corvanta
