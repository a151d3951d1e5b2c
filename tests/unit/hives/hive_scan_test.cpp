// A scan over the hives finds what the same scan finds over the memory
// registry holding the same entries: the same problems in the same order.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "hive_fixture.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKLM = kHKEY_LOCAL_MACHINE;
constexpr std::uint32_t HKCU = kHKEY_CURRENT_USER;
const std::string kCv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Entries for every registry section, valid and broken, with names and data
// beyond ASCII and of every kind the walks meet.
void SeedRegistry(MemoryRegistry& r) {
  r.SetString(HKLM, kCv + "\\App Paths\\tool.exe", "", "C:\\Tools\\tool.exe");
  r.SetString(HKLM, kCv + "\\App Paths\\tool.exe", "Path", "C:\\Tools\\");
  r.SetString(HKLM, kCv + "\\App Paths\\old.exe", "", "C:\\gone\\old.exe");
  r.SetString(HKLM, kCv + "\\App Paths\\caf\xC3\xA9.exe", "", "C:\\Caf\xC3\xA9\\caf\xC3\xA9.exe");
  r.SetDword(HKLM, kCv + "\\SharedDLLs", "C:\\gone\\shared.dll", 2);
  r.SetDword(HKLM, kCv + "\\SharedDLLs", "C:\\Tools\\here.dll", 1);
  r.SetString(HKLM, "SOFTWARE\\Classes\\TypeLib\\{T}\\1.0\\0\\win32", "", "C:\\gone\\x.tlb");
  r.SetString(HKLM, "SOFTWARE\\Classes\\CLSID\\{C}\\InprocServer32", "", "C:\\gone\\ctl.ocx");
  r.SetString(HKLM, "SOFTWARE\\Classes\\CLSID\\{D}\\InprocServer32", "", "%SystemRoot%\\gone.ocx");
  r.SetString(HKLM, "SOFTWARE\\Classes\\Gone.Document\\shell\\open\\command", "",
              "\"C:\\gone\\doc.exe\" \"%1\"");
  r.SetString(HKLM, "SOFTWARE\\Classes\\.gone", "", "Gone.Document");
  r.SetString(HKLM, kCv + "\\Run", "m", "C:\\gone\\m.exe /min");
  r.SetString(HKCU, kCv + "\\Run", "u", "\"C:\\gone\\u.exe\" -x");
  r.SetString(HKCU, kCv + "\\Run", "ok", "C:\\Tools\\tool.exe");
  r.SetString(HKLM, kCv + "\\Uninstall\\App \xE2\x82\xAC", "UninstallString",
              "C:\\gone\\unins000.exe");
  r.SetString(HKLM, kCv + "\\Uninstall\\App \xE2\x82\xAC", "DisplayIcon", "C:\\gone\\app.exe");
  r.SetString(HKLM, "SOFTWARE\\Microsoft\\Windows\\Help", "gone.hlp", "C:\\Help\\");
  r.SetString(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Gone", "gone.ttf");
  const std::string fe = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  r.SetString(HKCU, fe + "\\.aaa\\OpenWithList", "a", "x.exe");
  r.SetRaw(HKCU, fe + "\\.bbb\\OpenWithProgids", "P.1", kREG_NONE, {});
  r.SetString(HKCU, "AppEvents\\Schemes\\Apps\\.Default\\Ding\\.Current", "", "C:\\gone\\d.wav");
  r.SetString(HKCU, "Software\\Classes\\Mine.File\\DefaultIcon", "", "C:\\gone\\mine.ico");
  // The deep scan's branches: texts, expandable and multiple texts, a DWORD
  // named by a path, binary data, an odd type, a text without its NUL.
  r.SetString(HKLM, "SOFTWARE\\Vendor\\App", "a", "C:\\gone\\a.dll");
  r.SetExpandString(HKLM, "SOFTWARE\\Vendor\\App", "b", "%ProgramFiles%\\gone\\b.dll");
  r.SetRaw(HKLM, "SOFTWARE\\Vendor\\App", "multi", kREG_MULTI_SZ,
           {'C', ':', '\\', 'g', '\\', 'm', '.', 'e', 'x', 'e', 0, 0});
  r.SetDword(HKLM, "SOFTWARE\\Vendor\\App", "C:\\gone\\named.dll", 1);
  r.SetRaw(HKLM, "SOFTWARE\\Vendor\\App", "bin", kREG_BINARY, {'C', ':', '\\', 'x'});
  r.SetRaw(HKLM, "SOFTWARE\\Vendor\\App", "odd", 0x4242, {'C', ':', '\\', 'y'});
  r.SetRaw(HKLM, "SOFTWARE\\Vendor\\App", "nonul", kREG_SZ,
           {'C', ':', '\\', 'g', '\\', 'n', '.', 'e', 'x', 'e'});
  r.SetString(HKLM, "SOFTWARE\\Vendor\\App\\Sub \xC3\x84", "\xC3\xA4", "C:\\gone\\\xC3\xA4.exe");
  r.SetString(HKCU, "Software\\Vendor\\User", "u", "E:\\gone\\u.dll");
  r.SetString(HKCU, "Software\\Vendor\\User", "ok", "C:\\Tools\\tool.exe");
}

void SeedFiles(MemoryPlatform& mem) {
  mem.files.AddFile("C:\\Tools\\tool.exe");
  mem.files.AddFile("C:\\Tools\\here.dll");
  mem.files.AddFile("C:\\Caf\xC3\xA9\\caf\xC3\xA9.exe");
  mem.files.AddFolder("C:\\Program Files\\Corvanta");
}

TEST(HiveScan, EveryRegistrySectionFindsTheSameOverTheHives) {
  testing::CliFixture memory;
  SeedRegistry(memory.mem.registry);
  SeedFiles(memory.mem);
  testing::TestHives hives;
  hives.FillFrom(memory.mem.registry);

  testing::CliFixture offline;
  hives.LoadInto(offline.mem.registry);
  SeedFiles(offline.mem);

  ASSERT_EQ(memory({"scan", "--all", "--json"}), 0) << memory.err;
  ASSERT_EQ(offline({"scan", "--all", "--json"}), 0) << offline.err;
  const auto doc = nlohmann::json::parse(memory.out);
  EXPECT_GE(doc["total"].get<int>(), 15) << memory.out;
  EXPECT_EQ(offline.out, memory.out);
}

}  // namespace
}  // namespace corvanta
