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
