// The offline session: a failure at any step of the commit leaves every
// registry file as it was; each system keeps its own backups and refuses
// another's; a version 5 file is imported exactly or not at all; names and
// attributes on disk read as the system reads them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/native/offline_cli.h"
#include "failing_host_files.h"
#include "offline/offline_system.h"
#include "offline/wine_prefix.h"
#include "platform/file_system.h"
#include "platform/offline/host_files.h"
#include "platform/offline/offline_file_system.h"
#include "platform/platform.h"
#include "platform/registry.h"
#include "platform/text_convert.h"
#include "prefix_files.h"

namespace corvanta {
namespace {

using testing::FailingHostFiles;
using testing::kSystemReg;
const char kUserReg[] =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-1\n\n#arch=win32\n\n"
    "[Software\\\\Keep] 1700000000\n\"v\"=\"1\"\n\n";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class OfflineSession : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvanta-session-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
    for (const char* p : {"a", "b"}) {
      const std::string dir = root_ + "/" + p;
      mkdir(dir.c_str(), 0755);
      mkdir((dir + "/drive_c").c_str(), 0755);
      Spit(dir + "/system.reg", kSystemReg);
      Spit(dir + "/user.reg", kUserReg);
    }
  }
  void TearDown() override { std::system(("rm -rf '" + root_ + "'").c_str()); }
  int Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int rc = RunOfflineCli(args, root_ + "/corvanta-cli", out, err);
    out_ = out.str();
    err_ = err.str();
    return rc;
  }
  std::string Backups(const char* prefix) { return BackupHomeOf(root_ + "/" + prefix) + "/Backup"; }
  std::string root_, out_, err_;
};

TEST_F(OfflineSession, AFailureAtAnyStepOfTheCommitChangesNothing) {
  const std::string dir = root_ + "/a";
  std::string error;
  std::unique_ptr<OfflineSystem> system = OpenWinePrefix(dir, root_ + "/corvanta-cli", &error);
  ASSERT_TRUE(system) << error;
  TRegistry reg(system->platform().registry);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("\\Software\\New", true));
  reg.WriteString("x", "1");
  reg.CloseKey();
  reg.SetRootKey(kHKEY_CURRENT_USER);
  ASSERT_TRUE(reg.DeleteKey("\\Software\\Keep"));
  // A shortcut a repair deletes goes with the commit, or stays.
  system->HoldFileRemovals();
  const std::string link = dir + "/drive_c/gone.lnk";
  Spit(link, "L");
  ASSERT_TRUE(system->platform().files.RemoveFile("C:\\gone.lnk"));
  FailingHostFiles io;
  system->SetHostFiles(io);
  std::string copies;
  int step = 1;
  for (;; ++step) {
    io.failAt = step;
    io.calls = 0;
    if (system->Commit(&copies, &error)) break;
    ASSERT_LT(step, 40) << error;
    EXPECT_EQ(Slurp(dir + "/system.reg"), kSystemReg) << "step " << step << ": " << error;
    EXPECT_EQ(Slurp(dir + "/user.reg"), kUserReg) << "step " << step;
    EXPECT_EQ(Slurp(link), "L") << "step " << step;
    ASSERT_TRUE(system->platform().files.RemoveFile("C:\\gone.lnk"));  // asked again
    for (const char* left : {"/system.reg.new", "/user.reg.new", "/system.reg.old"})
      EXPECT_NE(access((dir + left).c_str(), F_OK), 0) << left << " at step " << step;
  }
  // Copies (2 writes, 2 links, 2 syncs), stages (2), links of the old files
  // (2), renames (2), the folder's sync: every one was made to fail once.
  EXPECT_GE(step, 12);
  EXPECT_NE(Slurp(dir + "/system.reg").find("[Software\\\\New]"), std::string::npos);
  EXPECT_EQ(Slurp(dir + "/user.reg").find("Keep"), std::string::npos);
  EXPECT_NE(access(link.c_str(), F_OK), 0);
}

// A deletion the file could not make exactly fails where it is made, so a
// repair counts it as not done instead of failing the whole commit.
TEST_F(OfflineSession, AChangeUnderANameWithBytesWineSkipsFailsAtOnce) {
  const std::string dir = root_ + "/a";
  Spit(dir + "/system.reg", std::string(kSystemReg) + "[Software\\\\?\xff] 1\n\"v\"=\"1\"\n\n");
  std::string error;
  std::unique_ptr<OfflineSystem> system = OpenWinePrefix(dir, root_ + "/corvanta-cli", &error);
  ASSERT_TRUE(system) << error;
  TRegistry reg(system->platform().registry);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg.KeyExists("\\Software\\?"));
  EXPECT_FALSE(reg.DeleteKey("\\Software\\?"));
  EXPECT_FALSE(system->HasChanges());
}

