// HiveStore: what the hive holds is what the wide registry calls would show,
// in UTF-8, and what it writes is exactly the changes, replacing the file
// whole.
#include "platform/offline/hive/hive_store.h"

#include <gtest/gtest.h>
#include <hivex.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "hive_fixture.h"
#include "platform/memory/memory_registry.h"
#include "platform/offline/recording_registry.h"

namespace corvanta {
namespace {

using testing::FileBytes;
using testing::OpenHive;
using testing::TestHives;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s, bool nul = true) {
  Bytes b(s.begin(), s.end());
  if (nul) b.push_back(0);
  return b;
}

RegistryChange Set(const std::string& path, const std::string& name, std::uint32_t type,
                   const Bytes& data) {
  return {RegistryChange::Op::kSetValue, kHKEY_LOCAL_MACHINE, path, name, type, data};
}

RegistryChange Key(RegistryChange::Op op, const std::string& path,
                   std::uint32_t root = kHKEY_LOCAL_MACHINE) {
  return {op, root, path, "", 0, {}};
}

TEST(HiveStore, NamesTypesAndDataRoundTripInUtf8) {
  TestHives hives;
  const std::string k = "SOFTWARE\\Vendor\\Caf\xC3\xA9 \xE2\x82\xAC";  // é and € (not Latin-1)
  struct Case {
    std::string name;
    std::uint32_t type;
    Bytes data;
  };
  const std::vector<Case> cases = {
      {"", kREG_SZ, Text("C:\\Program Files\\Caf\xC3\xA9\\a.exe")},
      {"Expand", kREG_EXPAND_SZ, Text("%SystemRoot%\\\xE2\x82\xAC.dll")},
      {"NoNul", kREG_SZ, Text("C:\\x", false)},
      {"Empty", kREG_SZ, {}},
      {"Multi", kREG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
      {"Dword", kREG_DWORD, {1, 2, 3, 4}},
      {"Binary", kREG_BINARY, {0, 0xFF, 0x80}},
      {"Odd type", 0x12345, {9, 8, 7}},
      {"Big", kREG_BINARY, Bytes(40000, 0xAB)},  // beyond one data cell
      {"\xC3\x84pfel \xC5\x93", kREG_SZ, Text("\xC3\xBF")},
  };
  RegistryChanges changes = {Key(RegistryChange::Op::kCreateKey, k)};
  for (const Case& c : cases) changes.push_back(Set(k, c.name, c.type, c.data));
  // Changes elsewhere are another store's.
  changes.push_back(Key(RegistryChange::Op::kCreateKey, "SYSTEM\\Other"));
  changes.push_back(Key(RegistryChange::Op::kCreateKey, "Software\\Other", kHKEY_CURRENT_USER));
  std::string error;
  ASSERT_TRUE(hives.software.Write(changes, &error)) << error;

  MemoryRegistry reg;
  ASSERT_TRUE(hives.software.Load(reg, &error)) << error;
  for (const Case& c : cases) {
    EXPECT_TRUE(reg.HasValue(kHKEY_LOCAL_MACHINE, k, c.name)) << c.name;
    EXPECT_EQ(reg.GetRaw(kHKEY_LOCAL_MACHINE, k, c.name), c.data) << c.name;
  }
  EXPECT_FALSE(reg.HasKey(kHKEY_LOCAL_MACHINE, "SYSTEM\\Other"));
  EXPECT_FALSE(reg.HasKey(kHKEY_CURRENT_USER, "Software\\Other"));

  // In the file, names are Unicode and strings UTF-16LE, as Windows keeps them.
  OpenHive hive(hives.software.FilePath());
  const hive_value_h v = hive.Value({"Vendor", "Caf\xC3\xA9 \xE2\x82\xAC"}, "Expand");
  ASSERT_NE(v, 0u);
  hive_type t;
  std::size_t len = 0;
  char* raw = hivex_value_value(hive.h, v, &t, &len);
  EXPECT_EQ(std::string(raw, len),
            std::string("%\0S\0y\0s\0t\0e\0m\0R\0o\0o\0t\0%\0\\\0\xAC\x20.\0d\0l\0l\0\0\0", 38));
  free(raw);

  // A character the code page lacks reads as itself, in names and in data.
  hive_h* w = hivex_open(hives.software.FilePath().c_str(), HIVEX_OPEN_WRITE);
  ASSERT_NE(w, nullptr);
  const hive_node_h omega = hivex_node_add_child(w, hivex_root(w), "\xCE\xA9mega");
  char data[] = {'\xA9', '\x03', 'x', '\0', '\0', '\0'};
  hive_set_value sv{const_cast<char*>("\xCE\xA9"), hive_t_REG_SZ, sizeof data, data};
  ASSERT_EQ(hivex_node_set_value(w, omega, &sv, 0), 0);
  ASSERT_EQ(hivex_commit(w, nullptr, 0), 0);
  hivex_close(w);
  MemoryRegistry again;
  ASSERT_TRUE(hives.software.Load(again, &error)) << error;
  EXPECT_EQ(again.GetRaw(kHKEY_LOCAL_MACHINE, "SOFTWARE\\\xCE\xA9mega", "\xCE\xA9"),
            Text("\xCE\xA9x"));
}

TEST(HiveStore, WritesExactlyTheDeletionsAndReplacesTheFile) {
  TestHives hives;
  const std::string a = "SOFTWARE\\A", b = "SOFTWARE\\A\\B";
  std::string error;
  ASSERT_TRUE(hives.software.Write(
      {Key(RegistryChange::Op::kCreateKey, b),
       Key(RegistryChange::Op::kCreateKey, "SOFTWARE\\A\\C"), Set(a, "one", kREG_SZ, Text("1")),
       Set(a, "two", kREG_SZ, Text("2")), Set(a, "three", kREG_DWORD, {3, 0, 0, 0}),
       Set(b, "deep", kREG_SZ, Text("d"))},
      &error))
      << error;
  struct stat before {};
  ASSERT_EQ(stat(hives.software.FilePath().c_str(), &before), 0);

  RegistryChange dropTwo = Set("software\\a", "TWO", 0, {});
  dropTwo.op = RegistryChange::Op::kDeleteValue;
  ASSERT_TRUE(hives.software.Write({dropTwo, Key(RegistryChange::Op::kDeleteKey, "Software\\a\\b"),
                                    Set(a, "one", kREG_SZ, Text("uno"))},
                                   &error))
      << error;
  struct stat after {};
  ASSERT_EQ(stat(hives.software.FilePath().c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // a new file, renamed over the hive
  EXPECT_FALSE(std::ifstream(hives.software.FilePath() + ".new").good());

  MemoryRegistry reg;
  ASSERT_TRUE(hives.software.Load(reg, &error)) << error;
  EXPECT_FALSE(reg.HasKey(kHKEY_LOCAL_MACHINE, b));
  EXPECT_TRUE(reg.HasKey(kHKEY_LOCAL_MACHINE, "SOFTWARE\\A\\C"));
  EXPECT_FALSE(reg.HasValue(kHKEY_LOCAL_MACHINE, a, "two"));
  EXPECT_EQ(reg.GetRaw(kHKEY_LOCAL_MACHINE, a, "one"), Text("uno"));
  EXPECT_EQ(reg.GetRaw(kHKEY_LOCAL_MACHINE, a, "three"), Bytes({3, 0, 0, 0}));
  // Values keep their order in the key.
  OpenHive hive(hives.software.FilePath());
  hive_value_h* values = hivex_node_values(hive.h, hive.Node({"A"}));
  ASSERT_NE(values, nullptr);
  std::vector<std::string> names;
  for (hive_value_h* v = values; *v; ++v) {
    char* n = hivex_value_key(hive.h, *v);
    names.push_back(n);
    free(n);
  }
  free(values);
  EXPECT_EQ(names, std::vector<std::string>({"one", "three"}));
}

TEST(HiveStore, RefusalsLeaveTheFileAsItWas) {
  TestHives hives;
  std::string error;
  const std::string file = hives.software.FilePath();
  ASSERT_TRUE(hives.software.Write({Key(RegistryChange::Op::kCreateKey, "SOFTWARE\\A")}, &error));
  const std::string original = FileBytes(file);
  const RegistryChanges drop = {Key(RegistryChange::Op::kDeleteKey, "SOFTWARE\\A")};

  // The new file cannot be made beside the hive.
  ASSERT_EQ(mkdir((file + ".new").c_str(), 0755), 0);
  EXPECT_FALSE(hives.software.Write(drop, &error));
  EXPECT_NE(error.find(file), std::string::npos) << error;
  EXPECT_EQ(FileBytes(file), original);
  rmdir((file + ".new").c_str());

  // The hive's own root, and a value in a key the hive lacks.
  EXPECT_FALSE(hives.software.Write({Key(RegistryChange::Op::kDeleteKey, "SOFTWARE")}, &error));
  EXPECT_FALSE(hives.software.Write({Set("SOFTWARE\\Nope", "x", kREG_SZ, Text("x"))}, &error));
  EXPECT_EQ(FileBytes(file), original);

  // A hive whose log files hold changes it lacks (sequence numbers differ).
  testing::MarkUnwrittenLog(file);
  const std::string dirty = FileBytes(file);
  EXPECT_FALSE(hives.software.Write(drop, &error));
  EXPECT_NE(error.find("log files"), std::string::npos) << error;
  EXPECT_EQ(FileBytes(file), dirty);

  // A file that is no hive: nothing loads, nothing is written.
  std::ofstream(file, std::ios::binary) << "not a hive";
  MemoryRegistry reg;
  EXPECT_FALSE(hives.software.Load(reg, &error));
  EXPECT_NE(error.find(file), std::string::npos) << error;
  EXPECT_FALSE(CheckHive(file).empty());
  EXPECT_FALSE(hives.software.Write(drop, &error));
  EXPECT_EQ(FileBytes(file), "not a hive");
}

}  // namespace
}  // namespace corvanta

namespace corvanta {
namespace {

// A key flagged as a link with a REG_LINK "SymbolicLinkValue" is reported,
// and a deletion through it reaches its target; the same value on a key
// without the flag is mere data.
TEST(HiveStoreLinks, AFlaggedLinkKeyIsFollowed) {
  testing::TestHives hives;
  const std::string target = "\\Registry\\Machine\\Software\\Classes";
  std::vector<std::uint8_t> utf16;
  for (char c : target) utf16.insert(utf16.end(), {static_cast<std::uint8_t>(c), 0});
  const RegistryChanges fill = {
      {RegistryChange::Op::kCreateKey,
       kHKEY_LOCAL_MACHINE,
       "SOFTWARE\\Classes\\CLSID\\{A}",
       "",
       0,
       {}},
      {RegistryChange::Op::kCreateKey, kHKEY_LOCAL_MACHINE, "SOFTWARE\\Link", "", 0, {}},
      {RegistryChange::Op::kCreateKey, kHKEY_LOCAL_MACHINE, "SOFTWARE\\Plain", "", 0, {}},
      {RegistryChange::Op::kSetValue, kHKEY_LOCAL_MACHINE, "SOFTWARE\\Link", "SymbolicLinkValue",
       kREG_LINK, utf16},
      {RegistryChange::Op::kSetValue, kHKEY_LOCAL_MACHINE, "SOFTWARE\\Plain", "SymbolicLinkValue",
       kREG_LINK, utf16},
  };
  std::string error;
  ASSERT_TRUE(hives.software.Write(fill, &error)) << error;
  ASSERT_TRUE(testing::MarkAsLink(hives.software.FilePath(), {"Link"}));

  MemoryRegistry memory;
  ASSERT_TRUE(hives.software.Load(memory, &error)) << error;
  const std::vector<RegistryLink> links = hives.software.Links();
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].path, "SOFTWARE\\Link");
  EXPECT_EQ(links[0].target, target);

  RecordingRegistry reg(memory);
  ASSERT_TRUE(reg.AddLink(links[0].root, links[0].path, links[0].target));
  RegKey key = 0;
  ASSERT_EQ(reg.OpenKeyEx(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Link\\CLSID\\{A}", kKEY_READ, &key), 0);
  reg.CloseKey(key);
  ASSERT_EQ(reg.DeleteKey(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Link\\CLSID\\{A}"), 0);
  ASSERT_TRUE(hives.software.Write(reg.Changes(), &error)) << error;
  testing::OpenHive h(hives.software.FilePath());
  EXPECT_EQ(h.Node({"Classes", "CLSID", "{A}"}), 0u);
  EXPECT_NE(h.Node({"Classes", "CLSID"}), 0u);
  EXPECT_NE(h.Value({"Link"}, "SymbolicLinkValue"), 0u);
}

}  // namespace
}  // namespace corvanta
