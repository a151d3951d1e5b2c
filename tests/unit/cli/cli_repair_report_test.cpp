// corvanta-cli repair: the report's lines, and no repair at all when the scan
// found nothing.
#include <gtest/gtest.h>

#include <string>

#include "support/cli_fixture.h"

namespace corvanta {
namespace {

const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kBackupFolder[] = "C:\\Program Files\\Corvanta\\Backup";

TEST(CliRepairReport, NothingFoundRepairsNothingAndWritesNoBackup) {
  testing::CliFixture cli;
  cli.mem.files.AddFolder("C:\\Program Files\\Corvanta");
  ASSERT_EQ(cli({"repair", "--sections", "2", "--no-restore-point"}), 0) << cli.err;
  EXPECT_EQ(cli.out,
            "Total problems found: 0\n"
            "Total problems ignored: 0\n"
            "Total problems repaired: 0\n"
            "Total problems failed: 0\n"
            "Backup file: (none)\n");
  ASSERT_EQ(cli({"repair", "--sections", "2", "--json"}), 0) << cli.err;
  EXPECT_EQ(cli.out,
            "{\"found\":0,\"ignored\":0,\"repaired\":0,\"failed\":0,\"failedProblems\":[],"
            "\"backupFile\":\"\",\"unchanged\":[]}\n");
  EXPECT_FALSE(cli.mem.files.DirectoryExists(kBackupFolder));
  EXPECT_TRUE(cli.mem.system.restorePointCalls().empty());
  EXPECT_EQ(cli({"repair", "--sections", "2", "--ignore", "0"}), 2);
}

TEST(CliRepairReport, FailedProblemsAreReportedAsFailed) {
  testing::CliFixture cli;
  cli.mem.files.AddFolder("C:\\Program Files\\Corvanta");
  cli.mem.registry.SetDword(kHKEY_LOCAL_MACHINE, kSharedDlls, "C:\\Gone\\one.dll", 1);
  // The scan still reads the key; the backup cannot, so nothing is deleted.
  cli.mem.registry.DenyOpen(kHKEY_LOCAL_MACHINE, kSharedDlls, kKEY_CREATE_LINK);
  EXPECT_EQ(cli({"repair", "--sections", "2", "--no-restore-point"}), 1);
  EXPECT_NE(cli.out.find("Total problems repaired: 0\n"
                         "Total problems failed: 1\n"
                         "  not repaired: [0]\n"
                         "Backup file: C:\\Program Files\\Corvanta\\Backup\\Automatic Backup_"),
            std::string::npos)
      << cli.out;
  EXPECT_EQ(cli.out.find("left"), std::string::npos);
  EXPECT_TRUE(cli.mem.registry.HasValue(kHKEY_LOCAL_MACHINE, kSharedDlls, "C:\\Gone\\one.dll"));
}

}  // namespace
}  // namespace corvanta
