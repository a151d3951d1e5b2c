#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/cli_fixture.h"

namespace corvanta {
namespace {

const std::string kDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

TEST(CliIgnore, ListAddRemoveClearAndAlwaysIgnore) {
  testing::CliFixture cli;
  cli.mem.registry.SetDword(kHKEY_LOCAL_MACHINE, kDlls, "C:\\gone\\one.dll", 1);
  cli.mem.registry.SetDword(kHKEY_LOCAL_MACHINE, kDlls, "C:\\gone\\two.dll", 1);
  ASSERT_EQ(cli({"ignore"}), 0) << cli.err;
  EXPECT_EQ(cli.out, "The ignore list is empty.\n");

  ASSERT_EQ(cli({"ignore", "add", "1", "--sections", "2", "--json"}), 0) << cli.err;
  nlohmann::ordered_json entry;
  entry["index"] = 0;
  entry["section"] = 2;
  entry["root"] = "HKEY_LOCAL_MACHINE";
  entry["keyPath"] = kDlls;
  entry["valueName"] = "C:\\gone\\two.dll";
  nlohmann::ordered_json list;
  list["entries"] = nlohmann::ordered_json::array({entry});
  EXPECT_EQ(cli.out, list.dump() + "\n");
  ASSERT_EQ(cli({"scan", "--sections", "2", "--json"}), 0) << cli.err;
  auto doc = nlohmann::ordered_json::parse(cli.out);
  EXPECT_EQ(doc["total"], 1);
  EXPECT_EQ(doc["sections"][0]["skippedByIgnoreList"], 1);
  EXPECT_EQ(doc.back(), 1);  // the last field: skippedByIgnoreList in total

  // The one left is problem 0 now; listed before the repair, it stays.
  ASSERT_EQ(cli({"repair", "--sections", "2", "--always-ignore", "0", "--no-restore-point",
                 "--no-backup", "--json"}),
            0)
      << cli.err;
  EXPECT_EQ(nlohmann::json::parse(cli.out)["repaired"], 0);
  EXPECT_TRUE(cli.mem.registry.HasValue(kHKEY_LOCAL_MACHINE, kDlls, "C:\\gone\\one.dll"));
  ASSERT_EQ(cli({"ignore", "list"}), 0);
  EXPECT_NE(cli.out.find("[1] Shared Program Files: HKEY_LOCAL_MACHINE\\" + kDlls +
                         "\n    value C:\\gone\\one.dll\n"),
            std::string::npos)
      << cli.out;

  ASSERT_EQ(cli({"ignore", "remove", "0"}), 0) << cli.err;
  ASSERT_EQ(cli({"ignore", "list", "--json"}), 0);
  EXPECT_EQ(nlohmann::json::parse(cli.out)["entries"][0]["valueName"], "C:\\gone\\one.dll");
  ASSERT_EQ(cli({"ignore", "clear"}), 0);
  EXPECT_EQ(cli.out, "Removed 1 entry from the ignore list.\n");

  for (const std::vector<std::string>& bad : {std::vector<std::string>{"ignore", "frob"},
                                              {"ignore", "add"},
                                              {"ignore", "add", "x"},
                                              {"ignore", "remove", "0"},
                                              {"ignore", "remove", "0", "1"},
                                              {"ignore", "clear", "--all"},
                                              {"ignore", "add", "9", "--sections", "2"},
                                              {"repair", "--always-ignore", "1,,2"}}) {
    EXPECT_EQ(cli(bad), 2) << bad[1] << cli.err;
    EXPECT_NE(cli.err.find("Usage"), std::string::npos) << cli.err;
  }
}

}  // namespace
}  // namespace corvanta
