// The registry accessor's rules, run over the memory adapter natively and over
// the Win32 adapter under Wine with the same cases.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "contract/registry_test_env.h"
#include "platform/registry.h"

namespace corvanta::testing {

template <class Env>
class RegistryAccessorContract : public ::testing::Test {
 protected:
  void SetUp() override { env_.SetUp(); }
  void TearDown() override { env_.TearDown(); }

  RegistryApi& api() { return env_.api(); }
  // "\" + the HKCU scratch path: where each test builds its keys.
  std::string Top() const { return "\\" + env_.user(); }
  const std::string& TopPath() const { return env_.user(); }

  // The message of the accessor error fn raises, or "" when it raises none.
  template <class Fn>
  static std::string ErrorOf(Fn fn) {
    try {
      fn();
    } catch (const ERegistryException& e) {
      return e.what();
    }
    return "";
  }

  Env env_;
};

TYPED_TEST_SUITE_P(RegistryAccessorContract);

TYPED_TEST_P(RegistryAccessorContract, OpenReportsPathsThatReopen) {
  TRegistry reg(this->api());
  EXPECT_EQ(kHKEY_CURRENT_USER, reg.RootKey());
  EXPECT_EQ(kKEY_ALL_ACCESS, reg.Access());
  EXPECT_EQ(0u, reg.CurrentKey());
  EXPECT_EQ("", reg.CurrentPath());
  const std::string top = this->TopPath();
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\Typelib\\{GUID-1}\\1.0\\0", true));
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\TypeLib\\{GUID-2}", true));

  // A walk from a path with a trailing separator reports clean paths.
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\TypeLib\\", false));
  EXPECT_EQ(top + "\\TypeLib", reg.CurrentPath());
  const std::vector<std::string> libs = reg.GetKeyNames();
  ASSERT_EQ((std::vector<std::string>{"{GUID-1}", "{GUID-2}"}), libs);
  ASSERT_TRUE(reg.OpenKey(libs[0], false));
  EXPECT_EQ(top + "\\TypeLib\\{GUID-1}", reg.CurrentPath());
  ASSERT_TRUE(reg.OpenKey("1.0", false));
  const std::string reported = reg.CurrentPath();
  EXPECT_EQ(top + "\\TypeLib\\{GUID-1}\\1.0", reported);
  ASSERT_TRUE(reg.OpenKey("\\" + reported, false));
  EXPECT_EQ(reported, reg.CurrentPath());
  EXPECT_EQ(std::vector<std::string>{"0"}, reg.GetKeyNames());

  // Doubled separators collapse in what is opened and in what is reported.
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\\\TypeLib\\\\{GUID-1}\\", false));
  EXPECT_EQ(top + "\\TypeLib\\{GUID-1}", reg.CurrentPath());
  ASSERT_TRUE(reg.OpenKey("1.0\\\\0\\", false));
  EXPECT_EQ(top + "\\TypeLib\\{GUID-1}\\1.0\\0", reg.CurrentPath());

  // Relative with no key open: from the root, reported as given.
  reg.CloseKey();
  EXPECT_EQ(0u, reg.CurrentKey());
  EXPECT_EQ("", reg.CurrentPath());
  ASSERT_TRUE(reg.OpenKey(top + "\\TypeLib", false));
  EXPECT_EQ(top + "\\TypeLib", reg.CurrentPath());

  // A failed open keeps the current key.
  const RegKey before = reg.CurrentKey();
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_FALSE(reg.OpenKey("\\Missing\\Too", false));
  EXPECT_EQ(before, reg.CurrentKey());
  EXPECT_EQ(top + "\\TypeLib", reg.CurrentPath());

  // "" is relative: it reopens the current key itself, same path, even with
  // canCreate; the new handle works and the old one is closed.
  for (bool canCreate : {false, true}) {
    ASSERT_TRUE(reg.OpenKey("", canCreate)) << canCreate;
    EXPECT_NE(0u, reg.CurrentKey());
    EXPECT_EQ(top + "\\TypeLib", reg.CurrentPath());
    EXPECT_EQ((std::vector<std::string>{"{GUID-1}", "{GUID-2}"}), reg.GetKeyNames());
  }
  // With no key open "" is the root, and "\" always is; names opened from
  // there carry the documented leading "\" and still reopen.
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey("", false));
  EXPECT_NE(0u, reg.CurrentKey());
  EXPECT_EQ("", reg.CurrentPath());
  ASSERT_TRUE(reg.OpenKey(top + "\\TypeLib", false));
  for (const char* rootPath : {"\\", ""}) {
    ASSERT_TRUE(reg.OpenKey(rootPath, false)) << rootPath;
    EXPECT_NE(0u, reg.CurrentKey());
    EXPECT_EQ("", reg.CurrentPath());
  }
  ASSERT_TRUE(reg.OpenKey("Software", false));
  EXPECT_EQ("\\Software", reg.CurrentPath());
  ASSERT_TRUE(reg.OpenKey("CorvantaTest", false));
  EXPECT_EQ("\\Software\\CorvantaTest", reg.CurrentPath());
  ASSERT_TRUE(reg.OpenKey("\\" + reg.CurrentPath(), false));
  EXPECT_EQ("Software\\CorvantaTest", reg.CurrentPath());
}

