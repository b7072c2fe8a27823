// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "grid/GridFormat.h"
#include "support/TempDir.h"

namespace tolmer::testing {

// Cell at stored row `row` (0 = first in the file) and column `column`.
using CellMaker = std::function<CellRecord(std::int32_t row, std::int32_t column)>;

CellRecord UniformCell(float height, std::int32_t cellType = 0);

// Heights and types that vary by stored row and column, so that a misplaced or
// missing cell shows: heights in [0, 53), cell types 0 and 2.
CellRecord Hills(std::int32_t row, std::int32_t column);

// The bytes of a grid file whose header says width x height and which holds
// recordRows x width records made by makeCell (recordRows defaults to height).
std::vector<unsigned char> GridBytes(std::int32_t width, std::int32_t height,
                                     const CellMaker& makeCell, std::int32_t recordRows = -1);

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);

// Writes `bytes` as the file `name` of `dir`, and returns its path.
std::string WriteFileIn(const TempDir& dir, const std::string& name,
                        const std::vector<unsigned char>& bytes);

// Moves the file's modification time a second on, as a rewrite a moment later
// would: one in the same clock tick as the load's open may leave it as it was.
void MarkModified(const std::string& path);

// Writes a complete width x height grid file.
void WriteGrid(const std::string& path, std::int32_t width, std::int32_t height,
               const CellMaker& makeCell);

}  // namespace tolmer::testing
