// libFuzzer entry for the registry file importer: any bytes parse without a
// fault, and an import that fails says why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "backup/reg_import.h"
#include "platform/memory/memory_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvanta;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  int skipped = 0;
  ParseRegFile(bytes, &skipped);
  if (skipped < 0) std::abort();
  MemoryRegistry reg;
  std::string error;
  if (!ImportRegFile(reg, bytes, &error) && error.empty()) std::abort();
  return 0;
}