TYPED_TEST_P(RegistryAccessorContract, RootChangeAndCreation) {
  TRegistry reg(this->api());
  ASSERT_TRUE(reg.OpenKey(this->Top(), false));
  reg.SetRootKey(kHKEY_CURRENT_USER);  // the same root keeps the key
  EXPECT_NE(0u, reg.CurrentKey());
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  EXPECT_EQ(kHKEY_LOCAL_MACHINE, reg.RootKey());
  EXPECT_EQ(0u, reg.CurrentKey());
  EXPECT_EQ("", reg.CurrentPath());

  // The machine scratch is a different key with the same path.
  ASSERT_TRUE(reg.OpenKey("\\" + this->env_.machine(), false));
  EXPECT_FALSE(reg.OpenKey("Made", false));
  ASSERT_TRUE(reg.OpenKey("Made\\\\Here\\", true));
  EXPECT_EQ(this->env_.machine() + "\\Made\\Here", reg.CurrentPath());
  EXPECT_TRUE(reg.KeyExists("\\" + this->env_.machine() + "\\made\\HERE"));
  reg.SetRootKey(kHKEY_CURRENT_USER);
  EXPECT_FALSE(reg.KeyExists(this->env_.user() + "\\Made"));

  // KeyExists is relative like OpenKey and leaves the current key alone.
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\A\\B", true));
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\A", false));
  const RegKey a = reg.CurrentKey();
  EXPECT_TRUE(reg.KeyExists("B"));
  EXPECT_TRUE(reg.KeyExists("b\\"));
  EXPECT_FALSE(reg.KeyExists("A"));
  EXPECT_TRUE(reg.KeyExists(this->Top() + "\\A"));
  EXPECT_EQ(a, reg.CurrentKey());
}

TYPED_TEST_P(RegistryAccessorContract, ListingByCounts) {
  TRegistry reg(this->api());
  ASSERT_TRUE(reg.OpenKey(this->Top(), false));
  EXPECT_TRUE(reg.GetKeyNames().empty());
  EXPECT_TRUE(reg.GetValueNames().empty());
  EXPECT_FALSE(reg.HasSubKeys());
  EXPECT_EQ(0u, reg.ValueCount());
  const std::string longName(200, 'L');
  for (const std::string& sub : {std::string("beta"), std::string("Alpha"), longName}) {
    ASSERT_TRUE(reg.OpenKey(this->Top() + "\\" + sub, true));
  }
  ASSERT_TRUE(reg.OpenKey(this->Top(), false));
  reg.WriteString("One", "1");
  reg.WriteInteger(longName, 2);
  reg.WriteString("", "default");
  EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", longName}), reg.GetKeyNames());
  const std::vector<std::string> values = reg.GetValueNames();
  EXPECT_EQ((std::set<std::string>{"", "One", longName}),
            std::set<std::string>(values.begin(), values.end()));
  EXPECT_EQ(3u, values.size());
  EXPECT_TRUE(reg.HasSubKeys());
  EXPECT_EQ(3u, reg.ValueCount());

  reg.CloseKey();
  EXPECT_TRUE(reg.GetKeyNames().empty());
  EXPECT_FALSE(reg.HasSubKeys());
  EXPECT_EQ(0u, reg.ValueCount());
  EXPECT_FALSE(reg.ValueExists("One"));
}

