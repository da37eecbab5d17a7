// How fast the info file is read and versions are compared: a check reads each key once,
// so even large release notes must cost microseconds.
#include <benchmark/benchmark.h>

#include "engine/zuRenewixInfoFile.h"
#include "support/zuUtils.h"

namespace {

std::string MakeInfoFile(int NoteLines, int Urls) {
  std::string T = "#version=1.0.0.3\r\n#date=03/01/2008\r\n#method=0\r\n#message={";
  for (int I = 0; I < NoteLines; ++I) T += "Line " + std::to_string(I) + " of the release notes.\r\n";
  T += "}\r\n#url=http://updates.example/release/program\r\n";
  for (int I = 2; I <= Urls; ++I) T += "#url" + std::to_string(I) + "=http://updates.example/release/file" + std::to_string(I) + "\r\n";
  return T;
}

void BM_ParseStrVersion(benchmark::State& State) {
  const std::string T = MakeInfoFile(static_cast<int>(State.range(0)), 10);
  for (auto _ : State) benchmark::DoNotOptimize(zu::ParseStr(T, "#version", false, ""));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * T.size()));
}
BENCHMARK(BM_ParseStrVersion)->Arg(10)->Arg(1000);

void BM_ParseStrMessage(benchmark::State& State) {
  const std::string T = MakeInfoFile(static_cast<int>(State.range(0)), 10);
  for (auto _ : State) benchmark::DoNotOptimize(zu::ParseStr(T, "#message", true, ""));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * T.size()));
}
BENCHMARK(BM_ParseStrMessage)->Arg(10)->Arg(1000);

void BM_ReadInfoFile(benchmark::State& State) {
  const std::string T = MakeInfoFile(20, static_cast<int>(State.range(0)));
  for (auto _ : State) benchmark::DoNotOptimize(zu::ReadInfoFile(T));
}
BENCHMARK(BM_ReadInfoFile)->Arg(2)->Arg(50)->Arg(20000)->Unit(benchmark::kMicrosecond);

void BM_VersionCheck(benchmark::State& State) {
  for (auto _ : State) {
    benchmark::DoNotOptimize(zu::VersionCheck("1.0.0.10", "1.0.0.9"));
    benchmark::DoNotOptimize(zu::VersionCheck("1.0a", "1.0"));
  }
}
BENCHMARK(BM_VersionCheck);

}  // namespace

BENCHMARK_MAIN();
