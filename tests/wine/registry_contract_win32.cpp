#include "contract/registry_api_contract.h"
#include "platform/win32/win32_registry.h"

namespace corvanta::testing {
namespace {

using Win32Env = ::testing::Types<RegistryTestEnv<Win32Registry>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryApiContract, Win32Env);

}  // namespace
}  // namespace corvanta::testing
