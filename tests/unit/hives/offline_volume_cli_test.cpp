// corvanta-cli --offline DIR: a scan, a repair and a restore of a mounted
// Windows volume, read back from its hives through hivex.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli/native/offline_cli.h"
#include "hive_fixture.h"

namespace corvanta {
namespace {

using testing::FileBytes;

constexpr std::uint32_t HKLM = kHKEY_LOCAL_MACHINE;
constexpr std::uint32_t HKCU = kHKEY_CURRENT_USER;
const std::string kCv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

void MakeFolders(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
  }
}

// Every key and value of a hive, as "path" and "path|name" lines (the
// program's own settings key among them, were it ever written there).
void Dump(hive_h* h, hive_node_h node, const std::string& path, std::set<std::string>* out) {
  out->insert(path);
  hive_value_h* values = hivex_node_values(h, node);
  for (hive_value_h* v = values; v && *v; ++v) {
    char* name = hivex_value_key(h, *v);
    out->insert(path + "|" + name);
    free(name);
  }
  free(values);
  hive_node_h* children = hivex_node_children(h, node);
  for (hive_node_h* c = children; c && *c; ++c) {
    char* name = hivex_node_name(h, *c);
    Dump(h, *c, path + "\\" + name, out);
    free(name);
  }
  free(children);
}

std::set<std::string> Dump(const std::string& file) {
  testing::OpenHive hive(file);
  std::set<std::string> out;
  if (hive.h) Dump(hive.h, hivex_root(hive.h), "", &out);
  return out;
}

std::set<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::set<std::string> out;
  for (const std::string& s : a) {
    if (!b.count(s)) out.insert(s);
  }
  return out;
}

struct Volume {
  std::string dir = testing::MakeScratchFolder();
  std::string program = testing::MakeScratchFolder() + "/corvanta-cli";
  std::string software = dir + "/WINDOWS/system32/config/SOFTWARE";
  std::string ntuser = dir + "/Documents and Settings/Ann/NTUSER.DAT";
  std::string out, err;

