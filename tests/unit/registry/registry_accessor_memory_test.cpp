#include "contract/registry_accessor_contract.h"
#include "platform/memory/memory_registry.h"

namespace corvanta::testing {
namespace {

using MemoryEnv = ::testing::Types<RegistryTestEnv<MemoryRegistry>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RegistryAccessorContract, MemoryEnv);

}  // namespace
}  // namespace corvanta::testing
