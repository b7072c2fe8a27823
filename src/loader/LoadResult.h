// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tolmer {

// How a load ended: loaded with the grid's size, failed with a reason a person can
// read (what went wrong and where in the file), or abandoned because its owner
// asked it to stop.
class LoadResult {
 public:
  enum class Outcome { Loaded, Failed, Abandoned };

  LoadResult() = default;  // abandoned

  static LoadResult Loaded(std::int32_t width, std::int32_t height) {
    LoadResult result;
    result.outcome_ = Outcome::Loaded;
    result.width_ = width;
    result.height_ = height;
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

  friend bool operator==(const LoadResult&, const LoadResult&) = default;

 private:
  Outcome outcome_ = Outcome::Abandoned;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::string reason_;
};

}  // namespace tolmer
