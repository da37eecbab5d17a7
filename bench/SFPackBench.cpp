// SFP packing and unpacking of a 64 MiB run-heavy buffer (runs of a few values with short
// random stretches, like icon and metafile pixel data), against memcpy of the same buffer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "widgets/zuSFPack.h"

namespace {

constexpr std::uint32_t BufferSize = 64u << 20;

const std::vector<std::uint8_t>& Plain() {
  static const std::vector<std::uint8_t> Data = [] {
    std::vector<std::uint8_t> D;
    D.reserve(BufferSize);
    std::mt19937 Gen(42);
    const std::uint8_t Values[] = {0x00, 0xFF, 0x80, 0x01};
    while (D.size() < BufferSize) {
      if (Gen() % 8 == 0) {
        for (unsigned I = Gen() % 40; I > 0; --I) D.push_back(static_cast<std::uint8_t>(Gen()));
      } else {
        D.insert(D.end(), 1 + Gen() % 700, Values[Gen() % 4]);
      }
    }
    D.resize(BufferSize);
    return D;
  }();
  return Data;
}

const std::vector<std::uint8_t>& Packed() {
  static const std::vector<std::uint8_t> Data = [] {
    std::vector<std::uint8_t> P(zu::SFCalcTargetSz(BufferSize));
    P.resize(zu::SFPack(Plain().data(), P.data(), BufferSize));
    return P;
  }();
  return Data;
}

void BM_SFPack(benchmark::State& State) {
  const auto& In = Plain();
  std::vector<std::uint8_t> Out(zu::SFCalcTargetSz(BufferSize));
  std::uint32_t Len = 0;
  for (auto _ : State) {
    Len = zu::SFPack(In.data(), Out.data(), BufferSize);
    benchmark::DoNotOptimize(Out.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * BufferSize);
  State.counters["ratio"] = static_cast<double>(Len) / BufferSize;
}
BENCHMARK(BM_SFPack)->Unit(benchmark::kMillisecond);

void BM_SFUnpack(benchmark::State& State) {
  const auto& In = Packed();
  std::vector<std::uint8_t> Out(BufferSize);
  for (auto _ : State) {
    benchmark::DoNotOptimize(zu::SFUnpack(In.data() + 4, Out.data(), In.size() - 4, Out.size()));
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * BufferSize);
}
BENCHMARK(BM_SFUnpack)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& State) {
  const auto& In = Plain();
  std::vector<std::uint8_t> Out(BufferSize);
  for (auto _ : State) {
    std::memcpy(Out.data(), In.data(), BufferSize);
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * BufferSize);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