TYPED_TEST_P(RegistryAccessorContract, ValuesWithDataAndWalkingDownAndBack) {
  TRegistry reg(this->api());
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\A\\B", true));
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\A", false));
  reg.WriteString("Text", std::string("C:\\x\xC3\xA9.exe"));
  reg.WriteExpandString("Exp", "%windir%\\y");
  reg.WriteInteger("N", 7);
  reg.WriteBinaryData("Bin", std::vector<std::uint8_t>(3000, 0xAB));
  reg.WriteString("Empty", "");
  RegKeyInfo info;
  ASSERT_TRUE(reg.GetKeyInfo(&info));
  const RegValueList listed = reg.GetValues(info);
  EXPECT_TRUE(listed.complete);
  ASSERT_EQ(5u, listed.values.size());
  // Type and data as the reads by name give them.
  for (const RegValue& v : listed.values) {
    SCOPED_TRACE(v.name);
    EXPECT_TRUE(v.readable);
    EXPECT_EQ(reg.GetDataType(v.name), v.type);
    EXPECT_EQ(reg.ReadBinaryData(v.name), v.data);
    if (v.type == kREG_SZ || v.type == kREG_EXPAND_SZ) {
      EXPECT_EQ(reg.ReadString(v.name), RegText(v.data));
    }
  }

  // Down and back up without reopening: the path is the relative open's.
  const std::string top = reg.CurrentPath();
  ASSERT_TRUE(reg.EnterSubKey("B"));
  EXPECT_EQ(top + "\\B", reg.CurrentPath());
  EXPECT_FALSE(reg.EnterSubKey("missing"));
  EXPECT_EQ(top + "\\B", reg.CurrentPath());
  ASSERT_TRUE(reg.LeaveSubKey());
  EXPECT_EQ(top, reg.CurrentPath());
  EXPECT_EQ(7, reg.ReadInteger("N"));
  EXPECT_FALSE(reg.LeaveSubKey());
  // Another open ends the walk: nothing is left to go back to.
  ASSERT_TRUE(reg.EnterSubKey("B"));
  ASSERT_TRUE(reg.OpenKey(this->Top(), false));
  EXPECT_FALSE(reg.LeaveSubKey());
}

