#include "ReferenceShowGrid.h"

#include <cmath>
#include <cstdint>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/RegularFileExists.h"
#include "render/DrawCell.h"

namespace tolmer::testing {
namespace {

class StepByStepLoad {
 public:
  StepByStepLoad(LoadHost& host, GridReader& reader) : host_(host), reader_(reader) {}

  void scanHeights(HeightRange& range) {
    const GridHeader header = reader_.readHeader();
    for (std::int32_t y = header.GridHeight - 1; y >= 0; --y) {
      for (std::int32_t x = 0; x < header.GridWidth; ++x) {
        const CellRecord cell = readFiniteCell();
        range.Widen(cell.Height1);
        range.Widen(cell.Height2);
        range.Widen(cell.Height3);
        range.Widen(cell.Height4);
      }
    }
  }

  GridHeader paintCells(const HeightRange& range) {
    const GridHeader header = reader_.readHeader();
    host_.Surface().ClearSurface();
    for (std::int32_t y = header.GridHeight - 1; y >= 0; --y) {
      for (std::int32_t x = 0; x < header.GridWidth; ++x) {
        const CellRecord cell = readFiniteCell();
        DrawCell(host_.Surface().hDC(), range, x, y, cell);
      }
    }
    return header;
  }

 private:
  // The host gets its turn before every 65536th cell, counted over both passes.
  CellRecord readFiniteCell() {
    if (++cellsRead_ % 65536 == 0) {
      host_.WhileLoading();
    }
    const CellRecord cell = reader_.readCell();
    if (!std::isfinite(cell.Height1) || !std::isfinite(cell.Height2) ||
        !std::isfinite(cell.Height3) || !std::isfinite(cell.Height4)) {
      throw GridError("height is not a finite number");
    }
    return cell;
  }

  LoadHost& host_;
  GridReader& reader_;
  std::uint64_t cellsRead_ = 0;
};

}  // namespace

void ReferenceShowGrid(const std::string& fileName, LoadHost& host) noexcept {
  GridReader reader;
  try {
    host.SetStatus("Loading " + fileName);
    HeightRange& range = host.Range();
    range.Reset();
    if (!RegularFileExists(fileName)) {
      throw GridError("missing");
    }
    reader.open(fileName);
    StepByStepLoad load(host, reader);
    load.scanHeights(range);
    const GridHeader header = load.paintCells(range);
    host.SetStatus("Loaded, " + std::to_string(header.GridWidth) + "x" +
                   std::to_string(header.GridHeight));
    reader.close();
  } catch (...) {
    reader.close();
    host.SetStatus("Error");
  }
}

}  // namespace tolmer::testing
