// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include "grid/HeightBounds.h"

namespace tolmer {

// Lowest and highest height seen by a load. The seeds take part in the range, so
// a grid whose heights all lie above 100 still shades from MinHeight = 100.
struct HeightRange {
  static constexpr float kMinSeed = 100.0F;
  static constexpr float kMaxSeed = -100.0F;

  float MinHeight = kMinSeed;
  float MaxHeight = kMaxSeed;

  void Reset() {
    MinHeight = kMinSeed;
    MaxHeight = kMaxSeed;
  }

  void Widen(float height) {
    if (height > MaxHeight) {
      MaxHeight = height;
    }
    if (height < MinHeight) {
      MinHeight = height;
    }
  }

  // By the heights of a block: an empty one leaves the range as it is.
  void Widen(const HeightBounds& bounds) {
    if (bounds.highest > MaxHeight) {
      MaxHeight = bounds.highest;
    }
    if (bounds.lowest < MinHeight) {
      MinHeight = bounds.lowest;
    }
  }

  // By another range taken from the same start, as a part of the same scan.
  void Widen(const HeightRange& other) {
    Widen(HeightBounds{other.MinHeight, other.MaxHeight, true});
  }

  // True when every height of the block shades without fail: all are finite and
  // none lies outside the range.
  bool Contains(const HeightBounds& bounds) const {
    return bounds.allFinite && bounds.lowest >= MinHeight && bounds.highest <= MaxHeight;
  }
};

}  // namespace tolmer
