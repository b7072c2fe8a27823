// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// Throughput of the height scans on blocks that sit in L1/L2, in L3 and in main
// memory; the loads scan chunks of 16384 records, which stay in L2.
#include <benchmark/benchmark.h>

#include "SampleRecords.h"
#include "grid/HeightBounds.h"

namespace {

template <tolmer::HeightBounds (*Scan)(const tolmer::RecordBlock&)>
void ScanBlock(benchmark::State& state) {
  const tolmer::bench::SampleRecords records(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(Scan(records.Block()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(records.ByteCount()));
}

// 64 KiB, 1 MiB and 64 MiB of records.
constexpr std::int64_t kL2Records = (64 << 10) / 20;
constexpr std::int64_t kL3Records = (1 << 20) / 20;
constexpr std::int64_t kMemoryRecords = (64 << 20) / 20;

BENCHMARK(ScanBlock<tolmer::ScanHeightBoundsPortable>)
    ->Name("ScanHeightBoundsPortable")
    ->Arg(kL2Records)
    ->Arg(kL3Records)
    ->Arg(kMemoryRecords);
#ifdef TOLMER_SSE2_SCAN
BENCHMARK(ScanBlock<tolmer::ScanHeightBoundsSse2>)
    ->Name("ScanHeightBoundsSse2")
    ->Arg(kL2Records)
    ->Arg(kL3Records)
    ->Arg(kMemoryRecords);
#endif

}  // namespace
