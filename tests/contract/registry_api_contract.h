// The raw registry port's contract, run on the memory adapter natively and on
// the Win32 adapter under Wine. Cases follow how the real advapi32 behaves.
// Values enumerate in creation order on Windows but sorted under Wine: no case
// here depends on value order.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "contract/registry_test_env.h"
#include "contract/text_table.h"
#include "platform/name_case.h"
#include "platform/registry_api.h"

namespace corvanta::testing {

template <class Env>
class RegistryApiContract : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.SetUp();
    ASSERT_EQ(kERROR_SUCCESS,
              api().OpenKeyEx(kHKEY_CURRENT_USER, env_.user(), kKEY_ALL_ACCESS, &base_));
  }
  void TearDown() override {
    if (base_) api().CloseKey(base_);
    env_.TearDown();
  }

  RegistryApi& api() { return env_.api(); }

  RegKey Create(RegKey parent, const std::string& path, std::uint32_t* disposition = nullptr) {
    RegKey key = 0;
    EXPECT_EQ(kERROR_SUCCESS, api().CreateKeyEx(parent, path, kKEY_ALL_ACCESS, &key, disposition))
        << path;
    return key;
  }
  std::int32_t OpenRc(RegKey parent, const std::string& path, std::uint32_t access = kKEY_READ) {
    RegKey key = 0;
    const std::int32_t rc = api().OpenKeyEx(parent, path, access, &key);
    if (rc == kERROR_SUCCESS) api().CloseKey(key);
    return rc;
  }
  std::int32_t Set(RegKey key, const std::string& name, std::uint32_t type,
                   const std::string& bytes) {
    return api().SetValueEx(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                            static_cast<std::uint32_t>(bytes.size()));
  }
  std::vector<std::string> SubKeys(RegKey key) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
      char name[300];
      std::uint32_t len = sizeof name;
      if (api().EnumKeyEx(key, i, name, &len) != kERROR_SUCCESS) break;
      names.emplace_back(name, len);
    }
    return names;
  }

  Env env_;
  RegKey base_ = 0;
};

TYPED_TEST_SUITE_P(RegistryApiContract);

TYPED_TEST_P(RegistryApiContract, CreateOpenAndPathForms) {
  RegistryApi& api = this->api();
  const RegKey base = this->base_;
  std::uint32_t how = 0;
  api.CloseKey(this->Create(base, "Alpha\\Beta", &how));
  EXPECT_EQ(kREG_CREATED_NEW_KEY, how);
  api.CloseKey(this->Create(base, "ALPHA\\beta", &how));
  EXPECT_EQ(kREG_OPENED_EXISTING_KEY, how);

  EXPECT_EQ(kERROR_SUCCESS, this->OpenRc(base, "alpha\\BETA"));
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, this->OpenRc(base, "Alpha\\Missing"));
  // A leading backslash is refused; doubled and trailing separators are not.
  EXPECT_EQ(kERROR_BAD_PATHNAME, this->OpenRc(kHKEY_CURRENT_USER, "\\" + this->env_.user()));
  EXPECT_EQ(kERROR_BAD_PATHNAME, this->OpenRc(base, "\\Alpha"));
  RegKey key = 0;
  EXPECT_EQ(kERROR_BAD_PATHNAME,
            api.CreateKeyEx(base, "\\Created", kKEY_ALL_ACCESS, &key, nullptr));
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, this->OpenRc(base, "Created"));
  EXPECT_EQ(kERROR_SUCCESS, this->OpenRc(base, "Alpha\\\\Beta"));
  EXPECT_EQ(kERROR_SUCCESS, this->OpenRc(base, "Alpha\\Beta\\"));
  api.CloseKey(this->Create(base, "Gamma\\\\Delta\\"));
  const RegKey gamma = this->Create(base, "Gamma");
  EXPECT_EQ(std::vector<std::string>{"Delta"}, this->SubKeys(gamma));
  api.CloseKey(gamma);

  // "" names the key itself, the roots included.
  EXPECT_EQ(kERROR_SUCCESS, api.OpenKeyEx(kHKEY_CURRENT_USER, "", kKEY_READ, &key));
  EXPECT_NE(0u, key);
  EXPECT_EQ(kERROR_SUCCESS, api.CloseKey(key));
  EXPECT_EQ(kERROR_SUCCESS, this->OpenRc(base, ""));

  // The same path below HKLM is a different key.
  const RegKey machine = this->Create(kHKEY_LOCAL_MACHINE, this->env_.machine());
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, this->OpenRc(machine, "Alpha"));
  api.CloseKey(machine);
}

