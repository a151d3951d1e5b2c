// The deep scan's walk and judgement over the memory platform: values per
// second for trees of three sizes, most of whose paths name missing files.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "platform/memory/memory_platform.h"
#include "platform/registry.h"
#include "regexpr/regexpr.h"
#include "scan/scan_engine.h"
#include "scan/scan_page.h"
#include "scan/scan_report.h"
#include "scan/sections.h"

namespace corvanta {
namespace {

class QuietPage : public ScanPage {
 public:
  void AddRow(const std::string&, const std::string&, const std::string&, int) override {}
  void SetLastRowErrorsFound(const std::string&) override {}
  void SetLastRowStatus(const std::string&) override {}
  void SetLastRowStateImage(int) override {}
  void SetTotalFound(const std::string&) override {}
  void SetStatusText(const std::string&) override {}
  void SetProgressPosition(int) override {}
  void ProcessMessages() override {}
};

// keys vendor keys of five values each, below HKLM\SOFTWARE.
int Fill(MemoryPlatform& mem, int keys) {
  mem.files.AddFile("C:\\WINDOWS\\system32\\kernel32.dll");
  mem.files.AddFolder("C:\\Program Files");
  int values = 0;
  for (int k = 0; k < keys; ++k) {
    const std::string vendor = "Vendor" + std::to_string(k / 50);
    const std::string key = "SOFTWARE\\" + vendor + "\\Product" + std::to_string(k % 50);
    const std::string dir = "C:\\Program Files\\" + vendor + "\\P" + std::to_string(k % 50);
    mem.registry.SetString(kHKEY_LOCAL_MACHINE, key, "InstallDir", dir);
    mem.registry.SetString(kHKEY_LOCAL_MACHINE, key, "Main", dir + "\\main.exe /min");
    mem.registry.SetString(kHKEY_LOCAL_MACHINE, key, "Core", "C:\\WINDOWS\\system32\\kernel32.dll");
    mem.registry.SetString(kHKEY_LOCAL_MACHINE, key, "Icon", dir + "\\app.exe,0");
    mem.registry.SetDword(kHKEY_LOCAL_MACHINE, key, "Version", k);
    values += 5;
  }
  return values;
}

// The deep scan over mem, once per iteration; the problems it found.
void DeepScans(benchmark::State& state, MemoryPlatform& mem) {
  TRegistry reg(mem.registry, 0x2001F);
  TRegExpr regex;
  QuietPage page;
  ScanReport report;
  ScanGlobals globals;
  for (auto _ : state) {
    report.Clear();
    ScanEngine engine(reg, regex, mem.platform(), page, report, globals);
    engine.RunSection(13);
    benchmark::DoNotOptimize(report.problems.size());
  }
  state.counters["problems"] = static_cast<double>(report.problems.size());
}

void BM_DeepScan(benchmark::State& state) {
  MemoryPlatform mem;
  const int values = Fill(mem, static_cast<int>(state.range(0)));
  DeepScans(state, mem);
  state.SetItemsProcessed(state.iterations() * values);
}
BENCHMARK(BM_DeepScan)->Arg(1000)->Arg(4000)->Arg(12000)->Unit(benchmark::kMillisecond);

// One value a hostile program may write: "C:\" + "a\" * N + "x.exe", the
// only value of HKCU\Software\X, judged by the deep scan. The time per
// level stays flat (the complexity fit reads O(N)).
void BM_DeepValueOfManyLevels(benchmark::State& state) {
  const auto levels = static_cast<std::size_t>(state.range(0));
  std::string text = "C:\\";
  for (std::size_t i = 0; i < levels; ++i) text += "a\\";
  text += "x.exe";
  MemoryPlatform mem;
  mem.registry.SetString(kHKEY_CURRENT_USER, "Software\\X", "big", text);
  DeepScans(state, mem);
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_DeepValueOfManyLevels)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(500000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace corvanta

BENCHMARK_MAIN();
