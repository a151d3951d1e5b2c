// The Wine registry file format: values re-encode to their own lines, a
// rewrite touches only the keys that changed, and a prefix's own files come
// back byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/offline/wine_reg_format.h"
#include "platform/offline/wine_registry_store.h"
#include "platform/registry_api.h"

namespace corvanta {
namespace {

TEST(WineRegFormat, ValueLinesReencodeToThemselves) {
  const char* const lines[] = {
      "@=\"C:\\\\windows\\\\system32\\\\x.dll\"\n",
      "\"Quote \\\"q\\\"\"=\"tab\\there\\nnew\"\n",
      "\"Path\"=str(2):\"%SystemRoot%\\\\Fonts\"\n",
      "\"Dll\"=str(7):\"a.dll\\0b.dll\\0\"\n",
      "\"Flags\"=dword:0000002a\n",
      "\"Wide\"=\"\\x20ac\\x00e9e A\"\n",
      "\"Odd\"=hex(2):41,00,42\n",
      "\"Prop\"=hex(ffff0007):03,00,00,00\n",
      "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
      "  16,17,18,19\n",
      "\"Ctl\"=\"\\1\\0017\\e\"\n",
  };
  for (const char* text : lines) {
    std::string line(text);
    // The reader joins continuation lines before it decodes.
    std::string joined;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line.compare(i, 4, "\\\n  ") == 0) {
        i += 3;
        continue;
      }
      if (line[i] != '\n') joined += line[i];
    }
    WineRegValue v;
    ASSERT_TRUE(DecodeWineValue(joined, &v)) << text;
    EXPECT_EQ(EncodeWineValue(v), line) << text;
  }
}

TEST(WineRegFormat, RewriteChangesOnlyTheKeysTouched) {
  const std::string file =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
      "[Software\\\\A] 1700000000\n#time=1d0\n\"keep\"=\"1\"\n\"gone\"=\"2\"\n\n"
      "[Software\\\\B\\\\Only] 1700000000\n#time=1d0\n\"x\"=dword:00000001\n\n"
      "[Software\\\\C] 1700000000\n#time=1d0\n\"y\"=hex:01,\\\n  02\n\n"
      "[Software\\\\D] 1700000000\n#time=1d0\n\"v\"=\"1\"\n\n"
      "[Software\\\\D\\\\Sub] 1700000000\n#time=1d0\n\n";
  RegistryChanges changes(5);
  changes[0].op = RegistryChange::Op::kDeleteValue;
  changes[0].path = "Software\\a";
  changes[0].name = "GONE";
  changes[1].op = RegistryChange::Op::kDeleteKey;
  changes[1].path = "SOFTWARE\\b\\only";
  changes[2].op = RegistryChange::Op::kSetValue;
  changes[2].path = "Software\\C";
  changes[2].name = "z";
  changes[2].type = kREG_SZ;
  changes[2].data = {'h', 'i', 0};
  changes[3].op = RegistryChange::Op::kSetValue;
  changes[3].path = "SOFTWARE\\Ab";
  changes[3].name = "";
  changes[3].type = kREG_DWORD;
  changes[3].data = {2, 0, 0, 0};
  changes[4].op = RegistryChange::Op::kDeleteValue;
  changes[4].path = "Software\\D";
  changes[4].name = "v";
  for (RegistryChange& c : changes) c.root = kHKEY_LOCAL_MACHINE;
  std::string out, error;
  ASSERT_TRUE(WineRegistryStore::ApplyChanges(file, changes, "", 1800000000, &out, &error));
  EXPECT_EQ(out,
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
            "[Software\\\\A] 1700000000\n#time=1d0\n\"keep\"=\"1\"\n\n"
            "[Software\\\\Ab] 1800000000\n#time=1dda4c66b338000\n@=dword:00000002\n\n"
            // B loses its only subkey and keeps a header of its own; new
            // headers spell the names they share with others as stored.
            "[Software\\\\B] 1800000000\n#time=1dda4c66b338000\n\n"
            "[Software\\\\C] 1700000000\n#time=1d0\n\"y\"=hex:01,\\\n  02\n\"z\"=\"hi\"\n\n"
            // D, left without values, is written through its subkey alone.
            "[Software\\\\D\\\\Sub] 1700000000\n#time=1d0\n\n");
}

// The files of a real prefix, when the Wine tiers made one.
TEST(WineRegFormat, PrefixFilesRoundTripByteForByte) {
  const char* source = std::getenv("CORVANTA_SOURCE_DIR");
  std::string prefix = source ? std::string(source) + "/build/win32/wineprefix" : "";
  if (const char* given = std::getenv("CORVANTA_WINE_PREFIX")) prefix = given;
  struct stat st;
  if (prefix.empty() || stat((prefix + "/system.reg").c_str(), &st) != 0)
    GTEST_SKIP() << "no Wine prefix made yet";
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    std::string bytes, out, error;
    ASSERT_TRUE(ReadHostFile(prefix + "/" + name, &bytes, &error)) << error;
    ASSERT_TRUE(WineRegistryStore::ApplyChanges(bytes, {}, "", 0, &out, &error));
    EXPECT_EQ(out, bytes) << name;
    // Every value the server wrote is written again exactly so.
    std::size_t lines = 0, values = 0, cursor = 0;
    ASSERT_TRUE(ReadWineRegFile(
        bytes, [](std::string&&, bool) {},
        [&](WineRegValue&& v) {
          const std::string line = EncodeWineValue(v);
          ++values;
          const std::size_t at = bytes.find(line, cursor);
          if (at != std::string::npos) {
            ++lines;
            cursor = at + line.size();
          }
        },
        &error))
        << error;
    EXPECT_EQ(lines, values) << name;
  }
}

}  // namespace
}  // namespace corvanta
