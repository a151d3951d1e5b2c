// On a stopped system, repair --json and backups restore --json report
// after the commit and say whether it happened: a commit that fails claims
// nothing, fails the command and leaves every registry file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/native/offline_cli.h"
#include "unit/offline/failing_host_files.h"
#include "unit/offline/prefix_files.h"

namespace corvanta {
namespace {

const std::string kWithProblem =
    std::string(testing::kSystemReg) +
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\SharedDLLs]"
    " 1700000000\n\"C:\\\\Gone\\\\one.dll\"=dword:00000001\n\n";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(CliOfflineCommit, ReportsWhetherTheCommitHappened) {
  char tmpl[] = "/tmp/corvanta-commit-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
  mkdir((dir + "/prefix").c_str(), 0755);
  mkdir((dir + "/prefix/drive_c").c_str(), 0755);
  std::ofstream(dir + "/prefix/system.reg", std::ios::binary) << kWithProblem;
  testing::FailingHostFiles io;
  auto run = [&](int failAt, std::vector<std::string> args, nlohmann::json* doc) {
    io.failAt = failAt;
    io.calls = 0;
    args.insert(args.begin(), {"--prefix", dir + "/prefix"});
    args.push_back("--json");
    std::ostringstream out, err;
    const int rc = RunOfflineCli(args, dir + "/corvanta-cli", out, err, nullptr, &io);
    *doc = nlohmann::json::parse(out.str());
    return rc;
  };
  const std::vector<std::string> repair = {"repair", "--sections", "2", "--no-restore-point"};
  nlohmann::json doc;

  EXPECT_EQ(run(1, repair, &doc), 1);
  EXPECT_EQ(doc["committed"], false) << doc;
  EXPECT_EQ(doc["repaired"], 0) << doc;
  EXPECT_EQ(doc["failedProblems"], nlohmann::json::array({0})) << doc;
  EXPECT_EQ(Slurp(dir + "/prefix/system.reg"), kWithProblem);

  ASSERT_EQ(run(0, repair, &doc), 0);
  EXPECT_EQ(doc["committed"], true) << doc;
  EXPECT_EQ(doc["repaired"], 1) << doc;
  const std::string repaired = Slurp(dir + "/prefix/system.reg");
  EXPECT_EQ(repaired.find("Gone"), std::string::npos);
  const std::string backup = doc["backupFile"];
  const std::vector<std::string> restore = {"backups", "restore",
                                            backup.substr(backup.rfind('/') + 1)};

  EXPECT_EQ(run(1, restore, &doc), 1);
  EXPECT_EQ(doc["committed"], false) << doc;
  EXPECT_EQ(doc["restored"], false) << doc;
  EXPECT_EQ(Slurp(dir + "/prefix/system.reg"), repaired);

  ASSERT_EQ(run(0, restore, &doc), 0);
  EXPECT_EQ(doc["committed"], true) << doc;
  EXPECT_EQ(doc["restored"], true) << doc;
  EXPECT_NE(Slurp(dir + "/prefix/system.reg").find("Gone"), std::string::npos);
  unsetenv("XDG_DATA_HOME");
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace corvanta
