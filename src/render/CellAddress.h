// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "render/Viewport.h"

namespace tolmer {

// A cell the user named, as the picture places it, or why the text names none.
struct CellAddress {
  std::optional<PictureCell> cell;
  std::string reason;
};

// Reads a cell as the readout names it: a column and a stored row, apart by a comma,
// spaces or both ("120, 45", "120 45"), or a record number alone, all counted from 0
// in file order.
CellAddress ParseCellAddress(std::string_view text, const GridExtent& grid);

}  // namespace tolmer