TYPED_TEST_P(RegistryAccessorContract, TypedReads) {
  TRegistry reg(this->api());
  ASSERT_TRUE(reg.OpenKey(this->Top(), false));
  reg.WriteString("Text", "hello");
  reg.WriteExpandString("Expand", "%WINDIR%\\x");
  reg.WriteRaw("Cut", kREG_SZ, {'a', 'b', 0, 'c', 'd', 0});
  reg.WriteRaw("NoNul", kREG_SZ, {'a', 'b', 'c'});
  reg.WriteRaw("Empty", kREG_SZ, {});
  reg.WriteRaw("EmptyBinary", kREG_BINARY, {});
  reg.WriteInteger("Number", -5);
  reg.WriteBinaryData("Bytes", {1, 0, 2});
  reg.WriteMultiSz("Multi", {"x", "yz"});
  reg.WriteRaw("Quad", kREG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});

  EXPECT_EQ("hello", reg.ReadString("text"));
  EXPECT_EQ("%WINDIR%\\x", reg.ReadString("Expand"));
  EXPECT_EQ("ab", reg.ReadString("Cut"));
  EXPECT_EQ("abc", reg.ReadString("NoNul"));
  EXPECT_EQ("", reg.ReadString("Empty"));
  EXPECT_EQ("", reg.ReadString("EmptyBinary"));
  EXPECT_EQ("", reg.ReadString("Missing"));
  EXPECT_EQ("Invalid data type for 'Number'", this->ErrorOf([&] { reg.ReadString("Number"); }));
  EXPECT_EQ("Invalid data type for 'Multi'", this->ErrorOf([&] { reg.ReadString("Multi"); }));
  EXPECT_EQ("Invalid data type for 'Bytes'", this->ErrorOf([&] { reg.ReadString("Bytes"); }));

  EXPECT_EQ(-5, reg.ReadInteger("NUMBER"));
  EXPECT_EQ("Invalid data type for 'Text'", this->ErrorOf([&] { reg.ReadInteger("Text"); }));
  EXPECT_EQ("Invalid data type for 'Quad'", this->ErrorOf([&] { reg.ReadInteger("Quad"); }));
  EXPECT_EQ("Failed to get data for 'Missing'", this->ErrorOf([&] { reg.ReadInteger("Missing"); }));

  EXPECT_EQ((std::vector<std::uint8_t>{1, 0, 2}), reg.ReadBinaryData("Bytes"));
  EXPECT_EQ((std::vector<std::uint8_t>{'x', 0, 'y', 'z', 0, 0}), reg.ReadBinaryData("Multi"));
  EXPECT_EQ((std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o', 0}), reg.ReadBinaryData("Text"));
  EXPECT_TRUE(reg.ReadBinaryData("EmptyBinary").empty());
  EXPECT_EQ("Failed to get data for 'Missing'",
            this->ErrorOf([&] { reg.ReadBinaryData("Missing"); }));

  EXPECT_EQ(kREG_SZ, reg.GetDataType("Text"));
  EXPECT_EQ(kREG_EXPAND_SZ, reg.GetDataType("Expand"));
  EXPECT_EQ(kREG_DWORD, reg.GetDataType("Number"));
  EXPECT_EQ(kREG_BINARY, reg.GetDataType("Bytes"));
  EXPECT_EQ(kREG_MULTI_SZ, reg.GetDataType("Multi"));
  EXPECT_EQ(kREG_QWORD, reg.GetDataType("Quad"));
  EXPECT_EQ(kRegTypeUnknown, reg.GetDataType("Missing"));
  EXPECT_EQ(6, reg.GetDataSize("Text"));
  EXPECT_EQ(0, reg.GetDataSize("Empty"));
  EXPECT_EQ(-1, reg.GetDataSize("Missing"));
  EXPECT_TRUE(reg.ValueExists("Empty"));
  EXPECT_FALSE(reg.ValueExists("Missing"));

  // A key opened without query rights: the platform read itself fails.
  TRegistry writer(this->api(), kKEY_WRITE);
  ASSERT_TRUE(writer.OpenKey(this->Top(), false));
  EXPECT_EQ("Failed to get data for 'Number'",
            this->ErrorOf([&] { writer.ReadInteger("Number"); }));
  EXPECT_EQ("Failed to get data for 'Bytes'",
            this->ErrorOf([&] { writer.ReadBinaryData("Bytes"); }));
  EXPECT_FALSE(writer.ValueExists("Number"));

  reg.CloseKey();
  EXPECT_EQ("Failed to get data for 'Number'", this->ErrorOf([&] { reg.ReadInteger("Number"); }));
  EXPECT_EQ("", reg.ReadString("Text"));
}

TYPED_TEST_P(RegistryAccessorContract, WritesAndTheirFailures) {
  TRegistry reg(this->api());
  ASSERT_TRUE(reg.OpenKey(this->Top(), false));
  reg.WriteString("S", "");
  EXPECT_EQ((std::vector<std::uint8_t>{0}), reg.ReadBinaryData("S"));
  reg.WriteInteger("D", 0x12345678);
  EXPECT_EQ((std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}), reg.ReadBinaryData("D"));
  reg.WriteMultiSz("M", {});
  EXPECT_EQ((std::vector<std::uint8_t>{0}), reg.ReadBinaryData("M"));
  reg.WriteString("D", "now text");  // overwriting changes the type
  EXPECT_EQ(kREG_SZ, reg.GetDataType("D"));

  TRegistry reader(this->api(), kKEY_READ);
  ASSERT_TRUE(reader.OpenKey(this->Top(), false));
  EXPECT_EQ("now text", reader.ReadString("D"));
  EXPECT_EQ("Failed to set data for 'D'", this->ErrorOf([&] { reader.WriteString("D", "x"); }));
  EXPECT_EQ("Failed to set data for 'N'", this->ErrorOf([&] { reader.WriteInteger("N", 1); }));
  EXPECT_FALSE(reader.DeleteValue("D"));
  reader.CloseKey();
  EXPECT_EQ("Failed to set data for 'X'", this->ErrorOf([&] { reader.WriteBinaryData("X", {1}); }));

  EXPECT_TRUE(reg.DeleteValue("d"));
  EXPECT_FALSE(reg.DeleteValue("D"));
  EXPECT_FALSE(reg.ValueExists("D"));
}

