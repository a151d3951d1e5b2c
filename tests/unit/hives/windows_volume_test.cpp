// Finding the system, its hives and the profile on a mounted volume.
#include "offline/windows_volume.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "hive_fixture.h"
#include "platform/memory/memory_registry.h"

namespace corvanta {
namespace {

void MakeFolders(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
  }
}

// An empty hive at path with the given text values.
void Hive(const std::string& path, const RegistryChanges& changes, std::uint32_t root,
          const std::string& mount) {
  MakeFolders(path.substr(0, path.rfind('/')));
  testing::WriteEmptyHive(path);
  HiveStore store(path, root, mount);
  std::string error;
  ASSERT_TRUE(store.Write(changes, &error)) << error;
}

RegistryChanges Texts(std::uint32_t root, const std::string& path,
                      const std::vector<std::pair<std::string, std::string>>& values) {
  RegistryChanges out = {{RegistryChange::Op::kCreateKey, root, path, "", 0, {}}};
  for (const auto& v : values) {
    std::vector<std::uint8_t> data(v.second.begin(), v.second.end());
    data.push_back(0);
    out.push_back({RegistryChange::Op::kSetValue, root, path, v.first,
                   v.second.find('%') != std::string::npos ? kREG_EXPAND_SZ : kREG_SZ, data});
  }
  return out;
}

const char kCv[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char kUsf[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

TEST(WindowsVolume, FindsHivesProfileAndWhatTheSystemSays) {
  // An XP volume as a Linux mount shows it: names in any case.
  const std::string xp = testing::MakeScratchFolder();
  Hive(xp + "/WINDOWS/system32/config/software",
       Texts(kHKEY_LOCAL_MACHINE, kCv,
             {{"ProductName", "Microsoft Windows XP"}, {"SystemRoot", "D:\\WINDOWS"}}),
       kHKEY_LOCAL_MACHINE, "SOFTWARE");
  const std::string das = xp + "/Documents and Settings";
  Hive(das + "/Default User/NTUSER.DAT", {}, kHKEY_CURRENT_USER, "");
  Hive(das + "/LocalService/ntuser.dat", {}, kHKEY_CURRENT_USER, "");
  MakeFolders(das + "/All Users");
  const RegistryChanges user =
      Texts(kHKEY_CURRENT_USER, kUsf, {{"Desktop", "%USERPROFILE%\\Desktop"}});
  Hive(das + "/Ann/NTUSER.DAT", user, kHKEY_CURRENT_USER, "");
  Hive(das + "/Ann/Local Settings/Application Data/Microsoft/Windows/UsrClass.dat", {},
       kHKEY_CURRENT_USER, "Software\\Classes");

  WindowsVolume v;
  std::string error;
  ASSERT_TRUE(FindWindowsVolume(xp, "", &v, &error)) << error;
  EXPECT_EQ(v.softwareHive, xp + "/WINDOWS/system32/config/software");
  EXPECT_EQ(v.userHive, das + "/Ann/NTUSER.DAT");
  EXPECT_EQ(v.classesHive,
            das + "/Ann/Local Settings/Application Data/Microsoft/Windows/UsrClass.dat");
  EXPECT_EQ(v.versionName + ", " + v.userName, "Windows XP, Ann");
  EXPECT_EQ(v.drive, 'D');
  // A system profile is chosen only by name.
  ASSERT_TRUE(FindWindowsVolume(xp, "localservice", &v, &error)) << error;
  EXPECT_EQ(v.userName, "LocalService");
  EXPECT_TRUE(v.classesHive.empty());

  // The stores mount UsrClass.dat over NTUSER.DAT's classes.
  ASSERT_TRUE(FindWindowsVolume(xp, "ANN", &v, &error)) << error;
  const auto stores = v.MakeStores();
  ASSERT_EQ(stores.size(), 3u);
  const RegistryChange classes{
      RegistryChange::Op::kCreateKey, kHKEY_CURRENT_USER, "Software\\Classes\\.txt", "", 0, {}};
  EXPECT_FALSE(stores[1]->Owns(classes));
  EXPECT_TRUE(stores[2]->Owns(classes));
  MemoryRegistry reg;
  for (const auto& s : stores) ASSERT_TRUE(s->Load(reg, &error)) << error;
  EXPECT_TRUE(reg.HasValue(kHKEY_LOCAL_MACHINE, kCv, "ProductName"));
  EXPECT_TRUE(reg.HasValue(kHKEY_CURRENT_USER, kUsf, "Desktop"));

  // A later system: Users, AppData, and two people to choose from.
  const std::string w7 = testing::MakeScratchFolder();
  Hive(w7 + "/Windows/System32/config/SOFTWARE",
       Texts(kHKEY_LOCAL_MACHINE, kCv, {{"ProductName", "Windows 7 Professional"}}),
       kHKEY_LOCAL_MACHINE, "SOFTWARE");
  Hive(w7 + "/Users/Default/NTUSER.DAT", {}, kHKEY_CURRENT_USER, "");
  Hive(w7 + "/Users/bob/NTUSER.DAT", {}, kHKEY_CURRENT_USER, "");
  Hive(w7 + "/Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat", {}, kHKEY_CURRENT_USER,
       "Software\\Classes");
  ASSERT_TRUE(FindWindowsVolume(w7, "", &v, &error)) << error;
  EXPECT_EQ(v.versionName + ", " + v.userName, "Windows 7 Professional, bob");
  EXPECT_FALSE(v.classesHive.empty());
  Hive(w7 + "/Users/Cy/NTUSER.DAT", {}, kHKEY_CURRENT_USER, "");
  EXPECT_FALSE(FindWindowsVolume(w7, "", &v, &error));
  EXPECT_NE(error.find("several user profiles (Cy, bob); choose one with --user"),
            std::string::npos)
      << error;
  EXPECT_FALSE(FindWindowsVolume(w7, "dan", &v, &error));
  EXPECT_NE(error.find("no user profile dan (profiles: Cy, bob)"), std::string::npos) << error;
  ASSERT_TRUE(FindWindowsVolume(w7, "cy", &v, &error)) << error;
  EXPECT_EQ(v.userName, "Cy");
  // A Cyrillic profile, picked without regard to case.
  Hive(w7 + "/Users/\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD/NTUSER.DAT", {}, kHKEY_CURRENT_USER, "");
  ASSERT_TRUE(FindWindowsVolume(w7, "\xD0\xB8\xD0\x92\xD0\x90\xD0\x9D", &v, &error)) << error;
  EXPECT_EQ(v.userName, "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");
}

TEST(WindowsVolume, RefusesWhatIsNoSystemOrNoHive) {
  std::string error;
  WindowsVolume v;
  const std::string empty = testing::MakeScratchFolder();
  EXPECT_FALSE(FindWindowsVolume(empty + "/missing", "", &v, &error));
  EXPECT_FALSE(FindWindowsVolume(empty, "", &v, &error));
  EXPECT_NE(error.find("not a Windows system volume"), std::string::npos) << error;

  Hive(empty + "/WINNT/system32/config/SOFTWARE", {}, kHKEY_LOCAL_MACHINE, "SOFTWARE");
  EXPECT_FALSE(FindWindowsVolume(empty, "", &v, &error));
  EXPECT_NE(error.find("no user profile"), std::string::npos) << error;

  MakeFolders(empty + "/Documents and Settings/Ann");
  std::ofstream(empty + "/Documents and Settings/Ann/NTUSER.DAT") << "garbage";
  EXPECT_FALSE(FindWindowsVolume(empty, "", &v, &error));
  EXPECT_NE(error.find("Ann/NTUSER.DAT: hivex cannot open it as a hive"), std::string::npos)
      << error;
}

}  // namespace
}  // namespace corvanta
