#include "backup/reg_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/registry.h"

namespace corvanta {
namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

Bytes Seq(std::size_t n, std::uint8_t start = 0) {
  Bytes b;
  for (std::size_t i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(start + i));
  return b;
}

Lines Export(MemoryRegistry& reg, std::uint32_t root, const std::string& path,
             const std::string& value = "") {
  Lines lines;
  ExportRegKey(reg, root, path, value, lines);
  return lines;
}

TEST(EscapeRegText, DoublesBackslashesThenEscapesQuotes) {
  EXPECT_EQ(EscapeRegText("a\\\"b"), "a\\\\\\\"b");
  EXPECT_EQ(EscapeRegText("say \"hi\""), "say \\\"hi\\\"");
  EXPECT_EQ(EscapeRegText("C:\\dir\\"), "C:\\\\dir\\\\");
  const char raw[] = "tab\tcr\rlf\n\xE9\xFF";
  const std::string passes(raw, sizeof raw - 1);
  EXPECT_EQ(EscapeRegText(passes), passes);
}

TEST(ExportRegKey, StringValuesAndHeaderWithOrWithoutLeadingBackslash) {
  MemoryRegistry reg;
  reg.SetString(kHKEY_CURRENT_USER, "Software\\T", "Name", "C:\\a \"b\"");
  reg.SetString(kHKEY_CURRENT_USER, "Software\\T", "", "def");
  const Lines expected = {"", "[HKEY_CURRENT_USER\\Software\\T]", "\"Name\"=\"C:\\\\a \\\"b\\\"\"",
                          "@=\"def\""};
  EXPECT_EQ(Export(reg, kHKEY_CURRENT_USER, "\\Software\\T"), expected);
  EXPECT_EQ(Export(reg, kHKEY_CURRENT_USER, "Software\\T"), expected);
  EXPECT_EQ(Export(reg, kHKEY_CURRENT_USER, "Software\\T\\"), expected);
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST(ExportRegKey, DwordAndEmptyString) {
  MemoryRegistry reg;
  reg.SetDword(kHKEY_LOCAL_MACHINE, "S", "a", 255);
  reg.SetDword(kHKEY_LOCAL_MACHINE, "S", "b", 0xFFFFFFFFu);
  reg.SetString(kHKEY_LOCAL_MACHINE, "S", "c", "");
  EXPECT_EQ(Export(reg, kHKEY_LOCAL_MACHINE, "S"),
            (Lines{"", "[HKEY_LOCAL_MACHINE\\S]", "\"a\"=dword:000000FF", "\"b\"=dword:FFFFFFFF",
                   "\"c\"=\"\""}));
}

TEST(ExportRegKey, HexLineBreaksPerForm) {
  MemoryRegistry reg;
  const std::uint32_t hk = kHKEY_CURRENT_USER;
  reg.SetRaw(hk, "B", "b21", kREG_BINARY, Seq(21));
  reg.SetRaw(hk, "B", "b22", kREG_BINARY, Seq(22));
  reg.SetRaw(hk, "B", "b0", kREG_BINARY, {});
  reg.SetRaw(hk, "B", "m12", kREG_MULTI_SZ, Seq(12, 0x41));
  reg.SetExpandString(hk, "B", "e9", "%ABCDEFG%");
  reg.SetExpandString(hk, "B", "e10", "%ABCDEFGH%");
  const Lines expected = {
      "",
      "[HKEY_CURRENT_USER\\B]",
      "\"b21\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14",
      "",
      "\"b22\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,\\",
      "15",
      "",
      "\"b0\"=hex:",
      "",
      "\"m12\"=hex(7):41,42,43,44,45,46,47,48,49,4A,4B,\\",
      "4C",
      "",
      "\"e9\"=hex(2):25,41,42,43,44,45,46,47,25,00",
      "",
      "\"e10\"=hex(2):25,41,42,43,44,45,46,47,48,25,\\",
      "00",
      "",
  };
  EXPECT_EQ(Export(reg, hk, "B"), expected);

  // Later lines of a long binary carry 20 bytes each.
  MemoryRegistry big;
  big.SetRaw(hk, "L", "x", kREG_BINARY, Seq(62));
  const Lines lines = Export(big, hk, "L");
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[5], "3D");
  EXPECT_EQ(lines[4].size(), 20u * 3u + 1u);
}

TEST(ExportRegKey, OtherTypesKeepTheirTypeNumber) {
  MemoryRegistry reg;
  const std::uint32_t hk = kHKEY_CURRENT_USER;
  reg.SetRaw(hk, "O", "q", kREG_QWORD, Seq(8, 1));
  reg.SetRaw(hk, "O", "n", kREG_NONE, {});
  reg.SetRaw(hk, "O", "big", kREG_DWORD_BIG_ENDIAN, {0, 0, 0, 1});
  reg.SetRaw(hk, "O", "r", kREG_RESOURCE_REQUIREMENTS_LIST, Seq(12));
  reg.SetString(hk, "O", "s", "ok");
  EXPECT_EQ(Export(reg, hk, "O"),
            (Lines{"", "[HKEY_CURRENT_USER\\O]", "\"q\"=hex(b):01,02,03,04,05,06,07,08", "",
                   "\"n\"=hex(0):", "", "\"big\"=hex(5):00,00,00,01", "",
                   "\"r\"=hex(a):00,01,02,03,04,05,06,07,08,09,0A,\\", "0B", "", "\"s\"=\"ok\""}));
}

TEST(ExportRegKey, TextWithLineBreakIsWrittenAsTypedHex) {
  MemoryRegistry reg;
  reg.SetString(kHKEY_CURRENT_USER, "N", "evil", "x\"\r\n[HKEY_LOCAL_MACHINE\\Y]");
  const Lines lines = Export(reg, kHKEY_CURRENT_USER, "N");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2], "\"evil\"=hex(1):78,22,0D,0A,5B,48,4B,45,59,5F,4C,\\");
  EXPECT_EQ(lines[4], "4E,45,5C,59,5D,00");
  EXPECT_EQ(lines[5], "");
}