TYPED_TEST_P(RegistryApiContract, SubKeysEnumerateSortedKeepingSpelling) {
  RegistryApi& api = this->api();
  const RegKey base = this->base_;
  for (const char* name : {"beta", "Alpha", "GAMMA", "alpha2", "ALPHA"}) {
    api.CloseKey(this->Create(base, name));
  }
  EXPECT_EQ((std::vector<std::string>{"Alpha", "alpha2", "beta", "GAMMA"}), this->SubKeys(base));

  char name[16];
  std::uint32_t len = 5;  // "Alpha" needs room for its NUL
  EXPECT_EQ(kERROR_MORE_DATA, api.EnumKeyEx(base, 0, name, &len));
  len = 6;
  EXPECT_EQ(kERROR_SUCCESS, api.EnumKeyEx(base, 0, name, &len));
  EXPECT_EQ(5u, len);
  EXPECT_STREQ("Alpha", name);
  len = sizeof name;
  EXPECT_EQ(kERROR_NO_MORE_ITEMS, api.EnumKeyEx(base, 4, name, &len));
  len = sizeof name;
  EXPECT_EQ(kERROR_NO_MORE_ITEMS, api.EnumKeyEx(base, 1000, name, &len));

  RegKeyInfo info;
  ASSERT_EQ(kERROR_SUCCESS, api.QueryInfoKey(base, &info));
  EXPECT_EQ(4u, info.subKeys);
  // Upper bounds in UTF-8 bytes: the system counts UTF-16 units.
  EXPECT_GE(info.maxSubKeyLen, 6u);
  EXPECT_LE(info.maxSubKeyLen, 3 * 6u);
  EXPECT_EQ(0u, info.values);
}

TYPED_TEST_P(RegistryApiContract, TextValuesKeepTheirBytes) {
  RegistryApi& api = this->api();
  const RegKey base = this->base_;
  std::uint32_t type = 0, size = 99;
  std::uint8_t out[16];

  // Zero-size REG_SZ: present, size 0, nothing written into the buffer.
  ASSERT_EQ(kERROR_SUCCESS, api.SetValueEx(base, "Empty", kREG_SZ, nullptr, 0));
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "Empty", &type, nullptr, &size));
  EXPECT_EQ(kREG_SZ, type);
  EXPECT_EQ(0u, size);
  std::memset(out, 0xEE, sizeof out);
  size = sizeof out;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "Empty", &type, out, &size));
  EXPECT_EQ(0u, size);
  EXPECT_EQ(0xEE, out[0]);

  // Embedded NULs are kept.
  const std::string embedded("ab\0cd\0", 6);
  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "Embedded", kREG_SZ, embedded));
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "Embedded", nullptr, nullptr, &size));
  EXPECT_EQ(6u, size);
  size = sizeof out;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "Embedded", &type, out, &size));
  EXPECT_EQ(embedded, std::string(reinterpret_cast<char*>(out), size));
  // A buffer too small: ERROR_MORE_DATA, the size needed and the type.
  size = 2;
  type = 0;
  EXPECT_EQ(kERROR_MORE_DATA, api.QueryValueEx(base, "Embedded", &type, out, &size));
  EXPECT_EQ(6u, size);
  EXPECT_EQ(kREG_SZ, type);

  // Missing terminator: stored as given; a NUL is added only where the
  // caller's buffer has room for it.
  const std::uint8_t unterminated[] = {'a', 'b', 'c', 'X'};
  ASSERT_EQ(kERROR_SUCCESS, api.SetValueEx(base, "NoNul", kREG_SZ, unterminated, 3));
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "NoNul", nullptr, nullptr, &size));
  EXPECT_EQ(3u, size);
  std::memset(out, 0xEE, sizeof out);
  size = sizeof out;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "NoNul", &type, out, &size));
  EXPECT_EQ(3u, size);
  EXPECT_EQ(0, std::memcmp(out, "abc", 4));
  std::memset(out, 0xEE, sizeof out);
  size = 3;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "NoNul", &type, out, &size));
  EXPECT_EQ(0xEE, out[3]);

  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "Expand", kREG_EXPAND_SZ, std::string("%X%\0", 4)));
  size = sizeof out;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "Expand", &type, out, &size));
  EXPECT_EQ(kREG_EXPAND_SZ, type);
  EXPECT_EQ(std::string("%X%\0", 4), std::string(reinterpret_cast<char*>(out), size));
}