TYPED_TEST_P(RegistryAccessorContract, RecursiveDeleteKey) {
  TRegistry reg(this->api());
  for (const char* path : {"\\T\\A\\B\\C", "\\T\\A\\B\\E", "\\T\\A\\D", "\\T\\Keep"}) {
    ASSERT_TRUE(reg.OpenKey(this->Top() + path, true));
    reg.WriteString("v", path);
  }
  ASSERT_TRUE(reg.OpenKey(this->Top() + "\\T", false));
  EXPECT_TRUE(reg.DeleteKey("a"));  // relative to the current key
  EXPECT_FALSE(reg.KeyExists("A"));
  EXPECT_EQ(std::vector<std::string>{"Keep"}, reg.GetKeyNames());
  EXPECT_FALSE(reg.DeleteKey("A"));
  EXPECT_FALSE(reg.DeleteKey(""));
  EXPECT_FALSE(reg.DeleteKey("\\"));
  EXPECT_TRUE(reg.KeyExists("\\Software"));

  ASSERT_TRUE(reg.OpenKey("Keep\\X\\Y", true));
  reg.CloseKey();
  EXPECT_TRUE(reg.DeleteKey(this->Top() + "\\\\T\\Keep\\"));  // absolute
  EXPECT_FALSE(reg.KeyExists(this->Top() + "\\T\\Keep"));
  EXPECT_TRUE(reg.DeleteKey(this->TopPath() + "\\T"));  // relative, no key open: the root
  EXPECT_FALSE(reg.KeyExists(this->Top() + "\\T"));

  // Read and write rights suffice for everything above (the shared accessor).
  TRegistry shared(this->api(), 0x2001F);
  ASSERT_TRUE(shared.OpenKey(this->Top() + "\\S\\Sub\\Deeper", true));
  shared.WriteInteger("n", 7);
  EXPECT_EQ(7, shared.ReadInteger("n"));
  ASSERT_TRUE(shared.OpenKey(this->Top(), false));
  EXPECT_TRUE(shared.DeleteKey("S"));
  EXPECT_FALSE(shared.KeyExists("S"));
}

REGISTER_TYPED_TEST_SUITE_P(RegistryAccessorContract, OpenReportsPathsThatReopen,
                            RootChangeAndCreation, ListingByCounts, TypedReads,
                            WritesAndTheirFailures, RecursiveDeleteKey,
                            ValuesWithDataAndWalkingDownAndBack);

}  // namespace corvanta::testing
