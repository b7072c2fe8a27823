// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

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
};

}  // namespace tolmer
