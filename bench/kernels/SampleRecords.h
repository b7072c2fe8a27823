// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <random>
#include <vector>

#include "grid/GridFormat.h"
#include "grid/GridWriter.h"

namespace tolmer::bench {

// Stored records with random heights in [-500, 500), for kernels to chew on.
class SampleRecords {
 public:
  explicit SampleRecords(std::size_t count) : bytes_(count * kCellRecordSize) {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> height(-500.0F, 500.0F);
    for (std::size_t index = 0; index < count; ++index) {
      const auto record = EncodeCell(CellRecord{height(random), height(random), height(random),
                                                height(random), static_cast<int>(index % 2)});
      std::copy(record.begin(), record.end(),
                bytes_.begin() + static_cast<std::ptrdiff_t>(index * kCellRecordSize));
    }
  }

  RecordBlock Block() const { return RecordBlock(bytes_.data(), bytes_.size() / kCellRecordSize); }
  std::size_t ByteCount() const { return bytes_.size(); }

 private:
  std::vector<unsigned char> bytes_;
};

}  // namespace tolmer::bench
