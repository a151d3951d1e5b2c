// What only the memory registry can show: its test hooks, value order,
// handle bookkeeping, and the order in which the accessor deletes subkeys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/registry.h"

namespace corvanta {
namespace {

TEST(MemoryRegistry, SeedingHelpersAndValueOrder) {
  MemoryRegistry mem;
  mem.SetString(kHKEY_LOCAL_MACHINE, "Software\\\\App\\", "Zeta", "z");
  mem.SetDword(kHKEY_LOCAL_MACHINE, "SOFTWARE\\app", "alpha", 7);
  mem.SetExpandString(kHKEY_LOCAL_MACHINE, "Software\\App", "Mid", "%X%");
  mem.SetRaw(kHKEY_LOCAL_MACHINE, "Software\\App", "zeta", kREG_BINARY, {1});  // overwrites
  mem.CreateKey(kHKEY_CLASSES_ROOT, ".txt");
  EXPECT_TRUE(mem.HasKey(kHKEY_LOCAL_MACHINE, "software\\classes\\.TXT"));
  EXPECT_TRUE(mem.HasValue(kHKEY_LOCAL_MACHINE, "Software\\App", "ALPHA"));
  EXPECT_EQ((std::vector<std::uint8_t>{7, 0, 0, 0}),
            mem.GetRaw(kHKEY_LOCAL_MACHINE, "Software\\App", "alpha"));
  EXPECT_EQ((std::vector<std::uint8_t>{'%', 'X', '%', 0}),
            mem.GetRaw(kHKEY_LOCAL_MACHINE, "Software\\App", "Mid"));

  TRegistry reg(mem);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("\\Software\\App", false));
  // Values keep their insertion order (and first spelling) here, unlike Wine.
  EXPECT_EQ((std::vector<std::string>{"Zeta", "alpha", "Mid"}), reg.GetValueNames());
  EXPECT_EQ(kREG_BINARY, reg.GetDataType("Zeta"));
}

TEST(MemoryRegistry, DeniedOpensAndFailingEnumeration) {
  MemoryRegistry mem;
  mem.SetString(kHKEY_LOCAL_MACHINE, "Software\\Locked", "v", "x");
  mem.DenyOpen(kHKEY_LOCAL_MACHINE, "Software\\Locked", kKEY_SET_VALUE);

  TRegistry full(mem);
  full.SetRootKey(kHKEY_LOCAL_MACHINE);
  EXPECT_FALSE(full.OpenKey("\\Software\\Locked", false));
  EXPECT_FALSE(full.OpenKey("\\Software\\Locked", true));
  EXPECT_TRUE(full.KeyExists("\\Software\\Locked"));  // refused, yet there
  TRegistry reader(mem, kKEY_READ);
  reader.SetRootKey(kHKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reader.OpenKey("\\Software\\Locked", false));
  EXPECT_EQ("x", reader.ReadString("v"));

  // Counts say there is something; every index fails: the lists stop at once.
  mem.SetString(kHKEY_LOCAL_MACHINE, "Software\\Perf\\009", "Counter", "1");
  mem.CreateKey(kHKEY_LOCAL_MACHINE, "Software\\Perf\\009\\Sub");
  mem.FailEnumeration(kHKEY_LOCAL_MACHINE, "Software\\Perf\\009");
  ASSERT_TRUE(reader.OpenKey("\\Software\\Perf\\009", false));
  EXPECT_TRUE(reader.HasSubKeys());
  EXPECT_EQ(1u, reader.ValueCount());
  EXPECT_TRUE(reader.GetKeyNames().empty());
  EXPECT_TRUE(reader.GetValueNames().empty());
  EXPECT_EQ("1", reader.ReadString("Counter"));
}

TEST(MemoryRegistry, AccessorLeavesNoHandleOpen) {
  MemoryRegistry mem;
  {
    TRegistry reg(mem);
    ASSERT_TRUE(reg.OpenKey("\\Software\\A\\B\\C", true));
    ASSERT_TRUE(reg.OpenKey("\\Software\\A\\D", true));
    EXPECT_EQ(1u, mem.OpenHandleCount());
    EXPECT_TRUE(reg.KeyExists("\\Software\\A\\B"));
    EXPECT_FALSE(reg.OpenKey("Missing", false));
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_TRUE(reg.DeleteKey("A"));
    EXPECT_EQ(1u, mem.OpenHandleCount());
    reg.SetRootKey(kHKEY_LOCAL_MACHINE);
    EXPECT_EQ(0u, mem.OpenHandleCount());
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
  }
  EXPECT_EQ(0u, mem.OpenHandleCount());
}

// Records the DeleteKey calls the accessor makes.
class RecordingRegistry : public MemoryRegistry {
 public:
  std::int32_t DeleteKey(RegKey key, const std::string& subKey) override {
    deleted.push_back(subKey);
    return MemoryRegistry::DeleteKey(key, subKey);
  }
  std::vector<std::string> deleted;
};

TEST(TRegistryDeleteKey, SubkeysGoFromTheLastIndexDown) {
  RecordingRegistry mem;
  for (const char* path : {"T\\a", "T\\b\\x", "T\\b\\y", "T\\c"}) {
    mem.CreateKey(kHKEY_CURRENT_USER, path);
  }
  TRegistry reg(mem);
  EXPECT_TRUE(reg.DeleteKey("\\T\\"));
  EXPECT_EQ((std::vector<std::string>{"c", "y", "x", "b", "a", "T"}), mem.deleted);
  EXPECT_FALSE(mem.HasKey(kHKEY_CURRENT_USER, "T"));

  // A subkey that refuses to open keeps the key from going; the rest goes.
  mem.deleted.clear();
  mem.CreateKey(kHKEY_CURRENT_USER, "U\\free");
  mem.CreateKey(kHKEY_CURRENT_USER, "U\\held\\inner");
  mem.DenyOpen(kHKEY_CURRENT_USER, "U\\held", kKEY_QUERY_VALUE);
  EXPECT_FALSE(reg.DeleteKey("U"));
  EXPECT_TRUE(mem.HasKey(kHKEY_CURRENT_USER, "U\\held\\inner"));
  EXPECT_FALSE(mem.HasKey(kHKEY_CURRENT_USER, "U\\free"));
}

TEST(MemoryRegistry, DeniedDeletionsKeepKeyAndValues) {
  MemoryRegistry mem;
  mem.SetString(kHKEY_LOCAL_MACHINE, "Software\\Kept", "v", "x");
  mem.DenyDelete(kHKEY_LOCAL_MACHINE, "Software\\Kept");
  TRegistry reg(mem);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Kept", false));  // opens with full rights
  EXPECT_FALSE(reg.DeleteValue("v"));
  reg.CloseKey();
  EXPECT_FALSE(reg.DeleteKey("\\Software\\Kept"));
  EXPECT_TRUE(mem.HasValue(kHKEY_LOCAL_MACHINE, "Software\\Kept", "v"));
}

}  // namespace
}  // namespace corvanta