TYPED_TEST_P(RegistryApiContract, EveryTypeIsStoredAsBytes) {
  RegistryApi& api = this->api();
  const RegKey base = this->base_;
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {
      {kREG_BINARY, std::string("\x01\x00\x02\xFF\x03", 5)},
      {kREG_DWORD, std::string("\x78\x56\x34\x12", 4)},
      {kREG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {kREG_MULTI_SZ, std::string("one\0two\0\0", 9)},
      {kREG_NONE, std::string("\x09\x08", 2)},
      {kREG_BINARY, std::string()},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "V" + std::to_string(n++);
    ASSERT_EQ(kERROR_SUCCESS, this->Set(base, name, c.first, c.second)) << name;
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, name, &type, nullptr, &size)) << name;
    EXPECT_EQ(c.first, type) << name;
    EXPECT_EQ(c.second.size(), size) << name;
    std::vector<std::uint8_t> out(c.second.size() + 4, 0xEE);
    size = static_cast<std::uint32_t>(out.size());
    EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, name, &type, out.data(), &size)) << name;
    EXPECT_EQ(c.second, std::string(out.begin(), out.begin() + size)) << name;
  }
  std::uint8_t small[2];
  std::uint32_t size = sizeof small;
  EXPECT_EQ(kERROR_MORE_DATA, api.QueryValueEx(base, "V0", nullptr, small, &size));
  EXPECT_EQ(5u, size);
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "V0", nullptr, nullptr, nullptr));
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, api.QueryValueEx(base, "Missing", nullptr, nullptr, &size));
  // Overwriting changes type and size.
  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "V0", kREG_SZ, std::string("x\0", 2)));
  std::uint32_t type = 0;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "v0", &type, nullptr, &size));
  EXPECT_EQ(kREG_SZ, type);
  EXPECT_EQ(2u, size);
}

