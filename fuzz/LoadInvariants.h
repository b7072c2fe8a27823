// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "loader/LoadResult.h"
#include "loader/MemoryHost.h"

namespace tolmer::fuzz {

// Everything known about one finished load.
struct FinishedLoad {
  const std::string& name;
  const LoadResult& result;
  std::span<const unsigned char> file;
  const MemoryHost& host;
  int clears = 0;                                    // of the surface, during the load
  const std::vector<unsigned char>& earlierPicture;  // the surface's bytes before the load
  int descriptorsBefore = 0;
  int descriptorsAfter = 0;
};

// Surface bytes that no load paints, so that any change to them shows.
std::vector<unsigned char> MakeEarlierPicture(std::int32_t width, std::int32_t height);

// Aborts with a message unless the load kept the rules every load keeps, whatever
// the file holds:
// - the load either loaded, with the header's numbers, or failed with a reason;
// - the status is "Loading <name>", then "Loaded, WxH" with those numbers or "Error";
// - a load that stops before clearing leaves the earlier picture untouched;
// - after the clear, nothing is painted outside the map rectangle and only colours
//   of the two ramps inside it; a loaded grid is painted whole;
// - a file whose header is matched by its body and whose heights are all finite loads;
// - no descriptor is left open.
void CheckLoad(const FinishedLoad& load);

}  // namespace tolmer::fuzz
