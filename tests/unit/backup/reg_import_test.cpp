// The REGEDIT4 reader is the writer's inverse: a branch exported and imported
// into an empty registry comes back value for value, and deletions apply.
#include "backup/reg_import.h"

#include <gtest/gtest.h>

#include "backup/reg_export.h"
#include "platform/memory/memory_registry.h"

namespace corvanta {
namespace {

TEST(RegImport, ImportsWhatTheWriterWrote) {
  MemoryRegistry from;
  const std::string key = "Software\\Vendor\\App";
  from.SetString(kHKEY_CURRENT_USER, key, "", "C:\\Program Files\\App \"quoted\"\\app.exe");
  from.SetString(kHKEY_CURRENT_USER, key, "two\\lines", "first\r\nsecond");
  from.SetExpandString(kHKEY_CURRENT_USER, key, "expand", "%SystemRoot%\\x.dll");
  from.SetDword(kHKEY_CURRENT_USER, key, "dword", 0xDEADBEEF);
  from.SetRaw(kHKEY_CURRENT_USER, key, "multi", kREG_MULTI_SZ, {'a', 0, 'b', 0, 0});
  std::vector<std::uint8_t> blob(100);
  for (std::size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<std::uint8_t>(i * 7);
  from.SetRaw(kHKEY_CURRENT_USER, key, "binary", kREG_BINARY, blob);
  from.SetRaw(kHKEY_CURRENT_USER, key, "short dword", kREG_DWORD, {1, 2});
  from.SetRaw(kHKEY_CURRENT_USER, key, "odd", 0xffff0007u, {3, 0, 0, 0});
  from.SetString(kHKEY_CURRENT_USER, key + "\\Sub Key", "x", "\xC3\xA9t\xC3\xA9");

  std::vector<std::string> lines{kRegEditHeader};
  ASSERT_TRUE(ExportRegKey(from, kHKEY_CURRENT_USER, "\\Software\\Vendor", "", lines));
  MemoryRegistry to;
  std::string error;
  ASSERT_TRUE(ImportRegFile(to, JoinRegLines(lines), &error)) << error;
  for (const char* name :
       {"", "two\\lines", "expand", "dword", "multi", "binary", "short dword", "odd"})
    EXPECT_EQ(to.GetRaw(kHKEY_CURRENT_USER, key, name), from.GetRaw(kHKEY_CURRENT_USER, key, name))
        << name;
  EXPECT_EQ(to.GetRaw(kHKEY_CURRENT_USER, key + "\\Sub Key", "x"),
            from.GetRaw(kHKEY_CURRENT_USER, key + "\\Sub Key", "x"));

  const std::string deletions =
      "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Vendor\\App\\Sub Key]\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n\"dword\"=-\r\n";
  ASSERT_TRUE(ImportRegFile(to, deletions, &error)) << error;
  EXPECT_FALSE(to.HasKey(kHKEY_CURRENT_USER, key + "\\Sub Key"));
  EXPECT_FALSE(to.HasValue(kHKEY_CURRENT_USER, key, "dword"));
  EXPECT_TRUE(to.HasValue(kHKEY_CURRENT_USER, key, "expand"));
  EXPECT_FALSE(ImportRegFile(to, "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"a\"=bad\r\n", &error));
  // Wine's editor spells a line break inside a text as an escape.
  ASSERT_TRUE(
      ImportRegFile(to, "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"w\"=\"a\\nb\\r\"\r\n", &error));
  EXPECT_EQ(to.GetRaw(kHKEY_CURRENT_USER, "X", "w"),
            (std::vector<std::uint8_t>{'a', '\n', 'b', '\r', 0}));
}

}  // namespace
}  // namespace corvanta
