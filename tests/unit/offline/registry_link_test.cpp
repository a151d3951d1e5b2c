// A 64-bit prefix's link keys, followed as Wine follows them for a 64-bit
// program: Software\Wow6432Node\Classes shows Classes\Wow6432Node alone (its
// own links lead back into the shared classes), and a change through a link
// is written at the key that holds it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/memory/memory_registry.h"
#include "platform/offline/recording_registry.h"
#include "platform/offline/wine_registry_store.h"

namespace corvanta {
namespace {

// A REG_LINK value's hex list: the target in UTF-16LE, no terminator.
std::string LinkHex(const std::string& target) {
  std::string hex;
  char byte[8];
  for (char c : target) {
    std::snprintf(byte, sizeof byte, "%s%02x,00", hex.empty() ? "" : ",",
                  static_cast<unsigned char>(c));
    hex += byte;
  }
  return hex;
}

TEST(OfflineRegistryLinks, TheClassesLinkShowsClassesWow6432Node) {
  char tmpl[] = "/tmp/corvanta-links-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, file = dir + "/system.reg";
  std::ofstream(file, std::ios::binary)
      << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
         "[Software\\\\Classes\\\\.both] 1700000000\n\"v\"=\"classes\"\n\"c\"=\"1\"\n\n"
         "[Software\\\\Classes\\\\.onlyc] 1700000000\n\"v\"=\"classes\"\n\n"
         "[Software\\\\Classes\\\\CLSID\\\\{C}] 1700000000\n\"v\"=\"classes\"\n\n"
         "[Software\\\\Classes\\\\Typelib\\\\{T}] 1700000000\n\"v\"=\"classes\"\n\n"
         "[Software\\\\Classes\\\\Wow6432Node\\\\.both] 1700000000\n\"v\"=\"wow\"\n\n"
         "[Software\\\\Classes\\\\Wow6432Node\\\\.onlyw] 1700000000\n\"v\"=\"wow\"\n\n"
         "[Software\\\\Classes\\\\Wow6432Node\\\\CLSID\\\\{W}] 1700000000\n\"v\"=\"wow\"\n\n"
         "[Software\\\\Classes\\\\Wow6432Node\\\\TypeLib] 1700000000\n#link\n"
         "\"SymbolicLinkValue\"=hex(6):"
      << LinkHex("\\Registry\\Machine\\Software\\Classes\\TypeLib") << "\n\n"
      << "[Software\\\\Wow6432Node\\\\Classes] 1700000000\n#link\n"
         "\"SymbolicLinkValue\"=hex(6):"
      << LinkHex("\\Registry\\Machine\\Software\\Classes\\Wow6432Node") << "\n\n";
  WineRegistryStore store(file, kHKEY_LOCAL_MACHINE);
  MemoryRegistry memory;
  std::string error;
  ASSERT_TRUE(store.Load(memory, &error)) << error;
  RecordingRegistry reg(memory);
  ASSERT_EQ(store.Links().size(), 2u);
  for (const RegistryLink& l : store.Links()) ASSERT_TRUE(reg.AddLink(l.root, l.path, l.target));

  // Each key through the view: "" when it cannot be opened, else its "v";
  // none shows the "c" of the shared .both.
  const struct {
    const char* path;
    const char* seen;
  } kView[] = {
      {".onlyc", ""},     {".onlyw", "wow"},     {".both", "wow"},
      {"CLSID\\{C}", ""}, {"CLSID\\{W}", "wow"}, {"typelib\\{T}", "classes"},
  };
  RegKey view = 0, key = 0;
  ASSERT_EQ(
      reg.OpenKeyEx(kHKEY_LOCAL_MACHINE, "software\\wow6432node\\classes", kKEY_ALL_ACCESS, &view),
      0);
  for (const auto& c : kView) {
    std::string seen;
    if (reg.OpenKeyEx(view, c.path, kKEY_READ, &key) == 0) {
      char data[16] = {};
      std::uint32_t type = 0, size = sizeof data;
      EXPECT_EQ(reg.QueryValueEx(key, "c", &type, nullptr, &size), kERROR_FILE_NOT_FOUND);
      size = sizeof data;
      EXPECT_EQ(reg.QueryValueEx(key, "v", &type, reinterpret_cast<std::uint8_t*>(data), &size), 0);
      seen = data;
      reg.CloseKey(key);
    }
    EXPECT_EQ(seen, c.seen) << c.path;
  }
  // Its subkeys in Wine's order and spelling, the link among them.
  std::string names;
  char name[64];
  for (std::uint32_t i = 0, len = sizeof name; reg.EnumKeyEx(view, i, name, &len) == 0;
       ++i, len = sizeof name)
    names += std::string(name) + " ";
  EXPECT_EQ(names, ".both .onlyw CLSID TypeLib ");

  // Changes through the view land at the key that holds it.
  ASSERT_EQ(reg.DeleteKey(view, "CLSID\\{W}"), 0);
  ASSERT_EQ(reg.DeleteKey(view, "TypeLib\\{T}"), 0);
  ASSERT_EQ(reg.CreateKeyEx(view, ".new", kKEY_ALL_ACCESS, &key, nullptr), 0);
  const std::uint8_t text[] = "x";
  ASSERT_EQ(reg.SetValueEx(key, "n", kREG_SZ, text, sizeof text), 0);
  std::string where;
  for (const RegistryChange& c : reg.Changes()) where += c.path + "|";
  EXPECT_EQ(where,
            "Software\\Classes\\Wow6432Node\\CLSID\\{W}|Software\\Classes\\TypeLib\\{T}|"
            "Software\\Classes\\Wow6432Node\\.new|Software\\Classes\\Wow6432Node\\.new|");
  ASSERT_TRUE(store.Write(reg.Changes(), &error)) << error;
  std::string bytes;
  ASSERT_TRUE(ReadHostFile(file, &bytes, &error)) << error;
  EXPECT_EQ(bytes.find("{W}]"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("{T}]"), std::string::npos) << bytes;
  // The emptied parent keeps the file's spelling, not the link's.
  EXPECT_NE(bytes.find("[Software\\\\Classes\\\\Typelib]"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("[Software\\\\Classes\\\\Wow6432Node\\\\.new]"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("[Software\\\\Classes\\\\CLSID\\\\{C}]"), std::string::npos) << bytes;
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace corvanta
