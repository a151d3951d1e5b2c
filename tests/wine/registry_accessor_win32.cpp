#include "contract/registry_accessor_contract.h"
#include "platform/win32/win32_registry.h"

namespace corvanta::testing {
namespace {

using Win32Env = ::testing::Types<RegistryTestEnv<Win32Registry>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryAccessorContract, Win32Env);

// Wine's performance-counter key answers its enumeration with errors: the
// listing must end instead of failing or looping.
TEST(Win32RegistryQuirks, ListingAKeyWhoseEnumerationFails) {
  Win32Registry api;
  TRegistry reg(api, kKEY_READ);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  if (!reg.OpenKey("\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", false)) {
    GTEST_SKIP() << "no Perflib\\009 in this prefix";
  }
  EXPECT_LE(reg.GetKeyNames().size(), 1000u);
  EXPECT_LE(reg.GetValueNames().size(), 1000u);
}

}  // namespace
}  // namespace corvanta::testing
