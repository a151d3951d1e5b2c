// Throughput of the pattern matcher against PCRE2 on registry-like texts, and
// its time on megabyte inputs, for the two patterns of the file reference check.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <string>
#include <vector>

#include "regexpr/regexpr.h"

namespace {

const std::string kResourceIndex = "(?i)((\\.){1}([A-Z0-9]+)(\\\\[0-9]))";
const std::string kDrivePath =
    "(?i)(([A-Z]{1}:\\\\)([_A-Z\\-0-9\\\\~\\.\\+ \xC2\xAE!]+)((\\.)+([A-Z0-9]+)))";

const std::vector<std::string>& RegistryTexts() {
  static const std::vector<std::string> texts = {
      "\"C:\\Program Files\\Common Files\\Vendor\\updater.exe\" /silent",
      "C:\\WINDOWS\\system32\\rundll32.exe shell32.dll,Control_RunDLL",
      "%SystemRoot%\\system32\\msiexec.exe /V",
      "C:\\Program Files (x86)\\App\\app.exe",
      "C:\\Windows\\system32\\stdole2.tlb\\2",
      "{00021401-0000-0000-C000-000000000046}",
      "Microsoft Sans Serif",
      "C:\\Data\\archive",
      "D:\\Games\\Some Game\\bin\\game.exe -windowed",
      "ThreadingModel",
      "Apartment",
      "C:\\Documents and Settings\\User\\Local Settings\\Temp\\setup.tmp",
  };
  return texts;
}

std::size_t TotalBytes() {
  std::size_t n = 0;
  for (const auto& t : RegistryTexts()) n += t.size();
  return n;
}

void BM_TRegExpr_RegistryTexts(benchmark::State& state) {
  corvanta::TRegExpr re;
  int hits = 0;
  for (auto _ : state) {
    for (const auto& t : RegistryTexts()) {
      // As the check does it: two patterns per judged text.
      re.SetExpression(kResourceIndex);
      hits += re.Exec(t);
      re.SetExpression(kDrivePath);
      hits += re.Exec(t);
    }
  }
  benchmark::DoNotOptimize(hits);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * TotalBytes()));
}
BENCHMARK(BM_TRegExpr_RegistryTexts);

struct Pcre2 {
  explicit Pcre2(const std::string& p) {
    int err = 0;
    PCRE2_SIZE off = 0;
    code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(p.data()), p.size(), 0, &err, &off, nullptr);
    data = pcre2_match_data_create_from_pattern(code, nullptr);
  }
  ~Pcre2() {
    pcre2_match_data_free(data);
    pcre2_code_free(code);
  }
  bool Exec(const std::string& s) {
    rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), 0, 0, data, nullptr);
    return rc >= 0;
  }
  // Below PCRE2_ERROR_NOMATCH the search gave up (a match limit, say): no timing.
  bool Failed() const { return rc < PCRE2_ERROR_NOMATCH; }
  pcre2_code* code;
  pcre2_match_data* data;
  int rc = 0;
};

void BM_Pcre2_RegistryTexts(benchmark::State& state) {
  Pcre2 a(kResourceIndex);
  Pcre2 b(kDrivePath);
  int hits = 0;
  for (auto _ : state) {
    for (const auto& t : RegistryTexts()) {
      hits += a.Exec(t);
      hits += b.Exec(t);
    }
  }
  benchmark::DoNotOptimize(hits);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * TotalBytes()));
}
BENCHMARK(BM_Pcre2_RegistryTexts);

// Large inputs: a drive path with no extension (worst case for the path
// class), the same with a match at the end, dotted paths and random bytes.
std::string LargeInput(int kind, std::size_t size) {
  std::string s;
  switch (kind) {
    case 0:
      s = "C:\\" + std::string(size, 'a');
      break;
    case 1:
      s = "C:\\" + std::string(size, 'a') + ".exe";
      break;
    case 2:
      s = "C:\\";
      while (s.size() < size) s += "dir.d\\";
      break;
    default: {
      s.resize(size);
      unsigned x = 12345;
      for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
      }
    }
  }
  return s;
}

void BM_TRegExpr_Large(benchmark::State& state) {
  std::string s =
      LargeInput(static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)));
  corvanta::TRegExpr re;
  re.SetExpression(kDrivePath);
  for (auto _ : state) benchmark::DoNotOptimize(re.Exec(s));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}

void BM_Pcre2_Large(benchmark::State& state) {
  std::string s =
      LargeInput(static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)));
  Pcre2 re(kDrivePath);
  for (auto _ : state) benchmark::DoNotOptimize(re.Exec(s));
  if (re.Failed()) state.SkipWithError(("PCRE2 error " + std::to_string(re.rc)).c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}

void LargeArgs(benchmark::internal::Benchmark* b) {
  for (int kind = 0; kind < 4; ++kind) {
    for (int64_t size : {int64_t{1} << 20, int64_t{10} << 20}) b->Args({kind, size});
  }
  b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_TRegExpr_Large)->Apply(LargeArgs);
BENCHMARK(BM_Pcre2_Large)->Apply(LargeArgs);

}  // namespace

BENCHMARK_MAIN();
