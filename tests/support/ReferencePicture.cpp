// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "support/ReferencePicture.h"

#include "loader/ShowGrid.h"
#include "support/RecordingHost.h"

namespace tolmer::testing {

ReferenceLoad LoadIntoMemory(const std::string& gridPath, Colour background) {
  RecordingHost host(background);
  ShowGrid(gridPath, host);
  const MemorySurface& picture = host.Picture();
  return ReferenceLoad{picture, host.LastStatus()};
}

}  // namespace tolmer::testing