TEST_F(OfflineSession, EachSystemKeepsItsOwnBackupsAndRefusesAnothers) {
  ASSERT_EQ(Run({"--prefix", root_ + "/a", "backups", "full"}), 0) << err_;
  const std::string file = out_.substr(0, out_.find('\n'));
  // A host path in the system's own folder, naming the system.
  ASSERT_EQ(file.compare(0, Backups("a").size(), Backups("a")), 0) << file;
  const std::string bytes = Slurp(file);
  EXPECT_EQ(bytes.compare(0, 10, "REGEDIT4\r\n"), 0);
  EXPECT_NE(bytes.find("; System: " + SystemIdOf(root_ + "/a") + "\r\n"), std::string::npos);

  ASSERT_EQ(Run({"--prefix", root_ + "/b", "backups", "list"}), 0) << err_;
  EXPECT_EQ(out_.find(".reg"), std::string::npos) << out_;
  // Restoring it on the other system writes nothing.
  ASSERT_EQ(Run({"--prefix", root_ + "/b", "backups", "list"}), 0);
  mkdir(BackupHomeOf(root_ + "/b").c_str(), 0755);
  mkdir(Backups("b").c_str(), 0755);
  const std::string name = file.substr(file.rfind('/') + 1);
  Spit(Backups("b") + "/" + name, bytes);
  EXPECT_EQ(Run({"--prefix", root_ + "/b", "backups", "restore", name}), 1);
  EXPECT_NE(err_.find("another system"), std::string::npos) << err_;
  EXPECT_EQ(Slurp(root_ + "/b/system.reg"), kSystemReg);

  // A version 5 backup (a name past the code page) names its system too.
  Spit(root_ + "/a/system.reg",
       std::string(kSystemReg) + "[Software\\\\\\x5f20] 1\n\"v\"=\"1\"\n\n");
  ASSERT_EQ(Run({"--prefix", root_ + "/a", "backups", "full"}), 0) << err_;
  const std::string wide = out_.substr(0, out_.find('\n'));
  const std::string v5 = Slurp(wide);
  EXPECT_EQ(v5.compare(0, 2, "\xFF\xFE"), 0);
  EXPECT_NE(v5.find(Utf8ToUtf16Le("; System: " + SystemIdOf(root_ + "/a") + "\r\n")),
            std::string::npos);
  const std::string wideName = wide.substr(wide.rfind('/') + 1);
  Spit(Backups("b") + "/" + wideName, v5);
  EXPECT_EQ(Run({"--prefix", root_ + "/b", "backups", "restore", wideName}), 1);
  EXPECT_NE(err_.find("another system"), std::string::npos) << err_;
  EXPECT_EQ(Slurp(root_ + "/b/system.reg"), kSystemReg);

  // Deleting a backup whose copies folder is a link leaves what it leads to.
  const std::string outside = root_ + "/outside";
  mkdir(outside.c_str(), 0755);
  Spit(outside + "/keep.lnk", "x");
  const std::string files = Backups("a") + "/" + name.substr(0, name.size() - 4) + "_files";
  ASSERT_EQ(symlink(outside.c_str(), files.c_str()), 0);
  ASSERT_EQ(Run({"--prefix", root_ + "/a", "backups", "delete", name}), 0) << err_;
  EXPECT_EQ(Slurp(outside + "/keep.lnk"), "x");
  EXPECT_NE(access(files.c_str(), F_OK), 0);
}

