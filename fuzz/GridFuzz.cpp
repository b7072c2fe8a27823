// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// grid_fuzz: hands arbitrary bytes to ShowGrid as a grid file and checks, after
// every load, the rules that hold whatever a file contains (LoadInvariants.h).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>

#include "LoadInvariants.h"
#include "MemoryFile.h"
#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "support/TempDir.h"

namespace {

using tolmer::MemoryHost;
using tolmer::testing::OpenDescriptorCount;

// Made once: a fresh surface for every input would dominate the run time.
struct FuzzState {
  tolmer::fuzz::MemoryFile file;
  MemoryHost host;
  std::vector<unsigned char> earlierPicture =
      tolmer::fuzz::MakeEarlierPicture(tolmer::kViewerWidth, tolmer::kViewerHeight);
};

FuzzState& State() {
  static FuzzState state;
  return state;
}

// Puts the host back into the same state before every input, so that a failing
// input fails again on its own.
void PrepareHost(FuzzState& state) {
  MemoryHost& host = state.host;
  host.TakeStatuses();
  // A load must not depend on what an earlier load left in the range.
  host.Range().MinHeight = std::numeric_limits<float>::quiet_NaN();
  host.Range().MaxHeight = std::numeric_limits<float>::quiet_NaN();
  std::memcpy(host.Picture().hDC().bits, state.earlierPicture.data(), state.earlierPicture.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzState& state = State();
  state.file.Assign(data, size);
  PrepareHost(state);
  const int clearsBefore = state.host.Clears();
  const int descriptorsBefore = OpenDescriptorCount();
  const tolmer::LoadResult result = tolmer::ShowGrid(state.file.Path(), state.host);
  const int descriptorsAfter = OpenDescriptorCount();
  tolmer::fuzz::CheckLoad({state.file.Path(),
                           result,
                           {data, size},
                           state.host,
                           state.host.Clears() - clearsBefore,
                           state.earlierPicture,
                           descriptorsBefore,
                           descriptorsAfter});
  return 0;
}