TYPED_TEST_P(RegistryApiContract, ValueNamesAndEnumeration) {
  RegistryApi& api = this->api();
  const RegKey base = this->base_;
  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "MyValue", kREG_DWORD, std::string("\1\0\0\0", 4)));
  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "MYVALUE", kREG_DWORD, std::string("\2\0\0\0", 4)));
  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "", kREG_SZ, std::string("default\0", 8)));
  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "Long name", kREG_BINARY, std::string(40, 'z')));

  std::uint8_t data[64];
  std::uint32_t size = sizeof data, type = 0;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "myvalue", &type, data, &size));
  EXPECT_EQ(2, data[0]);

  std::set<std::string> names;
  for (std::uint32_t i = 0;; ++i) {
    char name[64];
    std::uint32_t len = sizeof name;
    const std::int32_t rc = api.EnumValue(base, i, name, &len, nullptr, nullptr, nullptr);
    if (rc != kERROR_SUCCESS) {
      EXPECT_EQ(kERROR_NO_MORE_ITEMS, rc);
      EXPECT_EQ(3u, i);
      break;
    }
    EXPECT_EQ(std::strlen(name), len);
    names.insert(std::string(name, len));
  }
  EXPECT_EQ((std::set<std::string>{"", "MyValue", "Long name"}), names);

  // Find "Long name" and check the buffer rules of EnumValue on it.
  for (std::uint32_t i = 0; i < 3; ++i) {
    char name[64];
    std::uint32_t len = sizeof name;
    size = sizeof data;
    ASSERT_EQ(kERROR_SUCCESS, api.EnumValue(base, i, name, &len, &type, data, &size));
    if (std::string(name) != "Long name") continue;
    EXPECT_EQ(kREG_BINARY, type);
    EXPECT_EQ(40u, size);
    len = 9;  // 9 characters need 10
    EXPECT_EQ(kERROR_MORE_DATA, api.EnumValue(base, i, name, &len, nullptr, nullptr, nullptr));
    len = sizeof name;
    size = 10;
    EXPECT_EQ(kERROR_MORE_DATA, api.EnumValue(base, i, name, &len, &type, data, &size));
    EXPECT_EQ(40u, size);
  }

  RegKeyInfo info;
  ASSERT_EQ(kERROR_SUCCESS, api.QueryInfoKey(base, &info));
  EXPECT_EQ(3u, info.values);
  EXPECT_GE(info.maxValueNameLen, 9u);
  EXPECT_LE(info.maxValueNameLen, 3 * 9u);
  EXPECT_GE(info.maxValueLen, 40u);

  EXPECT_EQ(kERROR_SUCCESS, api.DeleteValue(base, "MYvalue"));
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, api.DeleteValue(base, "MyValue"));
  EXPECT_EQ(kERROR_SUCCESS, api.DeleteValue(base, ""));
  ASSERT_EQ(kERROR_SUCCESS, api.QueryInfoKey(base, &info));
  EXPECT_EQ(1u, info.values);
}

TYPED_TEST_P(RegistryApiContract, DeleteKeyRules) {
  RegistryApi& api = this->api();
  const RegKey base = this->base_;
  api.CloseKey(this->Create(base, "Parent\\Child"));
  EXPECT_EQ(kERROR_ACCESS_DENIED, api.DeleteKey(base, "Parent"));
  EXPECT_EQ(kERROR_SUCCESS, this->OpenRc(base, "Parent\\Child"));
  const RegKey parent = this->Create(base, "Parent");
  EXPECT_EQ(kERROR_SUCCESS, api.DeleteKey(base, "Parent\\Child"));
  EXPECT_EQ(kERROR_SUCCESS, api.DeleteKey(base, "parent"));
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, this->OpenRc(base, "Parent"));
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, api.DeleteKey(base, "Parent"));

  // A handle to a deleted key answers ERROR_KEY_DELETED.
  std::uint32_t size = 0;
  RegKeyInfo info;
  RegKey key = 0;
  EXPECT_EQ(kERROR_KEY_DELETED, this->Set(parent, "v", kREG_SZ, std::string("x\0", 2)));
  EXPECT_EQ(kERROR_KEY_DELETED, api.QueryValueEx(parent, "v", nullptr, nullptr, &size));
  EXPECT_EQ(kERROR_KEY_DELETED, api.QueryInfoKey(parent, &info));
  EXPECT_EQ(kERROR_KEY_DELETED, api.CreateKeyEx(parent, "x", kKEY_ALL_ACCESS, &key, nullptr));
  EXPECT_EQ(kERROR_SUCCESS, api.CloseKey(parent));
  // Re-creating gives a fresh, empty key.
  const RegKey again = this->Create(base, "Parent");
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, api.QueryValueEx(again, "v", nullptr, nullptr, &size));
  api.CloseKey(again);
  // The roots themselves are never deleted.
  EXPECT_NE(kERROR_SUCCESS, api.DeleteKey(kHKEY_CURRENT_USER, ""));
}

