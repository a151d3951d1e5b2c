// libFuzzer entry for the hive loader over any file: loading it, reading one
// key's texts and writing a change into it either work or fail with a reason,
// never fault (hivex included: what reaches it has passed the loader's checks).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_scratch.h"
#include "platform/memory/memory_registry.h"
#include "platform/offline/hive/hive_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvanta;
  // A mutated base block would nearly always fail its checksum and stop at
  // the first check; setting it lets the inputs reach the bins and cells.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.size() >= 0x200) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 0x1FC; i += 4) {
      std::uint32_t word;
      std::memcpy(&word, bytes.data() + i, 4);
      sum ^= word;
    }
    std::memcpy(&bytes[0x1FC], &sum, 4);
  }
  const std::string file = fuzz::WriteScratch("hive", bytes.data(), bytes.size());
  CheckHive(file);
  std::vector<std::pair<std::string, std::string>> texts;
  ReadHiveTexts(file, "Microsoft\\Windows\\CurrentVersion\\Run", &texts);

  HiveStore store(file, kHKEY_CURRENT_USER, "");
  MemoryRegistry reg;
  std::string error;
  if (!store.Load(reg, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  RegistryChanges changes;
  changes.push_back({RegistryChange::Op::kSetValue,
                     kHKEY_CURRENT_USER,
                     "Software\\Fuzz",
                     "x",
                     kREG_SZ,
                     {'a', 0}});
  changes.push_back({RegistryChange::Op::kDeleteKey, kHKEY_CURRENT_USER, "Classes", "", 0, {}});
  if (!store.Write(changes, &error) && error.empty()) std::abort();
  return 0;
}
