// The offline repair's cost of writing a Wine registry file: a generated
// system.reg of N keys (vendor trees, two values a key) with a third of its
// leaf keys deleted and a value deleted from another third, as a large
// repair does. Changes per second should not fall as the file grows.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/offline/registry_change.h"
#include "platform/offline/wine_registry_store.h"
#include "platform/registry_api.h"

namespace corvanta {
namespace {

struct Repair {
  std::string file;
  RegistryChanges changes;
};

Repair MakeRepair(int keys) {
  Repair r;
  r.file = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
  const int products = 20, perProduct = 25;
  int made = 0;
  for (int v = 0; made < keys; ++v) {
    for (int p = 0; p < products && made < keys; ++p) {
      const std::string product =
          "Software\\Vendor" + std::to_string(v) + "\\Product" + std::to_string(p);
      for (int k = 0; k < perProduct && made < keys; ++k, ++made) {
        const std::string key = product + "\\Key" + std::to_string(k);
        std::string header = key;
        for (std::size_t at = 0; (at = header.find('\\', at)) != std::string::npos; at += 2)
          header.insert(at, "\\");
        r.file += "[" + header + "] 1700000000\n#time=1d0\n\"Path\"=\"C:\\\\Program Files\\\\x" +
                  std::to_string(made) + ".exe\"\n\"Size\"=dword:00000010\n\n";
        RegistryChange c;
        c.root = kHKEY_LOCAL_MACHINE;
        c.path = key;
        if (made % 3 == 0) {
          c.op = RegistryChange::Op::kDeleteKey;
        } else if (made % 3 == 1) {
          c.op = RegistryChange::Op::kDeleteValue;
          c.name = "Path";
        } else {
          continue;
        }
        r.changes.push_back(std::move(c));
      }
    }
  }
  return r;
}

void BM_WineFileRepair(benchmark::State& state) {
  const Repair r = MakeRepair(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string out, error;
    if (!WineRegistryStore::ApplyChanges(r.file, r.changes, "", 1800000000, &out, &error))
      state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(r.changes.size()));
}
BENCHMARK(BM_WineFileRepair)->Arg(10000)->Arg(40000)->Arg(120000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvanta

BENCHMARK_MAIN();
