// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "grid/GridFormat.h"
#include "grid/GridReader.h"
#include "render/HeightRange.h"
#include "render/Overview.h"

namespace tolmer {

// What a finished load leaves for drawing other views of its grid later: which file
// it was and how it stood, its header, the range its shading used, and its overview.
struct LoadedGrid {
  std::string fileName;
  FileStamp stamp;
  GridHeader header;
  HeightRange range;
  Overview overview;
};

// How a load ended: loaded with the grid's size, failed with a reason a person can
// read (what went wrong and where in the file), or abandoned because its owner
// asked it to stop.
class LoadResult {
 public:
  enum class Outcome { Loaded, Failed, Abandoned };

  LoadResult() = default;  // abandoned

  static LoadResult Loaded(std::int32_t width, std::int32_t height,
                           std::shared_ptr<const LoadedGrid> grid = nullptr) {
    LoadResult result;
    result.outcome_ = Outcome::Loaded;
    result.width_ = width;
    result.height_ = height;
    result.grid_ = std::move(grid);
    return result;
  }
  static LoadResult Failed(std::string reason) {
    LoadResult result;
    result.outcome_ = Outcome::Failed;
    result.reason_ = std::move(reason);
    return result;
  }
  static LoadResult Abandoned() { return LoadResult(); }

  Outcome GetOutcome() const { return outcome_; }
  bool IsLoaded() const { return outcome_ == Outcome::Loaded; }
  bool IsFailed() const { return outcome_ == Outcome::Failed; }
  bool IsAbandoned() const { return outcome_ == Outcome::Abandoned; }
  // The grid's size; zero unless loaded.
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // Why the load failed; empty unless failed.
  const std::string& Reason() const { return reason_; }
  // What the load leaves for other views; null unless loaded by ShowGrid.
  const std::shared_ptr<const LoadedGrid>& Grid() const { return grid_; }

  // By outcome, size and reason: what a person sees of it.
  friend bool operator==(const LoadResult& one, const LoadResult& other) {
    return one.outcome_ == other.outcome_ && one.width_ == other.width_ &&
           one.height_ == other.height_ && one.reason_ == other.reason_;
  }

 private:
  Outcome outcome_ = Outcome::Abandoned;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::string reason_;
  std::shared_ptr<const LoadedGrid> grid_;
};

}  // namespace tolmer
