// The offline deep scan's cost over a Windows hive: a generated SOFTWARE
// hive of about 124,000 keys and 442,000 values (vendor trees with program
// paths, most of them missing), loaded through hivex into the in-memory
// registry, then scanned by corvanta-cli's deep scan.
#include <benchmark/benchmark.h>
#include <hivex.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/memory/memory_platform.h"
#include "platform/offline/hive/hive_store.h"
#include "support/empty_hive.h"

namespace corvanta {
namespace {

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += {c, '\0'};
  return out + std::string(2, '\0');
}

// 50 vendors x 50 products x 49 keys below them, 3.5 values a key on average.
// The hive is made once per run (it takes longer than loading it) and
// removed with its folder when the benchmark ends.
struct BenchHive {
  std::string folder, file;
  ~BenchHive() {
    if (file.empty()) return;
    unlink(file.c_str());
    rmdir(folder.c_str());
  }
};

std::string MakeHive() {
  static BenchHive hive;
  std::string& file = hive.file;
  if (!file.empty()) return file;
  char folder[] = "/tmp/corvanta-hive-bench-XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  hive.folder = folder;
  file = std::string(folder) + "/SOFTWARE";
  testing::WriteEmptyHive(file);
  hive_h* h = hivex_open(file.c_str(), HIVEX_OPEN_WRITE);
  if (!h) std::abort();
  int serial = 0;
  auto fill = [&](hive_node_h node, int n) {
    std::vector<std::string> names, data;
    std::vector<hive_type> types;
    for (int i = 0; i < n; ++i, ++serial) {
      names.push_back(i == 0 ? "" : "Value" + std::to_string(i));
      if (i % 4 == 3) {
        types.push_back(hive_t_REG_DWORD);
        data.push_back(std::string("\1\0\0\0", 4));
      } else {
        types.push_back(hive_t_REG_SZ);
        data.push_back(Utf16("C:\\Program Files\\Vendor" + std::to_string(serial % 97) +
                             "\\bin\\tool" + std::to_string(serial) + ".exe"));
      }
    }
    std::vector<hive_set_value> set(n);
    for (int i = 0; i < n; ++i) {
      set[i] = {names[i].data(), types[i], data[i].size(), data[i].data()};
    }
    if (hivex_node_set_values(h, node, set.size(), set.data(), 0) != 0) std::abort();
  };
  const hive_node_h root = hivex_root(h);
  for (int v = 0; v < 50; ++v) {
    const hive_node_h vendor =
        hivex_node_add_child(h, root, ("Vendor" + std::to_string(v)).c_str());
    fill(vendor, 2);
    for (int p = 0; p < 50; ++p) {
      const hive_node_h product =
          hivex_node_add_child(h, vendor, ("Product" + std::to_string(p)).c_str());
      fill(product, 4);
      for (int k = 0; k < 48; ++k) {
        const hive_node_h key =
            hivex_node_add_child(h, product, ("Key" + std::to_string(k)).c_str());
        fill(key, 3 + (k % 2));
      }
    }
  }
  if (hivex_commit(h, nullptr, 0) != 0) std::abort();
  hivex_close(h);
  return file;
}

void BM_HiveLoad(benchmark::State& state) {
  HiveStore store(MakeHive(), kHKEY_LOCAL_MACHINE, "SOFTWARE");
  for (auto _ : state) {
    MemoryRegistry reg;
    std::string error;
    if (!store.Load(reg, &error)) state.SkipWithError(error.c_str());
  }
}
BENCHMARK(BM_HiveLoad)->Unit(benchmark::kMillisecond);

void BM_HiveLoadAndDeepScan(benchmark::State& state) {
  HiveStore store(MakeHive(), kHKEY_LOCAL_MACHINE, "SOFTWARE");
  for (auto _ : state) {
    MemoryPlatform mem;
    std::string error;
    if (!store.Load(mem.registry, &error)) state.SkipWithError(error.c_str());
    std::ostringstream out, err;
    if (RunCli(mem.platform(), {"scan", "--sections", "13", "--json"}, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
    }
  }
}
BENCHMARK(BM_HiveLoadAndDeepScan)->Unit(benchmark::kMillisecond);

// A repair's writing of a hive: one key with N subkeys (as CLSID holds
// thousands), a third of them deleted and a value deleted from another
// third; the hive is copied afresh before each run.
void BM_HiveRepairWrite(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  char folder[] = "/tmp/corvanta-hive-repair-XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  const std::string source = std::string(folder) + "/source",
                    file = std::string(folder) + "/SOFTWARE";
  testing::WriteEmptyHive(source);
  RegistryChanges changes;
  {
    hive_h* h = hivex_open(source.c_str(), HIVEX_OPEN_WRITE);
    if (!h) std::abort();
    const hive_node_h wide = hivex_node_add_child(h, hivex_root(h), "Wide");
    for (int i = 0; i < n; ++i) {
      const std::string name = "{" + std::to_string(1000000 + i) + "}";
      const hive_node_h key = hivex_node_add_child(h, wide, name.c_str());
      std::string a = Utf16("C:\\gone\\x.dll"), b = Utf16("Apartment");
      hive_set_value set[2] = {
          {const_cast<char*>(""), hive_t_REG_SZ, a.size(), a.data()},
          {const_cast<char*>("ThreadingModel"), hive_t_REG_SZ, b.size(), b.data()}};
      if (hivex_node_set_values(h, key, 2, set, 0) != 0) std::abort();
      RegistryChange c;
      c.root = kHKEY_LOCAL_MACHINE;
      c.path = "SOFTWARE\\Wide\\" + name;
      if (i % 3 == 0) {
        c.op = RegistryChange::Op::kDeleteKey;
      } else if (i % 3 == 1) {
        c.op = RegistryChange::Op::kDeleteValue;
        c.name = "ThreadingModel";
      } else {
        continue;
      }
      changes.push_back(std::move(c));
    }
    if (hivex_commit(h, nullptr, 0) != 0) std::abort();
    hivex_close(h);
  }
  for (auto _ : state) {
    state.PauseTiming();
    if (std::system(("cp '" + source + "' '" + file + "'").c_str()) != 0) std::abort();
    HiveStore store(file, kHKEY_LOCAL_MACHINE, "SOFTWARE");
    state.ResumeTiming();
    std::string error;
    if (!store.Write(changes, &error)) state.SkipWithError(error.c_str());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(changes.size()));
  std::system(("rm -rf '" + std::string(folder) + "'").c_str());
}
BENCHMARK(BM_HiveRepairWrite)->Arg(3000)->Arg(12000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvanta

BENCHMARK_MAIN();
