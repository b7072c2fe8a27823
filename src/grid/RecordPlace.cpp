// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/RecordPlace.h"

namespace tolmer {

std::string DescribeRecord(std::uint64_t record, std::int32_t gridWidth) {
  std::string text = "record " + std::to_string(record);
  if (gridWidth > 0) {
    const auto width = static_cast<std::uint64_t>(gridWidth);
    text += " (row " + std::to_string(record / width) + ", column " +
            std::to_string(record % width) + ")";
  }
  return text;
}

}  // namespace tolmer
