// The writer's output is what the system's registry editor imports: export a
// branch holding every value type, import it into the emptied branch, export
// again and compare byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "backup/reg_export.h"
#include "platform/registry.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "wine/regedit_import.h"

namespace corvanta {
namespace {

const char kBranch[] = "Software\\CorvantaTest\\Export";

// The bytes of a literal, embedded NULs included, without the literal's own NUL.
template <std::size_t N>
std::string Lit(const char (&s)[N]) {
  return std::string(s, N - 1);
}

void SetRaw(TRegistry& reg, const std::string& key, const std::string& name, std::uint32_t type,
            const std::string& bytes) {
  ASSERT_TRUE(reg.OpenKey("\\" + key, true)) << key;
  reg.WriteRaw(name, type, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  reg.CloseKey();
}

void SeedEveryType(TRegistry& reg) {
  const std::string k = kBranch;
  SetRaw(reg, k, "", kREG_SZ, Lit("default\0"));
  SetRaw(reg, k, "quote \"and\" back\\slash", kREG_SZ,
         Lit("C:\\dir\\\" \"x\" \xC3\xA9\xC3\xBC end\"\0"));
  SetRaw(reg, k, "empty", kREG_SZ, Lit("\0"));
  SetRaw(reg, k, "more after zero", kREG_SZ, Lit("ab\0cd\0"));
  SetRaw(reg, k, "expand after zero", kREG_EXPAND_SZ, Lit("%a%\0x\0"));
  SetRaw(reg, k, "multi line", kREG_SZ, Lit("one\r\ntwo\n[HKEY_CURRENT_USER\\Evil]\0"));
  SetRaw(reg, k, "expand", kREG_EXPAND_SZ, Lit("%SystemRoot%\\system32\\x.dll\0"));
  SetRaw(reg, k, "dword", kREG_DWORD, Lit("\xFF\xFF\xFF\xFF"));
  SetRaw(reg, k, "dword small", kREG_DWORD, Lit("\xFF\0\0\0"));
  std::string bin;
  for (int i = 0; i < 50; ++i) bin += static_cast<char>(i * 5);
  SetRaw(reg, k, "binary", kREG_BINARY, bin);
  SetRaw(reg, k, "binary empty", kREG_BINARY, "");
  SetRaw(reg, k, "multi", kREG_MULTI_SZ, Lit("first\0second string\0third\0\0"));
  SetRaw(reg, k, "qword", kREG_QWORD, Lit("\x01\x02\x03\x04\x05\x06\x07\x08"));
  SetRaw(reg, k, "none", kREG_NONE, "ab");
  SetRaw(reg, k, "big endian", kREG_DWORD_BIG_ENDIAN, Lit("\0\0\0\x01"));
  SetRaw(reg, k, "resource", kREG_RESOURCE_LIST, std::string(30, '\x11'));
  SetRaw(reg, k + "\\Sub One", "v", kREG_SZ, Lit("1\0"));
  SetRaw(reg, k + "\\Sub One\\Deeper", "v", kREG_SZ, Lit("2\0"));
  SetRaw(reg, k + "\\Sub Two", "", kREG_BINARY, "\x01");
  ASSERT_TRUE(reg.OpenKey("\\" + k + "\\Empty Sub", true));
  reg.CloseKey();
}

TEST(BackupRoundTrip, ExportImportExportIsByteForByte) {
  Win32Registry api;
  Win32FileSystem files;
  TRegistry reg(api);
  reg.SetRootKey(kHKEY_CURRENT_USER);
  reg.DeleteKey("\\Software\\CorvantaTest");
  SeedEveryType(reg);

  std::vector<std::string> first{kRegEditHeader};
  ExportRegKey(api, kHKEY_CURRENT_USER, std::string("\\") + kBranch, "", first);
  const std::string path = "C:\\corvanta-roundtrip.reg";
  ASSERT_TRUE(SaveRegLines(files, path, first));
  std::string bytes;
  ASSERT_TRUE(files.ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, JoinRegLines(first));
  EXPECT_NE(bytes.find("\"multi line\"=hex(1):"), std::string::npos);
  EXPECT_NE(bytes.find("\"qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\"dword\"=dword:FFFFFFFF\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\"quote \\\"and\\\" back\\\\slash\"=\"C:\\\\dir\\\\\\\" \\\"x\\\""),
            std::string::npos);

  ASSERT_TRUE(reg.DeleteKey(std::string("\\") + kBranch));
  ASSERT_FALSE(reg.KeyExists(std::string("\\") + kBranch));
  ASSERT_EQ(testing::ImportWithRegedit(path), 0u);

  std::vector<std::string> second{kRegEditHeader};
  ExportRegKey(api, kHKEY_CURRENT_USER, kBranch, "", second);
  EXPECT_EQ(second, first);
  // Nothing outside the branch came from the text with line breaks.
  EXPECT_FALSE(reg.KeyExists("\\Evil"));
  reg.DeleteKey("\\Software\\CorvantaTest");
  files.RemoveFile(path);
}

}  // namespace
}  // namespace corvanta
