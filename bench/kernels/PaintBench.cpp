// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// Cost of pass 2's painting: cells known to be finite and inside the range against
// cells checked one by one.
#include <benchmark/benchmark.h>

#include "SampleRecords.h"
#include "loader/PaintPass.h"
#include "render/MemorySurface.h"
#include "render/ViewerGeometry.h"

namespace {

constexpr std::size_t kBlockRecords = (1 << 20) / 20;

template <bool kEveryCell>
void PaintBlock(benchmark::State& state) {
  const tolmer::bench::SampleRecords records(kBlockRecords);
  tolmer::GridHeader header;
  header.GridWidth = static_cast<std::int32_t>(state.range(0));
  header.GridHeight = static_cast<std::int32_t>(kBlockRecords) / header.GridWidth;
  const tolmer::HeightRange range{-500.0F, 500.0F};
  tolmer::MemorySurface surface(tolmer::kViewerWidth, tolmer::kViewerHeight);
  const tolmer::RecordBlock block =
      records.Block().SubBlock(0, static_cast<std::size_t>(header.GridWidth * header.GridHeight));
  for (auto _ : state) {
    tolmer::PaintPass painter(header, range, tolmer::kViewerMapPlacement, surface);
    if constexpr (kEveryCell) {
      painter.PaintEach(block);
    } else {
      painter.PaintInRange(block);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(block.Size() * 20));
}

// Rows as wide as the window shows, the only cells pass 2 paints.
BENCHMARK(PaintBlock<false>)->Name("PaintCellsInRange")->Arg(306);
BENCHMARK(PaintBlock<true>)->Name("PaintEachCellChecked")->Arg(306);

}  // namespace
