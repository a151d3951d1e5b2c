// Names and texts of every kind through both offline stores: read from a Wine
// file (its "\x" escapes and its UTF-8 bytes alike) and from a hive into the
// program's UTF-8, and written back exactly as each file keeps them.
#include <gtest/gtest.h>
#include <hivex.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hive_fixture.h"
#include "platform/memory/memory_registry.h"
#include "platform/offline/hive/hive_store.h"
#include "platform/offline/wine_registry_store.h"
#include "platform/text_convert.h"

namespace corvanta {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FileBytes;

struct TextCase {
  const char* what;
  std::string utf8;     // the program's text (WTF-8 for the lone surrogate)
  std::string escaped;  // as Wine writes it
  std::string utf16;    // as a hive keeps it, little-endian
};

const std::vector<TextCase>& Cases() {
  static const std::vector<TextCase> cases = {
      {"ASCII", "Plain", "Plain", std::string("P\0l\0a\0i\0n\0", 10)},
      {"Latin-1", "Caf\xC3\xA9", "Caf\\xe9", std::string("C\0a\0f\0\xE9\0", 8)},
      {"Cyrillic", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "\\x418\\x432\\x430\\x43d",
       "\x18\x04\x32\x04\x30\x04\x3D\x04"},
      {"CJK", "\xE5\xBC\xA0\xE4\xB8\x89", "\\x5f20\\x4e09", "\x20\x5F\x09\x4E"},
      {"astral", "\xF0\x9F\x98\x80 a", "\\xd83d\\xde00 a",
       std::string("\x3D\xD8\x00\xDE \0a\0", 8)},
      {"lone surrogate", "\xED\xA0\x80", "\\xd800", std::string("\x00\xD8", 2)},
  };
  return cases;
}

Bytes Text(const std::string& s) {
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

RegistryChange SetText(const std::string& path, const std::string& name, const std::string& text) {
  return {RegistryChange::Op::kSetValue, kHKEY_LOCAL_MACHINE, path, name, kREG_SZ, Text(text)};
}

const char kHead[] = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";

TEST(TextRoundTrip, WineFilesReadAndWriteEveryCharacterExactly) {
  const std::string dir = testing::MakeScratchFolder();
  for (const TextCase& c : Cases()) {
    const std::string key = "Software\\" + c.utf8;
    const std::string block =
        "[Software\\\\" + c.escaped + "] 1\n\"" + c.escaped + "\"=\"" + c.escaped + "\"\n\n";
    // Wine writes escapes; a file may hold the UTF-8 bytes too.
    const std::string raw =
        "[Software\\\\" + c.utf8 + "] 1\n\"" + c.utf8 + "\"=\"" + c.utf8 + "\"\n\n";
    for (const std::string& body : {block, raw}) {
      const std::string file = dir + "/system.reg";
      std::ofstream(file, std::ios::binary | std::ios::trunc) << kHead << body;
      WineRegistryStore store(file, kHKEY_LOCAL_MACHINE);
      MemoryRegistry reg;
      std::string error;
      ASSERT_TRUE(store.Load(reg, &error)) << c.what << ": " << error;
      EXPECT_EQ(reg.GetRaw(kHKEY_LOCAL_MACHINE, key, c.utf8), Text(c.utf8)) << c.what;
      // A change elsewhere leaves the block's bytes as they were.
      ASSERT_TRUE(store.Write({SetText("Software\\Other", "x", "1")}, &error)) << error;
      EXPECT_NE(FileBytes(file).find(body), std::string::npos) << c.what;
    }
    // Written anew, as Wine's server writes it.
    std::string out, error;
    ASSERT_TRUE(
        WineRegistryStore::ApplyChanges(kHead, {SetText(key, c.utf8, c.utf8)}, "", 0, &out, &error))
        << error;
    EXPECT_EQ(out, std::string(kHead) + "[Software\\\\" + c.escaped +
                       "] 0\n#time=19db1ded53e8000\n\"" + c.escaped + "\"=\"" + c.escaped +
                       "\"\n\n")
        << c.what;
  }
}

TEST(TextRoundTrip, HivesReadAndWriteEveryCharacterExactly) {
  testing::TestHives hives;
  HiveStore& store = hives.software;
  const std::string vendor = "SOFTWARE\\Vendor";
  std::string error;
  RegistryChanges changes = {
      {RegistryChange::Op::kCreateKey, kHKEY_LOCAL_MACHINE, vendor, "", 0, {}}};
  for (const TextCase& c : Cases()) {
    // hivex takes names as UTF-8 and cannot be given a lone surrogate: such a
    // name is refused before anything is written.
    if (!IsStrictUtf8(c.utf8)) {
      EXPECT_FALSE(store.Refusal(SetText(vendor, c.utf8, "x")).empty());
      changes.push_back(SetText(vendor, "lone", c.utf8));
      continue;
    }
    changes.push_back(
        {RegistryChange::Op::kCreateKey, kHKEY_LOCAL_MACHINE, vendor + "\\" + c.utf8, "", 0, {}});
    changes.push_back(SetText(vendor + "\\" + c.utf8, c.utf8, c.utf8));
  }
  // A key named with one unit beyond Latin-1, turned into a lone surrogate in
  // the file below (hivex cannot write one).
  changes.push_back(
      {RegistryChange::Op::kCreateKey, kHKEY_LOCAL_MACHINE, vendor + "\\\xE4\xB8\xAD", "", 0, {}});
  ASSERT_TRUE(store.Write(changes, &error)) << error;

  {
    testing::OpenHive hive(store.FilePath());
    for (const TextCase& c : Cases()) {
      const bool lone = !IsStrictUtf8(c.utf8);
      const hive_value_h v =
          lone ? hive.Value({"Vendor"}, "lone") : hive.Value({"Vendor", c.utf8}, c.utf8);
      ASSERT_NE(v, 0u) << c.what;
      hive_type t;
      std::size_t len = 0;
      char* data = hivex_value_value(hive.h, v, &t, &len);
      EXPECT_EQ(std::string(data, len), c.utf16 + std::string(2, '\0')) << c.what;
      free(data);
    }
  }
  std::string bytes = FileBytes(store.FilePath());
  const std::size_t at = bytes.find("\x2D\x4E");  // the one unit of that name
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 2, "\x00\xD8", 2);
  std::ofstream(store.FilePath(), std::ios::binary | std::ios::trunc) << bytes;

  MemoryRegistry reg;
  ASSERT_TRUE(store.Load(reg, &error)) << error;
  for (const TextCase& c : Cases()) {
    if (IsStrictUtf8(c.utf8))
      EXPECT_EQ(reg.GetRaw(kHKEY_LOCAL_MACHINE, vendor + "\\" + c.utf8, c.utf8), Text(c.utf8))
          << c.what;
    else
      EXPECT_EQ(reg.GetRaw(kHKEY_LOCAL_MACHINE, vendor, "lone"), Text(c.utf8)) << c.what;
  }
  const std::string lone = vendor + "\\\xED\xA0\x80";
  EXPECT_TRUE(reg.HasKey(kHKEY_LOCAL_MACHINE, lone));
  // That key is never changed; the others are, as ever.
  const RegistryChange drop{RegistryChange::Op::kDeleteKey, kHKEY_LOCAL_MACHINE, lone, "", 0, {}};
  EXPECT_FALSE(store.Refusal(drop).empty());
  EXPECT_FALSE(store.Write({drop}, &error));
  EXPECT_EQ(FileBytes(store.FilePath()), bytes);
  EXPECT_TRUE(store.Write({SetText(vendor + "\\Plain", "more", "1")}, &error)) << error;
}

}  // namespace
}  // namespace corvanta
