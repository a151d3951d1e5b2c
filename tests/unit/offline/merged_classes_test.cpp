// HKEY_CLASSES_ROOT merged from the user's and the machine's classes: what a
// read and an enumeration show, and which copy a write, a new key and a
// deletion reach (checked in the change recorded for the registry files).
#include "platform/offline/merged_classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/offline/recording_registry.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKCR = kHKEY_CLASSES_ROOT, HKCU = kHKEY_CURRENT_USER,
                        HKLM = kHKEY_LOCAL_MACHINE;

struct Classes {
  MemoryRegistry memory;
  RecordingRegistry recording{memory};
  MergedClassesRegistry reg{recording};
  Classes() {
    memory.SetString(HKLM, "Software\\Classes\\Both", "a", "m");
    memory.SetString(HKLM, "Software\\Classes\\Both", "b", "m");
    memory.CreateKey(HKLM, "Software\\Classes\\Both\\M1");
    memory.CreateKey(HKLM, "Software\\Classes\\Both\\Shared");
    memory.SetString(HKLM, "Software\\Classes\\MachineOnly", "y", "m");
    memory.SetString(HKCU, "Software\\Classes\\Both", "c", "u");
    memory.SetString(HKCU, "Software\\Classes\\Both", "b", "u");
    memory.CreateKey(HKCU, "Software\\Classes\\Both\\shared");
    memory.CreateKey(HKCU, "Software\\Classes\\Both\\U1");
    memory.SetString(HKCU, "Software\\Classes\\UserOnly", "x", "u");
    memory.CreateKey(HKCU, "Software\\Classes\\UserOnly\\Sub");
    reg.SetMerging(true);
  }
  std::string Text(const std::string& path, const std::string& name) {
    RegKey key = 0;
    if (reg.OpenKeyEx(HKCR, path, kKEY_READ, &key)) return "(no key)";
    char data[16] = {};
    std::uint32_t size = sizeof data;
    const std::int32_t rc =
        reg.QueryValueEx(key, name, nullptr, reinterpret_cast<std::uint8_t*>(data), &size);
    reg.CloseKey(key);
    return rc ? "(none)" : data;
  }
  // The subkeys, then "|" and the values, as enumerated.
  std::string List(const std::string& path) {
    RegKey key = 0;
    if (reg.OpenKeyEx(HKCR, path, kKEY_READ, &key)) return "(no key)";
    RegKeyInfo info;
    EXPECT_EQ(reg.QueryInfoKey(key, &info), 0);
    std::string out;
    char name[32];
    std::uint32_t i = 0, len = sizeof name;
    for (; reg.EnumKeyEx(key, i, name, &len) == 0; ++i, len = sizeof name)
      out += std::string(name) + " ";
    EXPECT_EQ(i, info.subKeys) << path;
    out += "|";
    for (i = 0; reg.EnumValue(key, i, name, &len, nullptr, nullptr, nullptr) == 0;
         ++i, len = sizeof name)
      out += std::string(" ") + name;
    EXPECT_EQ(i, info.values) << path;
    reg.CloseKey(key);
    return out;
  }
};

TEST(MergedClasses, ReadsShowTheUsersCopyOverTheMachines) {
  Classes c;
  EXPECT_EQ(c.List(""), "Both MachineOnly UserOnly |");
  EXPECT_EQ(c.List("Both"), "M1 shared U1 | c b a");
  EXPECT_EQ(c.List("\\UserOnly"), "Sub | x");
  const struct {
    const char *path, *name, *text;
  } kReads[] = {
      {"Both", "a", "m"},          {"Both", "b", "u"},        {"Both", "c", "u"},
      {"UserOnly", "x", "u"},      {"MachineOnly", "y", "m"}, {"Both\\Shared", "", "(none)"},
      {"Nowhere", "", "(no key)"},
  };
  for (const auto& r : kReads) EXPECT_EQ(c.Text(r.path, r.name), r.text) << r.path << " " << r.name;

  // Without merging the classes root is the machine's alone.
  c.reg.SetMerging(false);
  EXPECT_EQ(c.Text("UserOnly", "x"), "(no key)");
  EXPECT_EQ(c.Text("Both", "b"), "m");
}