TYPED_TEST_P(RegistryApiContract, AccessRightsPerHandle) {
  RegistryApi& api = this->api();
  const RegKey base = this->base_;
  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "v", kREG_SZ, std::string("x\0", 2)));
  api.CloseKey(this->Create(base, "Sub"));

  RegKey reader = 0;
  ASSERT_EQ(kERROR_SUCCESS,
            api.OpenKeyEx(kHKEY_CURRENT_USER, this->env_.user(), kKEY_READ, &reader));
  std::uint32_t size = 0;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(reader, "v", nullptr, nullptr, &size));
  EXPECT_EQ(std::vector<std::string>{"Sub"}, this->SubKeys(reader));
  EXPECT_EQ(kERROR_ACCESS_DENIED, this->Set(reader, "v", kREG_SZ, std::string("y\0", 2)));
  EXPECT_EQ(kERROR_ACCESS_DENIED, this->Set(reader, "new", kREG_SZ, std::string("y\0", 2)));
  EXPECT_EQ(kERROR_ACCESS_DENIED, api.DeleteValue(reader, "v"));
  api.CloseKey(reader);

  RegKey writer = 0;
  ASSERT_EQ(kERROR_SUCCESS,
            api.OpenKeyEx(kHKEY_CURRENT_USER, this->env_.user(), kKEY_WRITE, &writer));
  EXPECT_EQ(kERROR_ACCESS_DENIED, api.QueryValueEx(writer, "v", nullptr, nullptr, &size));
  char name[16];
  std::uint32_t len = sizeof name;
  EXPECT_EQ(kERROR_ACCESS_DENIED, api.EnumKeyEx(writer, 0, name, &len));
  EXPECT_EQ(kERROR_SUCCESS, this->Set(writer, "v", kREG_SZ, std::string("y\0", 2)));
  api.CloseKey(writer);

  std::uint8_t data[4];
  size = sizeof data;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, "v", nullptr, data, &size));
  EXPECT_EQ('y', data[0]);
}

TYPED_TEST_P(RegistryApiContract, ClassesRootIsAViewOfMachineClasses) {
  RegistryApi& api = this->api();
  const std::string& classes = this->env_.classes();
  const std::string name = classes.substr(classes.rfind('\\') + 1);
  const RegKey machine = this->Create(kHKEY_LOCAL_MACHINE, classes);
  ASSERT_EQ(kERROR_SUCCESS, this->Set(machine, "", kREG_SZ, std::string("seen\0", 5)));

  RegKey view = 0;
  ASSERT_EQ(kERROR_SUCCESS, api.OpenKeyEx(kHKEY_CLASSES_ROOT, name, kKEY_ALL_ACCESS, &view));
  std::uint8_t data[16];
  std::uint32_t size = sizeof data;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(view, "", nullptr, data, &size));
  EXPECT_EQ(std::string("seen\0", 5), std::string(reinterpret_cast<char*>(data), size));
  ASSERT_EQ(kERROR_SUCCESS, this->Set(view, "Back", kREG_SZ, std::string("b\0", 2)));
  EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(machine, "back", nullptr, nullptr, &size));
  api.CloseKey(this->Create(view, "Sub"));
  EXPECT_EQ(std::vector<std::string>{"Sub"}, this->SubKeys(machine));
  // Below the classes root the system skips one leading backslash.
  EXPECT_EQ(kERROR_SUCCESS, this->OpenRc(kHKEY_CLASSES_ROOT, "\\" + name));
  api.CloseKey(view);
  api.CloseKey(machine);
}