TEST(ExportRegKey, TextsHoldingMoreAfterTheirFirstZeroKeepEveryByte) {
  MemoryRegistry reg;
  const std::uint32_t hk = kHKEY_CURRENT_USER;
  reg.SetRaw(hk, "Z", "more", kREG_SZ, {'a', 'b', 0, 'c', 'd', 0});
  reg.SetRaw(hk, "Z", "zeros", kREG_SZ, {'a', 'b', 0, 0});
  reg.SetRaw(hk, "Z", "exp", kREG_EXPAND_SZ, {'%', 'a', '%', 0, 'x'});
  reg.SetRaw(hk, "Z", "plain", kREG_EXPAND_SZ, {'%', 'a', '%', 0, 0});
  reg.SetRaw(hk, "Z", "open", kREG_SZ, {'o', 'k'});  // no terminating 0
  reg.SetRaw(hk, "Z", "dword8", kREG_DWORD, Seq(8, 1));
  EXPECT_EQ(Export(reg, hk, "Z"),
            (Lines{"", "[HKEY_CURRENT_USER\\Z]", "\"more\"=hex(1):61,62,00,63,64,00", "",
                   "\"zeros\"=\"ab\"", "\"exp\"=hex(2):25,61,25,00,78", "",
                   "\"plain\"=hex(2):25,61,25,00", "", "\"open\"=hex(1):6F,6B", "",
                   "\"dword8\"=hex(4):01,02,03,04,05,06,07,08", ""}));
}

TEST(ExportRegKey, SubkeysDepthFirstAndSingleValueMode) {
  MemoryRegistry reg;
  const std::uint32_t hk = kHKEY_CURRENT_USER;
  reg.SetRaw(hk, "K", "bin", kREG_BINARY, {1});
  reg.SetString(hk, "K\\a", "v", "1");
  reg.SetString(hk, "K\\a\\deep", "v", "2");
  reg.CreateKey(hk, "K\\b");
  EXPECT_EQ(Export(reg, hk, "\\K"), (Lines{"", "[HKEY_CURRENT_USER\\K]", "\"bin\"=hex:01", "", "",
                                           "[HKEY_CURRENT_USER\\K\\a]", "\"v\"=\"1\"", "",
                                           "[HKEY_CURRENT_USER\\K\\a\\deep]", "\"v\"=\"2\"", "",
                                           "[HKEY_CURRENT_USER\\K\\b]"}));
  // One value: no subkeys; a missing value gives the header alone.
  EXPECT_EQ(Export(reg, hk, "K", "bin"),
            (Lines{"", "[HKEY_CURRENT_USER\\K]", "\"bin\"=hex:01", ""}));
  EXPECT_EQ(Export(reg, hk, "K", "nope"), (Lines{"", "[HKEY_CURRENT_USER\\K]"}));
  EXPECT_EQ(Export(reg, hk, "K\\b", "x"), (Lines{"", "[HKEY_CURRENT_USER\\K\\b]"}));
}

TEST(ExportRegKey, MissingOrDeniedKeyGivesHeaderOnly) {
  MemoryRegistry reg;
  reg.SetString(kHKEY_LOCAL_MACHINE, "D\\sub", "v", "x");
  reg.DenyOpen(kHKEY_LOCAL_MACHINE, "D", kKEY_SET_VALUE);
  EXPECT_EQ(Export(reg, kHKEY_LOCAL_MACHINE, "D"), (Lines{"", "[HKEY_LOCAL_MACHINE\\D]"}));
  EXPECT_EQ(Export(reg, kHKEY_LOCAL_MACHINE, "Nope"), (Lines{"", "[HKEY_LOCAL_MACHINE\\Nope]"}));
}

TEST(ExportRegKey, RootKeyItself) {
  MemoryRegistry reg;
  reg.SetString(kHKEY_USERS, "One", "v", "x");
  const Lines expected = {"", "[HKEY_USERS]", "", "[HKEY_USERS\\One]", "\"v\"=\"x\""};
  EXPECT_EQ(Export(reg, kHKEY_USERS, ""), expected);
  EXPECT_EQ(Export(reg, kHKEY_USERS, "\\"), expected);
}

TEST(ExportRegKey, RootNamesAndSavedBytes) {
  EXPECT_EQ(RootKeyName(kHKEY_CLASSES_ROOT), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(RootKeyName(kHKEY_PERFORMANCE_DATA), "HKEY_PERFORMANCE_DATA");
  EXPECT_EQ(RootKeyName(kHKEY_CURRENT_CONFIG), "HKEY_CURRENT_CONFIG");
  EXPECT_EQ(RootKeyName(kHKEY_DYN_DATA), "HKEY_DYN_DATA");
  EXPECT_EQ(RootKeyName(0x12345u), "");
  EXPECT_EQ(JoinRegLines({"REGEDIT4", "", "[X]", ""}), "REGEDIT4\r\n\r\n[X]\r\n\r\n");
}

}  // namespace
}  // namespace corvanta
