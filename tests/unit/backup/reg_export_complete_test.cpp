// The writer's answer whether everything that exists reached the lines; the
// lines themselves stay as they were.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "backup/reg_export.h"
#include "platform/memory/memory_registry.h"
#include "platform/registry.h"
#include "support/scan_faulty_registry.h"

namespace corvanta {
namespace {

using Lines = std::vector<std::string>;
constexpr std::uint32_t HKLM = kHKEY_LOCAL_MACHINE;

// Every query of a chosen value name fails, the type query included.
class UnqueryableRegistry : public FaultyReadRegistry {
 public:
  using FaultyReadRegistry::FaultyReadRegistry;
  std::set<std::string> names;
  std::int32_t QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* dataLen) override {
    if (names.count(name) != 0) return kERROR_CANTREAD;
    return FaultyReadRegistry::QueryValueEx(key, name, type, data, dataLen);
  }
};

struct Export {
  Lines lines;
  bool complete;
};
Export ExportOf(RegistryApi& api, const std::string& path, const std::string& value = "") {
  Export e;
  e.complete = ExportRegKey(api, HKLM, path, value, e.lines);
  return e;
}

TEST(ExportComplete, KeysRefusingFullAccessAndValuesThatCannotBeQueried) {
  MemoryRegistry mem;
  UnqueryableRegistry reg(mem);
  mem.SetString(HKLM, "K", "v", "x");
  mem.SetString(HKLM, "K\\sub", "w", "y");
  mem.SetString(HKLM, "K\\sub\\deeper", "z", "1");

  Export e = ExportOf(reg, "K");
  EXPECT_TRUE(e.complete);
  EXPECT_TRUE(ExportOf(reg, "K", "v").complete);
  EXPECT_TRUE(ExportOf(reg, "K", "absent").complete);
  EXPECT_TRUE(ExportOf(reg, "Nope").complete);
  EXPECT_TRUE(ExportOf(reg, "Nope", "v").complete);

  // Open to the shared accessor's rights, not to full access.
  mem.DenyOpen(HKLM, "K\\sub", kKEY_CREATE_LINK);
  e = ExportOf(reg, "K");
  EXPECT_FALSE(e.complete);
  EXPECT_EQ(e.lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\K]", "\"v\"=\"x\"", "",
                            "[HKEY_LOCAL_MACHINE\\K\\sub]"}));
  e = ExportOf(reg, "K\\sub", "w");
  EXPECT_FALSE(e.complete);
  EXPECT_EQ(e.lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\K\\sub]"}));
  EXPECT_TRUE(ExportOf(reg, "K\\sub", "absent").complete);
  mem.DenyOpen(HKLM, "K\\sub\\deeper", kKEY_QUERY_VALUE);
  EXPECT_FALSE(ExportOf(reg, "K\\sub\\deeper", "absent").complete);  // cannot tell

  reg.names.insert("v");
  e = ExportOf(reg, "K", "v");
  EXPECT_FALSE(e.complete);
  EXPECT_EQ(e.lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\K]"}));
  MemoryRegistry other;
  UnqueryableRegistry two(other);
  other.SetString(HKLM, "B", "v", "x");
  other.SetString(HKLM, "B", "ok", "y");
  two.names.insert("v");
  e = ExportOf(two, "B");
  EXPECT_FALSE(e.complete);
  EXPECT_EQ(e.lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\B]", "\"ok\"=\"y\""}));

  // Names the enumeration does not hand out are missing too.
  MemoryRegistry enumerated;
  enumerated.SetString(HKLM, "E", "v", "x");
  enumerated.FailEnumeration(HKLM, "E");
  e = ExportOf(enumerated, "E");
  EXPECT_FALSE(e.complete);
  EXPECT_EQ(e.lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\E]"}));
  EXPECT_FALSE(ExportOf(enumerated, "E", "v").complete);
  EXPECT_TRUE(ExportOf(enumerated, "E", "absent").complete);
  EXPECT_EQ(mem.OpenHandleCount() + other.OpenHandleCount() + enumerated.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace corvanta
