#include "contract/registry_api_contract.h"
#include "platform/memory/memory_registry.h"

namespace corvanta::testing {
namespace {

using MemoryEnv = ::testing::Types<RegistryTestEnv<MemoryRegistry>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RegistryApiContract, MemoryEnv);

}  // namespace
}  // namespace corvanta::testing
