#include "cli/cli.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/session.h"
#include "platform/memory/memory_platform.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

using Cli = testing::CliFixture;

int Lines(const std::string& s) {
  return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

TEST(Cli, HelpVersionAndBadUsage) {
  Cli cli;
  EXPECT_EQ(cli({"--help"}), 0);
  EXPECT_NE(cli.out.find("scan"), std::string::npos);
  EXPECT_NE(cli.out.find("settings"), std::string::npos);
  EXPECT_EQ(cli({"--version"}), 0);
  EXPECT_NE(cli.out.find("1.3.0"), std::string::npos);

  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"scan", "--bogus"},
      {"scan", "--sections", "0"},
      {"scan", "--sections", "14"},
      {"scan", "--sections", "1,,2"},
      {"scan", "--sections", "1,x"},
      {"scan", "--sections", ""},
      {"scan", "--sections", "-3"},
      {"scan", "--all", "--sections", "2"},
      {"settings", "set"},
      {"settings", "set", "Section1=2"},
      {"settings", "set", "Nope=1"},
      {"settings", "dance"},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (auto& a : args) joined += a + " ";
    EXPECT_EQ(cli(args), 2) << joined;
    EXPECT_EQ(cli.err.rfind("corvanta-cli: ", 0), 0u) << joined << cli.err;
    EXPECT_NE(cli.err.find("Usage"), std::string::npos) << joined;
    EXPECT_TRUE(cli.out.empty()) << joined;
  }
  // Nothing was stored by any of them.
  EXPECT_FALSE(cli.mem.registry.HasKey(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix\\x"));
}

TEST(Cli, ScanJsonFollowsTheContract) {
  Cli cli;
  ASSERT_EQ(cli({"scan", "--all", "--json"}), 0) << cli.err;
  EXPECT_EQ(Lines(cli.out), 1);
  auto doc = nlohmann::ordered_json::parse(cli.out);
  EXPECT_EQ(doc["total"], 0);
  ASSERT_EQ(doc["sections"].size(), 13u);
  EXPECT_EQ(doc["sections"][0].dump(),
            R"({"number":1,"caption":"Application Paths","name":"Application Paths","found":0,)"
            R"("skippedByIgnoreList":0})");
  EXPECT_EQ(doc["sections"][2]["caption"], "Program ID Section");
  EXPECT_EQ(doc["sections"][10]["caption"], "Event Sounds");
  EXPECT_EQ(doc["sections"][10]["name"], "Sounds");
  EXPECT_TRUE(doc["problems"].empty());

  // Stored settings decide without options: 10 and 12 are off by default.
  ASSERT_EQ(cli({"scan", "--json"}), 0);
  doc = nlohmann::ordered_json::parse(cli.out);
  EXPECT_EQ(doc["sections"].size(), 11u);
  ASSERT_EQ(cli({"scan", "--sections", "13,2", "--json"}), 0);
  doc = nlohmann::ordered_json::parse(cli.out);
  ASSERT_EQ(doc["sections"].size(), 2u);
  EXPECT_EQ(doc["sections"][0]["number"], 2);
  EXPECT_EQ(doc["sections"][1]["number"], 13);
  // --sections saves nothing.
  EXPECT_FALSE(
      cli.mem.registry.HasValue(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", "Section1"));
  // Text form: one line per section and the total.
  ASSERT_EQ(cli({"scan", "--sections", "1"}), 0);
  EXPECT_NE(cli.out.find("Total problems found: 0"), std::string::npos);

  // All sections unticked in the store: the scan cannot run.
  for (int n = 1; n <= 13; ++n)
    cli.mem.registry.SetDword(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix",
                              "Section" + std::to_string(n), 0);
  EXPECT_EQ(cli({"scan"}), 1);
  EXPECT_NE(cli.err.find("You have no Sections selected"), std::string::npos);
}

TEST(Cli, ScanTextJoinsRootAndKeyWithOneBackslash) {
  Cli cli;
  const std::string fe = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  cli.mem.registry.CreateKey(kHKEY_CURRENT_USER, fe + "\\.eee");
  const std::string dlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  cli.mem.registry.SetDword(kHKEY_LOCAL_MACHINE, dlls, "C:\\Gone\\one.dll", 1);

  ASSERT_EQ(cli({"scan", "--sections", "2,7"}), 0) << cli.err;
  EXPECT_NE(cli.out.find("\n    HKEY_CURRENT_USER\\" + fe + "\\.eee\n"), std::string::npos)
      << cli.out;
  EXPECT_NE(cli.out.find("\n    HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"),
            std::string::npos)
      << cli.out;
  EXPECT_EQ(cli.out.find("HKEY_CURRENT_USER\\\\"), std::string::npos) << cli.out;
  EXPECT_EQ(cli.out.find("HKEY_LOCAL_MACHINE\\\\"), std::string::npos) << cli.out;

  // The JSON keeps the key path as the scan stored it.
  ASSERT_EQ(cli({"scan", "--sections", "7", "--json"}), 0) << cli.err;
  const auto doc = nlohmann::ordered_json::parse(cli.out);
  ASSERT_EQ(doc["problems"].size(), 1u);
  EXPECT_EQ(doc["problems"][0]["keyPath"], "\\" + fe + "\\.eee");
}

TEST(Cli, SettingsShowAndSet) {
  Cli cli;
  ASSERT_EQ(cli({"settings"}), 0);
  EXPECT_EQ(Lines(cli.out), 17);
  EXPECT_NE(cli.out.find("Section10=0\n"), std::string::npos);
  EXPECT_NE(cli.out.find("RunStartUp=1\n"), std::string::npos);
  ASSERT_EQ(cli({"settings", "set", "section10=1", "RunStartUp=0"}), 0) << cli.err;
  EXPECT_NE(cli.out.find("Section10=1\n"), std::string::npos);
  ASSERT_EQ(cli({"settings", "show"}), 0);
  EXPECT_NE(cli.out.find("Section10=1\n"), std::string::npos);
  EXPECT_NE(cli.out.find("RunStartUp=0\n"), std::string::npos);
  EXPECT_FALSE(cli.mem.registry.HasValue(
      kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Corvanta"));
  // The log-on entry starts the GUI beside the console program, never the
  // console program itself.
  cli.mem.system.SetExecutablePath("C:\\Program Files\\Corvanta\\corvanta-cli.exe");
  ASSERT_EQ(cli({"settings", "set", "RunStartUp=1"}), 0);
  auto raw = cli.mem.registry.GetRaw(
      kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Corvanta");
  EXPECT_EQ(std::string(raw.begin(), raw.end()),
            std::string("\"C:\\Program Files\\Corvanta\\corvanta.exe\" /scan\0", 47));
  // A refused write is a failure, exit 1, message on stderr.
  cli.mem.registry.DenyOpen(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", kKEY_SET_VALUE);
  EXPECT_EQ(cli({"settings", "set", "Backup=0"}), 1);
  EXPECT_EQ(cli.err, "Failed to set data for 'Section1'\n");
}

TEST(Cli, AnsiTextBecomesUtf8) {
  EXPECT_EQ(AnsiToUtf8("abc"), "abc");
  EXPECT_EQ(AnsiToUtf8("\xE9"), "\xC3\xA9");      // e acute
  EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(AnsiToUtf8("\xAE"), "\xC2\xAE");      // registered sign
  EXPECT_EQ(AnsiToUtf8("\x81"), "\xC2\x81");      // unassigned: C1 control
  EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(RootKeyName(0x80000002u), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(RootKeyName(0), "");
}

}  // namespace
}  // namespace corvanta
