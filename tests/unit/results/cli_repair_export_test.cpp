#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "platform/memory/memory_platform.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

struct Cli : testing::CliFixture {
  Cli() {
    mem.files.AddFolder("C:\\Program Files\\Corvanta");
    mem.files.AddFile("C:\\Windows\\System32\\here.dll");
    mem.registry.SetDword(kHKEY_LOCAL_MACHINE, kSharedDlls, "C:\\Gone\\one.dll", 1);
    mem.registry.SetDword(kHKEY_LOCAL_MACHINE, kSharedDlls, "C:\\Windows\\System32\\here.dll", 1);
    mem.registry.SetDword(kHKEY_LOCAL_MACHINE, kSharedDlls, "C:\\Gone\\two.dll", 2);
  }
};

TEST(CliRepair, RepairsWithIgnoreAndReportsTheBackup) {
  Cli cli;
  ASSERT_EQ(cli({"repair", "--sections", "2", "--ignore", "1", "--no-restore-point", "--json"}), 0)
      << cli.err;
  const auto doc = nlohmann::json::parse(cli.out);
  EXPECT_EQ(doc["found"], 2);
  EXPECT_EQ(doc["ignored"], 1);
  EXPECT_EQ(doc["repaired"], 1);
  EXPECT_EQ(doc["failed"], 0);
  const std::string backup = doc["backupFile"];
  EXPECT_EQ(backup.rfind("C:\\Program Files\\Corvanta\\Backup\\Automatic Backup_", 0), 0u);
  std::string bytes;
  ASSERT_TRUE(cli.mem.files.ReadWholeFile(backup, &bytes));
  EXPECT_EQ(bytes,
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
            "SharedDlls]\r\n\"C:\\\\Gone\\\\one.dll\"=dword:00000001\r\n");
  EXPECT_FALSE(cli.mem.registry.HasValue(kHKEY_LOCAL_MACHINE, kSharedDlls, "C:\\Gone\\one.dll"));
  EXPECT_TRUE(cli.mem.registry.HasValue(kHKEY_LOCAL_MACHINE, kSharedDlls, "C:\\Gone\\two.dll"));

  ASSERT_EQ(cli({"repair", "--sections", "2", "--no-backup"}), 0) << cli.err;
  EXPECT_NE(cli.out.find("Total problems repaired: 1\n"), std::string::npos) << cli.out;
  EXPECT_NE(cli.out.find("Backup file: (none)\n"), std::string::npos);

  EXPECT_EQ(cli({"repair", "--ignore", "1,x"}), 2);
  EXPECT_EQ(cli({"repair", "--sections", "2", "--ignore", "5"}), 2);
}

TEST(CliExport, KeyOrValueByteForByte) {
  Cli cli;
  cli.mem.registry.SetString(kHKEY_CURRENT_USER, "Software\\X", "a", "1");
  cli.mem.registry.SetString(kHKEY_CURRENT_USER, "Software\\X\\Sub", "b", "2");
  ASSERT_EQ(cli({"export", "HKCU\\Software\\X"}), 0) << cli.err;
  EXPECT_EQ(cli.out,
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"a\"=\"1\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\X\\Sub]\r\n\"b\"=\"2\"\r\n");
  ASSERT_EQ(cli({"export", "hkey_current_user\\Software\\X", "a", "--output", "C:\\x.reg"}), 0);
  EXPECT_EQ(cli.out, "");
  std::string bytes;
  ASSERT_TRUE(cli.mem.files.ReadWholeFile("C:\\x.reg", &bytes));
  EXPECT_EQ(bytes, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"a\"=\"1\"\r\n");

  EXPECT_EQ(cli({"export", "HKCU\\Software\\Nope"}), 1);
  EXPECT_EQ(cli({"export", "HKCU\\Software\\X", "nope"}), 1);
  EXPECT_EQ(cli({"export", "HKXX\\Software\\X"}), 2);
  EXPECT_EQ(cli({"export"}), 2);
  EXPECT_EQ(cli({"export", "HKCU\\Software\\X", "--output", "Q:\\no\\such\\dir.reg"}), 1);

  // A subkey that refuses full access: what was read is written, and the exit says it is partial.
  cli.mem.registry.DenyOpen(kHKEY_CURRENT_USER, "Software\\X\\Sub", 0x20);
  EXPECT_EQ(cli({"export", "HKCU\\Software\\X"}), 1);
  EXPECT_EQ(cli.out,
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"a\"=\"1\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\X\\Sub]\r\n");
  EXPECT_NE(cli.err.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace corvanta
