// A 64-bit prefix's link keys: opening, enumerating and deleting through a
// link reach its target as Wine shows it to a 64-bit program (the classes
// link leads to Software\Classes), and the deletion is written there.
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

TEST(OfflineRegistryLinks, OpenEnumerateAndDeleteReachTheTarget) {
  char tmpl[] = "/tmp/corvanta-links-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, file = dir + "/system.reg";
  std::ofstream(file, std::ios::binary)
      << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
         "[Software\\\\Classes\\\\CLSID\\\\{A}] 1700000000\n\"x\"=\"1\"\n\n"
         "[Software\\\\Classes\\\\Wow6432Node\\\\CLSID\\\\{B}] 1700000000\n\n"
         "[Software\\\\Wow6432Node\\\\Classes] 1700000000\n#link\n"
         "\"SymbolicLinkValue\"=hex(6):"
      << LinkHex("\\Registry\\Machine\\Software\\Classes\\Wow6432Node") << "\n\n";
  WineRegistryStore store(file, kHKEY_LOCAL_MACHINE);
  MemoryRegistry memory;
  std::string error;
  ASSERT_TRUE(store.Load(memory, &error)) << error;
  RecordingRegistry reg(memory);
  ASSERT_EQ(store.Links().size(), 1u);
  for (const RegistryLink& l : store.Links()) ASSERT_TRUE(reg.AddLink(l.root, l.path, l.target));

  char name[64];
  std::uint32_t len = sizeof name;
  RegKey wow = 0, classes = 0, clsid = 0;
  // The link is listed where it is, and opening it shows the target.
  ASSERT_EQ(reg.OpenKeyEx(kHKEY_LOCAL_MACHINE, "Software\\Wow6432Node", kKEY_READ, &wow), 0);
  ASSERT_EQ(reg.EnumKeyEx(wow, 0, name, &len), 0);
  EXPECT_STREQ(name, "Classes");
  ASSERT_EQ(reg.OpenKeyEx(wow, "Classes", kKEY_READ, &classes), 0);
  len = sizeof name;
  ASSERT_EQ(reg.EnumKeyEx(classes, 0, name, &len), 0);
  EXPECT_STREQ(name, "CLSID");
  ASSERT_EQ(reg.OpenKeyEx(kHKEY_LOCAL_MACHINE, "software\\wow6432node\\classes\\CLSID\\{A}",
                          kKEY_READ, &clsid),
            0);
  std::uint8_t data[8] = {};
  std::uint32_t type = 0, size = sizeof data;
  ASSERT_EQ(reg.QueryValueEx(clsid, "x", &type, data, &size), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data)), "1");
  reg.CloseKey(clsid);
  EXPECT_NE(reg.OpenKeyEx(classes, "CLSID\\{B}", kKEY_READ, &clsid), 0);

  // A deletion through the link deletes the target, and is written there.
  ASSERT_EQ(reg.DeleteKey(classes, "CLSID\\{A}"), 0);
  ASSERT_EQ(reg.Changes().size(), 1u);
  EXPECT_EQ(reg.Changes()[0].path, "Software\\Classes\\CLSID\\{A}");
  EXPECT_NE(reg.OpenKeyEx(kHKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{A}", kKEY_READ, &clsid),
            0);
  ASSERT_TRUE(store.Write(reg.Changes(), &error)) << error;
  std::string bytes;
  ASSERT_TRUE(ReadHostFile(file, &bytes, &error)) << error;
  EXPECT_EQ(bytes.find("{A}]"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("[Software\\\\Wow6432Node\\\\Classes]"), std::string::npos) << bytes;
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace corvanta
