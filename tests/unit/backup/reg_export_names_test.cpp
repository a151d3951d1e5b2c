// Key and value names holding CR or LF cannot be written as one line: the
// export raises instead, and a repair keeps such an entry.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/widget_pages.h"
#include "backup/reg_export.h"
#include "platform/memory/memory_platform.h"
#include "platform/registry.h"
#include "results/repair.h"
#include "ui/headless/headless_ui.h"

namespace corvanta {
namespace {

using Lines = std::vector<std::string>;
constexpr std::uint32_t HKLM = kHKEY_LOCAL_MACHINE;

TEST(ExportNames, NamesWithLineBreaksRaiseAndLeaveEarlierLines) {
  MemoryRegistry reg;
  reg.SetString(HKLM, "V", "a", "1");
  reg.SetString(HKLM, "V", "bad\r\n[HKEY_LOCAL_MACHINE\\X]", "2");
  reg.SetString(HKLM, "V", "lf\n", "3");
  Lines lines;
  EXPECT_THROW(ExportRegKey(reg, HKLM, "V", "", lines), ERegistryException);
  EXPECT_EQ(lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\V]", "\"a\"=\"1\""}));
  lines.clear();
  EXPECT_THROW(ExportRegKey(reg, HKLM, "V", "lf\n", lines), ERegistryException);
  EXPECT_EQ(lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\V]"}));
  // Another value's name does not matter for a single value.
  lines.clear();
  EXPECT_TRUE(ExportRegKey(reg, HKLM, "V", "a", lines));
  EXPECT_EQ(lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\V]", "\"a\"=\"1\""}));

  MemoryRegistry keys;
  keys.SetString(HKLM, "K", "v", "x");
  keys.SetString(HKLM, "K\\a\rb", "w", "y");
  keys.SetString(HKLM, "K\\z", "u", "1");
  lines.clear();
  EXPECT_THROW(ExportRegKey(keys, HKLM, "K", "", lines), ERegistryException);
  EXPECT_EQ(lines, (Lines{"", "[HKEY_LOCAL_MACHINE\\K]", "\"v\"=\"x\""}));
  lines.clear();
  EXPECT_THROW(ExportRegKey(keys, HKLM, "K\\a\rb", "w", lines), ERegistryException);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(keys.OpenHandleCount(), 0u);
}

TEST(ExportNames, RepairKeepsEntriesWhoseNamesHoldLineBreaks) {
  MemoryPlatform p;
  TRegistry shared(p.registry, 0x2001F);
  HeadlessUi ui;
  p.files.AddFolder("C:\\Program Files\\Corvanta");
  ui.View().main.cbBackup->SetChecked(true);
  ui.View().main.cbSysRestore->SetChecked(false);
  p.registry.SetString(HKLM, "Software\\A", "v\n[HKEY_LOCAL_MACHINE\\Evil]", "C:\\gone.exe");
  p.registry.SetString(HKLM, "Software\\B\r", "w", "x");
  p.registry.SetString(HKLM, "Software\\C", "u", "1");
  p.registry.SetString(HKLM, "Software\\C\\s\nt", "t", "2");
  p.registry.SetString(HKLM, "Software\\D", "ok", "C:\\gone.exe");
  TRegArray problems;
  for (const auto& [key, value, deleteKey] :
       {std::make_tuple("Software\\A", "v\n[HKEY_LOCAL_MACHINE\\Evil]", 0),
        std::make_tuple("Software\\B\r", "", 1), std::make_tuple("Software\\C", "", 1),
        std::make_tuple("Software\\D", "ok", 0)}) {
    TRegRecord r;
    r.RootKey = HKLM;
    r.KeyPath = key;
    r.ValueName = value;
    r.DeleteKey = deleteKey;
    r.Kind = kKindRegistry;
    r.Action = kActionDelete;
    problems.push_back(r);
  }
  WidgetRepairPage page(ui.View());
  RepairContext ctx{page, problems, shared, p.files, p.system};
  const RepairReport out = DoRepair(ctx);
  EXPECT_EQ(out.repaired, 1);
  EXPECT_EQ(out.left, 3);
  EXPECT_EQ(out.leftIndexes, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\A", "v\n[HKEY_LOCAL_MACHINE\\Evil]"));
  EXPECT_TRUE(p.registry.HasKey(HKLM, "Software\\B\r"));
  EXPECT_TRUE(p.registry.HasValue(HKLM, "Software\\C\\s\nt", "t"));
  EXPECT_FALSE(p.registry.HasValue(HKLM, "Software\\D", "ok"));
  std::string bytes;
  ASSERT_TRUE(p.files.ReadWholeFile(out.backupFile, &bytes));
  EXPECT_EQ(bytes.find("Evil"), std::string::npos);
  EXPECT_EQ(bytes.find("B\r"), std::string::npos);
}

}  // namespace
}  // namespace corvanta