// Names and texts of every script, an astral character and an unpaired
// surrogate: stored, listed and read back exactly, sizes in UTF-8 bytes.
TYPED_TEST_P(RegistryApiContract, NamesAndTextsOfAnyCharacter) {
  RegistryApi& api = this->api();
  const RegKey base = this->base_;
  std::set<std::string> names;
  std::string multi;
  std::size_t longest = 0;
  for (const TextCase& c : TextTable()) {
    std::uint32_t how = 0;
    const RegKey key = this->Create(base, c.utf8, &how);
    EXPECT_EQ(kREG_CREATED_NEW_KEY, how) << c.label;
    ASSERT_EQ(kERROR_SUCCESS, this->Set(key, "", kREG_EXPAND_SZ, c.utf8 + '\0')) << c.label;
    api.CloseKey(key);
    ASSERT_EQ(kERROR_SUCCESS, this->Set(base, c.utf8, kREG_SZ, c.utf8 + '\0')) << c.label;
    EXPECT_EQ(kERROR_SUCCESS, this->OpenRc(base, NameUpper(c.utf8))) << c.label;
    names.insert(c.utf8);
    multi += c.utf8 + '\0';
    longest = std::max(longest, c.utf8.size());
  }
  multi += '\0';
  ASSERT_EQ(kERROR_SUCCESS, this->Set(base, "Multi", kREG_MULTI_SZ, multi));

  const std::vector<std::string> keys = this->SubKeys(base);
  EXPECT_EQ(names, std::set<std::string>(keys.begin(), keys.end()));
  RegKeyInfo info;
  ASSERT_EQ(kERROR_SUCCESS, api.QueryInfoKey(base, &info));
  EXPECT_GE(info.maxSubKeyLen, longest);
  EXPECT_GE(info.maxValueNameLen, longest);
  EXPECT_GE(info.maxValueLen, multi.size());

  std::set<std::string> listed;
  for (std::uint32_t i = 0; i < info.values; ++i) {
    char name[64];
    std::uint8_t data[128];
    std::uint32_t len = sizeof name, size = sizeof data, type = 0;
    ASSERT_EQ(kERROR_SUCCESS, api.EnumValue(base, i, name, &len, &type, data, &size));
    const std::string got(name, len);
    if (got == "Multi") {
      EXPECT_EQ(kREG_MULTI_SZ, type);
      EXPECT_EQ(multi, std::string(reinterpret_cast<char*>(data), size));
      continue;
    }
    listed.insert(got);
    EXPECT_EQ(got + '\0', std::string(reinterpret_cast<char*>(data), size));
    // The buffer rules count UTF-8 bytes exactly.
    len = static_cast<std::uint32_t>(got.size());
    EXPECT_EQ(kERROR_MORE_DATA, api.EnumValue(base, i, name, &len, nullptr, nullptr, nullptr));
    len = sizeof name;
    size = static_cast<std::uint32_t>(got.size());
    EXPECT_EQ(kERROR_MORE_DATA, api.EnumValue(base, i, name, &len, &type, data, &size));
    EXPECT_EQ(got.size() + 1, size);
  }
  EXPECT_EQ(names, listed);

  for (const TextCase& c : TextTable()) {
    std::uint8_t data[64];
    std::uint32_t size = 0, type = 0;
    EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(base, c.utf8, &type, nullptr, &size)) << c.label;
    EXPECT_EQ(c.utf8.size() + 1, size) << c.label;
    size = static_cast<std::uint32_t>(c.utf8.size());
    EXPECT_EQ(kERROR_MORE_DATA, api.QueryValueEx(base, c.utf8, &type, data, &size)) << c.label;
    EXPECT_EQ(c.utf8.size() + 1, size) << c.label;
    RegKey key = 0;
    ASSERT_EQ(kERROR_SUCCESS, api.OpenKeyEx(base, c.utf8, kKEY_READ, &key)) << c.label;
    size = sizeof data;
    EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(key, "", &type, data, &size)) << c.label;
    EXPECT_EQ(kREG_EXPAND_SZ, type) << c.label;
    EXPECT_EQ(c.utf8 + '\0', std::string(reinterpret_cast<char*>(data), size)) << c.label;
    api.CloseKey(key);
    EXPECT_EQ(kERROR_SUCCESS, api.DeleteValue(base, c.utf8)) << c.label;
    EXPECT_EQ(kERROR_SUCCESS, api.DeleteKey(base, c.utf8)) << c.label;
    EXPECT_EQ(kERROR_FILE_NOT_FOUND, this->OpenRc(base, c.utf8)) << c.label;
  }
}

REGISTER_TYPED_TEST_SUITE_P(RegistryApiContract, CreateOpenAndPathForms,
                            SubKeysEnumerateSortedKeepingSpelling, TextValuesKeepTheirBytes,
                            EveryTypeIsStoredAsBytes, ValueNamesAndEnumeration, DeleteKeyRules,
                            AccessRightsPerHandle, ClassesRootIsAViewOfMachineClasses,
                            NamesAndTextsOfAnyCharacter);

}  // namespace corvanta::testing
