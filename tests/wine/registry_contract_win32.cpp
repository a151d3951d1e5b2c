#include "contract/registry_api_contract.h"
#include "platform/win32/win32_registry.h"

namespace corvanta::testing {
namespace {

using Win32Env = ::testing::Types<RegistryTestEnv<Win32Registry>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryApiContract, Win32Env);

}  // namespace
}  // namespace corvanta::testing

namespace corvanta::testing {
namespace {

// The system may hand back a predefined root itself (for an empty sub key);
// on x86_64 it is sign-extended, and the adapter gives back the 32-bit value.
TEST(Win32RegistryRoots, PredefinedRootsRoundTrip) {
  Win32Registry api;
  RegKey key = 0;
  ASSERT_EQ(kERROR_SUCCESS, api.OpenKeyEx(kHKEY_LOCAL_MACHINE, "", kKEY_READ, &key));
  RegKeyInfo info;
  EXPECT_EQ(kERROR_SUCCESS, api.QueryInfoKey(key, &info));
  EXPECT_GT(info.subKeys, 0u);
  RegKey software = 0;
  EXPECT_EQ(kERROR_SUCCESS, api.OpenKeyEx(key, "Software", kKEY_READ, &software));
  EXPECT_EQ(kERROR_SUCCESS, api.CloseKey(software));
  EXPECT_EQ(kERROR_SUCCESS, api.CloseKey(key));
}

}  // namespace
}  // namespace corvanta::testing

#include <windows.h>

#include "contract/text_table.h"

namespace corvanta::testing {
namespace {

std::wstring W(const std::u16string& units) {
  return std::wstring(units.begin(), units.end());
}

// What the port writes is what the wide API reads, unit for unit, and the
// other way round; bytes that are no UTF-8 are refused, never replaced.
TEST(Win32RegistryWide, PortAndWideApiAgree) {
  RegistryTestEnv<Win32Registry> env;
  env.SetUp();
  Win32Registry& api = env.api();
  RegKey base = 0;
  ASSERT_EQ(kERROR_SUCCESS, api.OpenKeyEx(kHKEY_CURRENT_USER, env.user(), kKEY_ALL_ACCESS, &base));
  const HKEY hbase = reinterpret_cast<HKEY>(base);
  for (const TextCase& c : TextTable()) {
    const std::string text = c.utf8 + '\0';
    ASSERT_EQ(kERROR_SUCCESS, api.SetValueEx(base, c.utf8, kREG_SZ,
                                             reinterpret_cast<const std::uint8_t*>(text.data()),
                                             static_cast<std::uint32_t>(text.size())))
        << c.label;
    wchar_t data[64] = {};
    DWORD size = sizeof data, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(hbase, W(c.utf16).c_str(), nullptr, &type,
                                              reinterpret_cast<BYTE*>(data), &size))
        << c.label;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << c.label;
    EXPECT_EQ(W(c.utf16 + u'\0'), std::wstring(data, size / sizeof(wchar_t))) << c.label;

    const std::wstring keyName = W(c.utf16) + L" key";
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(hbase, keyName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &created, nullptr));
    const std::wstring multi = W(c.utf16) + L'\0' + L"two" + L'\0' + L'\0';
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(created, L"Multi", 0, REG_MULTI_SZ,
                                            reinterpret_cast<const BYTE*>(multi.data()),
                                            static_cast<DWORD>(multi.size() * sizeof(wchar_t))));
    RegCloseKey(created);
    RegKey key = 0;
    ASSERT_EQ(kERROR_SUCCESS, api.OpenKeyEx(base, c.utf8 + " key", kKEY_READ, &key)) << c.label;
    std::uint8_t bytes[64];
    std::uint32_t len = sizeof bytes, valueType = 0;
    EXPECT_EQ(kERROR_SUCCESS, api.QueryValueEx(key, "Multi", &valueType, bytes, &len));
    EXPECT_EQ(c.utf8 + '\0' + "two" + '\0' + '\0', std::string(reinterpret_cast<char*>(bytes), len))
        << c.label;
    api.CloseKey(key);
  }
  const std::uint8_t cp1252[] = {'C', 'a', 'f', 0xE9, 0};
  EXPECT_EQ(kERROR_NO_UNICODE_TRANSLATION, api.SetValueEx(base, "Bad", kREG_SZ, cp1252, 5));
  EXPECT_EQ(kERROR_NO_UNICODE_TRANSLATION, api.SetValueEx(base, "Caf\xE9", kREG_SZ, cp1252, 0));
  RegKey key = 0;
  EXPECT_EQ(kERROR_NO_UNICODE_TRANSLATION,
            api.CreateKeyEx(base, "Caf\xE9", kKEY_ALL_ACCESS, &key, nullptr));
  EXPECT_EQ(kERROR_FILE_NOT_FOUND, api.QueryValueEx(base, "Caf\xE9", nullptr, nullptr, nullptr));
  api.CloseKey(base);
  env.TearDown();
}

}  // namespace
}  // namespace corvanta::testing