TEST(MergedClasses, ChangesReachTheCopyThatHoldsTheKey) {
  enum Op { kSet, kCreate, kDeleteValue, kDeleteKey };
  const struct {
    Op op;
    const char *path, *name;
    std::uint32_t root;   // where the change lands, 0 when refused
    const char* landsAt;  // below root
  } kChanges[] = {
      {kSet, "Both", "z", HKCU, "Software\\Classes\\Both"},
      {kSet, "MachineOnly", "z", HKLM, "Software\\Classes\\MachineOnly"},
      {kCreate, "Both\\New", "", HKLM, "Software\\Classes\\Both\\New"},
      {kCreate, "UserOnly\\New", "", HKCU, "Software\\Classes\\UserOnly\\New"},
      {kCreate, "UserOnly\\A\\B", "", HKCU, "Software\\Classes\\UserOnly\\A\\B"},
      {kCreate, "Fresh", "", HKLM, "Software\\Classes\\Fresh"},
      {kDeleteValue, "Both", "a", HKLM, "Software\\Classes\\Both"},
      {kDeleteValue, "Both", "b", HKCU, "Software\\Classes\\Both"},
      {kDeleteKey, "Both\\Shared", "", HKCU, "Software\\Classes\\Both\\Shared"},
      {kDeleteKey, "Both\\Shared", "", HKLM, "Software\\Classes\\Both\\Shared"},
      {kDeleteKey, "UserOnly\\Sub", "", HKCU, "Software\\Classes\\UserOnly\\Sub"},
      {kDeleteKey, "", "", 0, ""},
  };
  Classes c;
  for (const auto& t : kChanges) {
    c.recording.ClearChanges();
    RegKey key = 0;
    std::int32_t rc = 0;
    std::uint32_t how = 0;
    const std::uint8_t data[] = {'v', 0};
    switch (t.op) {
      case kSet:
        ASSERT_EQ(c.reg.OpenKeyEx(HKCR, t.path, kKEY_ALL_ACCESS, &key), 0) << t.path;
        rc = c.reg.SetValueEx(key, t.name, kREG_SZ, data, sizeof data);
        break;
      case kCreate:
        rc = c.reg.CreateKeyEx(HKCR, t.path, kKEY_ALL_ACCESS, &key, &how);
        EXPECT_EQ(how, kREG_CREATED_NEW_KEY) << t.path;
        break;
      case kDeleteValue:
        ASSERT_EQ(c.reg.OpenKeyEx(HKCR, t.path, kKEY_ALL_ACCESS, &key), 0) << t.path;
        rc = c.reg.DeleteValue(key, t.name);
        break;
      case kDeleteKey:
        rc = c.reg.DeleteKey(HKCR, t.path);
        break;
    }
    if (key) c.reg.CloseKey(key);
    if (!t.root) {
      EXPECT_NE(rc, 0) << t.path;
      EXPECT_TRUE(c.recording.Changes().empty()) << t.path;
      continue;
    }
    ASSERT_EQ(rc, 0) << t.path << " " << t.name;
    ASSERT_FALSE(c.recording.Changes().empty()) << t.path;
    EXPECT_EQ(c.recording.Changes().back().root, t.root) << t.path << " " << t.name;
    EXPECT_EQ(c.recording.Changes().back().path, t.landsAt) << t.path << " " << t.name;
  }
  // What the deletions leave visible: the machine's b once the user's is gone.
  EXPECT_EQ(c.Text("Both", "b"), "m");
  EXPECT_EQ(c.Text("Both", "z"), "v");
  EXPECT_EQ(c.List("Both"), "M1 New U1 | c z b");
}

}  // namespace
}  // namespace corvanta