// Text as a version 5 file holds it: UTF-16LE after the mark.
std::string Version5(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

TEST_F(OfflineSession, AVersion5FileImportsExactlyOrNotAtAll) {
  const std::string dir = root_ + "/a";
  ASSERT_EQ(Run({"--prefix", dir, "backups", "list"}), 0);
  mkdir(Backups("a").c_str(), 0755);
  const std::u16string head =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\V5]\r\n";
  // "%SystemRoot%\é" as hex(2), two texts as hex(7), a quoted text.
  const std::u16string good =
      head +
      u"\"Exp\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,"
      u"25,00,5c,00,e9,00,00,00\r\n"
      u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      u"\"Text\"=\"Caf\u00e9 \\\"q\\\"\"\r\n"
      u"\"Wide\"=\"\u4e2d\"\r\n";
  Spit(Backups("a") + "/Full Registry Backup_01-01-2026_00-00-00.reg", Version5(good));
  ASSERT_EQ(Run({"--prefix", dir, "backups", "restore",
                 "Full Registry Backup_01-01-2026_00-00-00.reg", "--json"}),
            0)
      << err_ << out_;
  EXPECT_NE(out_.find("\"committed\":true"), std::string::npos) << out_;
  const std::string reg = Slurp(dir + "/system.reg");
  EXPECT_NE(reg.find("\"Exp\"=str(2):\"%SystemRoot%\\\\\\xe9\"\n"), std::string::npos) << reg;
  EXPECT_NE(reg.find("\"Multi\"=str(7):\"a\\0b\\0\"\n"), std::string::npos) << reg;
  EXPECT_NE(reg.find("\"Text\"=\"Caf\\xe9 \\\"q\\\"\"\n"), std::string::npos) << reg;
  EXPECT_NE(reg.find("\"Wide\"=\"\\x4e2d\"\n"), std::string::npos) << reg;

  // A line that cannot be read: refused before anything changes.
  for (const std::u16string& bad :
       {head + u"\"Odd\"=hex(2):41,00,42\r\n", head + u"\"Broken\"=dword:xyz\r\n"}) {
    Spit(Backups("a") + "/Full Registry Backup_01-01-2026_00-00-01.reg", Version5(bad));
    EXPECT_EQ(Run({"--prefix", dir, "backups", "restore",
                   "Full Registry Backup_01-01-2026_00-00-01.reg"}),
              1);
    EXPECT_NE(err_.find("nothing was imported"), std::string::npos) << err_;
    EXPECT_EQ(Slurp(dir + "/system.reg"), reg);
  }
}

TEST_F(OfflineSession, NamesAndAttributesReadAsTheSystemReadsThem) {
  const std::string c = root_ + "/a/drive_c";
  mkdir((c + "/Caf\xc3\xa9").c_str(), 0755);               // "Café" in UTF-8
  Spit(c + "/Caf\xc3\xa9/Acc\xc3\xa9.hlp", "x");           // "Accé.hlp"
  mkdir((c + "/\xe6\x97\xa5\xe6\x9c\xac").c_str(), 0755);  // two CJK characters
  Spit(c + "/\xe6\x97\xa5\xe6\x9c\xac/x.txt", "x");
  mkdir((c + "/Bad\xff").c_str(), 0755);  // a host name that is no UTF-8
  Spit(c + "/Bad\xff/x.txt", "x");
  mkdir((c + "/Hidden").c_str(), 0755);
  const bool xattrs = setxattr((c + "/Hidden").c_str(), "user.DOSATTRIB", "0x12", 4, 0) == 0;
  OfflineFileSystem files;
  files.MapDrive('C', c);
  // The host's names, folded as Windows folds them.
  EXPECT_TRUE(files.FileExists("C:\\CAF\xc3\x89\\acc\xc3\x89.HLP"));
  EXPECT_FALSE(files.FileExists("C:\\Cafe\\Acce.hlp"));
  EXPECT_TRUE(files.FileExists("C:\\\xe6\x97\xa5\xe6\x9c\xac\\X.txt"));
  // Beside a host name that is no UTF-8, a name past ASCII is unknown:
  // present, never listed, never deleted; an ASCII one is simply missing.
  EXPECT_EQ(files.GetAttributes("C:\\Bad\xef\xbf\xbd\\x.txt"),
            OfflineFileSystem::kUnknownAttributes);
  EXPECT_FALSE(files.RemoveFile("C:\\Bad\xef\xbf\xbd\\x.txt"));
  EXPECT_EQ(files.GetAttributes("C:\\Bad\\x.txt"), kInvalidAttributes);
  std::string listed;
  for (const FindEntry& e : files.FindFiles("C:\\*", faAnyFile)) listed += e.name + "|";
  EXPECT_EQ(listed, "Caf\xc3\xa9|Hidden|\xe6\x97\xa5\xe6\x9c\xac|") << listed;
  if (xattrs) {
    EXPECT_EQ(files.GetAttributes("C:\\Hidden") & (faHidden | faSysFile), faHidden);
    EXPECT_TRUE(files.FindFiles("C:\\*", faDirectory).size() == 2);
  }
  // A prefix's letters are its dosdevices; a volume's others are unknown.
  EXPECT_EQ(files.GetAttributes("D:\\x.dll"), kInvalidAttributes);
  files.SetVolumeRules();
  EXPECT_EQ(files.GetAttributes("D:\\x.dll"), OfflineFileSystem::kUnknownAttributes);
  EXPECT_TRUE(files.FileExists("D:\\x.dll"));
}

}  // namespace
}  // namespace corvanta
