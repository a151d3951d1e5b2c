// The native program's refusals: no system given, a folder that is not a
// prefix, a registry file that cannot be read, and changes while the
// prefix's wineserver runs (nothing written).
#include "cli/native/offline_cli.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/offline/wine_registry_store.h"
#include "prefix_files.h"

namespace corvanta {
namespace {

using testing::kSystemReg;

class OfflineCli : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvanta-offline-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    mkdir((dir_ + "/drive_c").c_str(), 0755);
    Write("system.reg", kSystemReg);
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
  }
  int Run(std::vector<std::string> args, std::string* err) {
    std::ostringstream out, errs;
    const int rc = RunOfflineCli(args, dir_ + "/corvanta-cli", out, errs);
    *err = errs.str();
    out_ = out.str();
    return rc;
  }
  std::string dir_, out_;
};

TEST_F(OfflineCli, RefusesWhatItCannotWorkOn) {
  std::string err;
  EXPECT_EQ(Run({"scan"}, &err), 2);
  EXPECT_NE(err.find("an offline system is needed"), std::string::npos) << err;
  EXPECT_EQ(Run({"--prefix", dir_ + "/drive_c", "scan"}, &err), 1);
  EXPECT_NE(err.find("not a Wine prefix"), std::string::npos) << err;
  Write("user.reg", "not a registry file\n");
  EXPECT_EQ(Run({"--prefix", dir_, "scan"}, &err), 1);
  EXPECT_NE(err.find("user.reg\" cannot be read"), std::string::npos) << err;
}

TEST_F(OfflineCli, ExportsToAHostPath) {
  std::string err, bytes, error;
  const std::string file = dir_ + "/export.reg";
  ASSERT_EQ(Run({"--prefix", dir_, "export",
                 "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion", "--output", file},
                &err),
            0)
      << err;
  ASSERT_TRUE(ReadHostFile(file, &bytes, &error)) << error;
  EXPECT_EQ(bytes.compare(0, 8, "REGEDIT4"), 0);
  EXPECT_NE(bytes.find("\"SystemRoot\"=\"C:\\\\windows\""), std::string::npos) << bytes;
}

TEST_F(OfflineCli, TextOutputSaysWhichSystemWasRead) {
  std::string err;
  for (const char* command : {"settings", "backups", "bho", "startup", "uninstall"}) {
    ASSERT_EQ(Run({"--prefix", dir_, command}, &err), 0) << command << ": " << err;
    EXPECT_EQ(out_.compare(0, 10 + dir_.size(), "Offline: " + dir_ + " "), 0) << out_;
  }
}

TEST_F(OfflineCli, RefusesChangesWhileTheWineserverRuns) {
  // A server's folder with its lock held by another process, as a running
  // server holds it.
  struct stat st;
  ASSERT_EQ(stat(dir_.c_str(), &st), 0);
  char leaf[64];
  std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  char tmpl[] = "/tmp/wine-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string server = std::string(tmpl) + "/" + leaf;
  mkdir(server.c_str(), 0700);
  const std::string lock = server + "/lock";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    const int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fcntl(fd, F_SETLK, &fl);
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  std::string err;
  const int rc = Run({"--prefix", dir_, "settings", "set", "AutoUpdate=1"}, &err);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  std::system(("rm -rf '" + std::string(tmpl) + "'").c_str());
  EXPECT_EQ(rc, 1);
  EXPECT_NE(err.find("wineserver"), std::string::npos) << err;
  std::string bytes, error;
  ASSERT_TRUE(ReadHostFile(dir_ + "/system.reg", &bytes, &error));
  EXPECT_EQ(bytes, kSystemReg);
}

TEST_F(OfflineCli, TheIgnoreListIsThePrefixOwn) {
  Write("system.reg",
        std::string(kSystemReg) +
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\SharedDLLs] 1700000000\n"
            "\"C:\\\\gone\\\\one.dll\"=dword:00000001\n\n");
  std::string err;
  ASSERT_EQ(Run({"--prefix", dir_, "ignore", "add", "0", "--sections", "2"}, &err), 0) << err;
  EXPECT_NE(out_.find("Added to the ignore list: Shared Program Files"), std::string::npos) << out_;
  std::string bytes, error;
  ASSERT_TRUE(ReadHostFile(dir_ + "/system.reg", &bytes, &error)) << error;
  EXPECT_NE(bytes.find("[Software\\\\Corvanta\\\\Corvix\\\\IgnoreList]"), std::string::npos)
      << bytes;
  ASSERT_EQ(Run({"--prefix", dir_, "scan", "--sections", "2"}, &err), 0) << err;
  EXPECT_NE(out_.find("Total problems found: 0\n1 entry on your ignore list was skipped."),
            std::string::npos)
      << out_;
  ASSERT_EQ(Run({"--prefix", dir_, "ignore", "clear"}, &err), 0) << err;
  ASSERT_EQ(Run({"--prefix", dir_, "scan", "--sections", "2"}, &err), 0) << err;
  EXPECT_NE(out_.find("Total problems found: 1\n"), std::string::npos) << out_;
}

}  // namespace
}  // namespace corvanta