  Volume() {
    MemoryRegistry r;
    r.SetString(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName",
                "Microsoft Windows XP");
    r.SetString(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
                "C:\\WINDOWS");
    r.SetString(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", "5.1");
    r.SetString(HKLM, kCv + "\\App Paths\\old.exe", "", "C:\\gone\\old.exe");
    r.SetString(HKLM, kCv + "\\App Paths\\tool.exe", "", "C:\\Tools\\tool.exe");
    r.SetDword(HKLM, kCv + "\\SharedDLLs", "C:\\gone\\shared.dll", 2);
    r.SetDword(HKLM, kCv + "\\SharedDLLs", "C:\\Tools\\tool.exe", 1);
    r.SetString(HKLM, kCv + "\\Run", "m", "C:\\gone\\m.exe /min");
    r.SetString(HKCU, kCv + "\\Run", "u", "\"C:\\gone\\u.exe\" -x");
    r.SetString(HKCU, kCv + "\\Run", "ok", "C:\\Tools\\tool.exe");
    MakeFolders(software.substr(0, software.rfind('/')));
    MakeFolders(ntuser.substr(0, ntuser.rfind('/')));
    MakeFolders(dir + "/Tools");
    std::ofstream(dir + "/Tools/tool.exe") << "MZ";
    testing::WriteEmptyHive(software);
    testing::WriteEmptyHive(ntuser);
    RegistryChanges all = testing::ChangesOf(r, HKLM, "SOFTWARE");
    for (RegistryChange& c : testing::ChangesOf(r, HKCU, "Software")) all.push_back(c);
    std::string error;
    HiveStore s(software, HKLM, "SOFTWARE"), u(ntuser, HKCU, "");
    EXPECT_TRUE(s.Write(all, &error)) << error;
    EXPECT_TRUE(u.Write(all, &error)) << error;
  }
  int operator()(std::vector<std::string> args) {
    args.insert(args.begin(), {"--offline", dir});
    std::ostringstream o, e;
    const int rc = RunOfflineCli(args, program, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
};

TEST(OfflineVolumeCli, ScanRepairAndRestoreThroughTheHives) {
  Volume v;
  ASSERT_EQ(v({"scan", "--sections", "1,2,5"}), 0) << v.err;
  EXPECT_NE(v.out.find("Offline: " + v.dir + " (Windows XP, user Ann)"), std::string::npos)
      << v.out;
  ASSERT_EQ(v({"scan", "--sections", "1,2,5", "--json"}), 0) << v.err;
  const auto doc = nlohmann::json::parse(v.out);
  EXPECT_EQ(doc["system"]["kind"], "windows-volume");
  EXPECT_EQ(doc["system"]["user"], "Ann");
  EXPECT_EQ(doc["system"]["windows"], "Windows XP");
  EXPECT_EQ(doc["total"], 4) << v.out;

  const std::set<std::string> software = Dump(v.software), user = Dump(v.ntuser);
  ASSERT_EQ(v({"repair", "--sections", "1,2,5", "--no-restore-point"}), 0) << v.err;
  EXPECT_NE(v.out.find("Total problems repaired: 4"), std::string::npos) << v.out;
  EXPECT_NE(v.err.find("their earlier copies are in"), std::string::npos) << v.err;
  // Exactly the deletions, nothing else.
  const std::string cv = "\\Microsoft\\Windows\\CurrentVersion";
  EXPECT_EQ(Minus(software, Dump(v.software)),
            (std::set<std::string>{cv + "\\App Paths\\old.exe", cv + "\\App Paths\\old.exe|",
                                   cv + "\\SharedDLLs|C:\\gone\\shared.dll", cv + "\\Run|m"}));
  EXPECT_TRUE(Minus(Dump(v.software), software).empty());
  EXPECT_EQ(Minus(user, Dump(v.ntuser)), (std::set<std::string>{"\\Software" + cv + "\\Run|u"}));
  EXPECT_TRUE(Minus(Dump(v.ntuser), user).empty());

  // Restoring the repair's backup offline brings every entry back.
  ASSERT_EQ(v({"backups", "list", "--json"}), 0) << v.err;
  const auto list = nlohmann::json::parse(v.out);
  ASSERT_EQ(list["backups"].size(), 1u) << v.out;
  ASSERT_EQ(v({"backups", "restore", list["backups"][0]["fileName"]}), 0) << v.err << v.out;
  EXPECT_EQ(Dump(v.software), software);
  EXPECT_EQ(Dump(v.ntuser), user);
  ASSERT_EQ(v({"scan", "--sections", "1,2,5", "--json"}), 0) << v.err;
  EXPECT_EQ(nlohmann::json::parse(v.out)["total"], 4);
}

// A class key only in the profile's UsrClass.dat is found through the merged
// HKEY_CLASSES_ROOT, deleted from that hive alone, and restored into it.
TEST(OfflineVolumeCli, UserClassesAreScannedAndRepairedInTheirHive) {
  Volume v;
  const std::string classes = v.dir +
                              "/Documents and Settings/Ann/Local Settings/Application "
                              "Data/Microsoft/Windows/UsrClass.dat";
  MakeFolders(classes.substr(0, classes.rfind('/')));
  testing::WriteEmptyHive(classes);
  MemoryRegistry r;
  r.SetString(HKCU, "Software\\Classes\\CLSID\\{0A}\\InprocServer32", "", "C:\\gone\\user.dll");
  r.SetString(HKCU, "Software\\Classes\\CLSID\\{0B}\\InprocServer32", "", "C:\\Tools\\tool.exe");
  std::string error;
  HiveStore store(classes, HKCU, "Software\\Classes");
  ASSERT_TRUE(store.Write(testing::ChangesOf(r, HKCU, "Software\\Classes"), &error)) << error;

  ASSERT_EQ(v({"scan", "--sections", "4", "--json"}), 0) << v.err;
  const auto doc = nlohmann::json::parse(v.out);
  ASSERT_EQ(doc["total"], 1) << v.out;
  EXPECT_NE(v.out.find("user.dll"), std::string::npos) << v.out;

  const std::set<std::string> software = Dump(v.software), user = Dump(v.ntuser),
                              before = Dump(classes);
  ASSERT_EQ(v({"repair", "--sections", "4", "--no-restore-point"}), 0) << v.err;
  const std::set<std::string> gone = Minus(before, Dump(classes));
  EXPECT_FALSE(gone.empty());
  for (const std::string& entry : gone) EXPECT_EQ(entry.rfind("\\CLSID\\{0A}", 0), 0u) << entry;
  EXPECT_TRUE(Minus(Dump(classes), before).empty());
  EXPECT_EQ(Dump(v.software), software);
  EXPECT_EQ(Dump(v.ntuser), user);

  ASSERT_EQ(v({"backups", "list", "--json"}), 0) << v.err;
  const auto list = nlohmann::json::parse(v.out);
  ASSERT_EQ(list["backups"].size(), 1u) << v.out;
  ASSERT_EQ(v({"backups", "restore", list["backups"][0]["fileName"]}), 0) << v.err << v.out;
  EXPECT_EQ(Dump(classes), before);
  EXPECT_EQ(Dump(v.software), software);
}

TEST(OfflineVolumeCli, RefusalsChangeNothing) {
  Volume v;
  EXPECT_EQ(v({"--user", "bob", "scan"}), 1);
  EXPECT_NE(v.err.find("no user profile bob (profiles: Ann)"), std::string::npos) << v.err;
  std::ostringstream o, e;
  EXPECT_EQ(RunOfflineCli({"--user", "Ann", "scan"}, v.program, o, e), 2);
  EXPECT_EQ(RunOfflineCli({"--offline", v.dir, "--prefix", v.dir, "scan"}, v.program, o, e), 2);

  // A hive with changes left in its log files: the repair is refused before
  // its backup, and no file changes.
  testing::MarkUnwrittenLog(v.software);
  const std::string dirty = FileBytes(v.software);
  const std::string user = FileBytes(v.ntuser);
  EXPECT_EQ(v({"repair", "--all", "--no-restore-point"}), 1);
  EXPECT_NE(v.err.find("log files"), std::string::npos) << v.err;
  EXPECT_EQ(FileBytes(v.software), dirty);
  EXPECT_EQ(FileBytes(v.ntuser), user);
  struct stat st {};
  EXPECT_NE(stat((v.program.substr(0, v.program.rfind('/')) + "/Backup").c_str(), &st), 0);

  // A hive hivex cannot open: nothing is scanned.
  std::ofstream(v.ntuser, std::ios::binary) << "garbage";
  EXPECT_EQ(v({"scan"}), 1);
  EXPECT_NE(v.err.find("hivex cannot open it as a hive"), std::string::npos) << v.err;
}

}  // namespace
}  // namespace corvanta
