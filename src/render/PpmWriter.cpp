// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/PpmWriter.h"

#include <string>
#include <vector>

#include "grid/AtomicFile.h"

namespace tolmer {

void WritePpm(const MemorySurface& surface, const std::string& path) {
  const std::string header =
      "P6\n" + std::to_string(surface.Width()) + ' ' + std::to_string(surface.Height()) + "\n255\n";
  const std::vector<unsigned char>& bytes = surface.Bytes();
  std::vector<unsigned char> rgb(header.begin(), header.end());
  rgb.reserve(header.size() + bytes.size() / 4 * 3);
  for (std::size_t offset = 0; offset < bytes.size(); offset += 4) {
    rgb.insert(rgb.end(), {bytes[offset], bytes[offset + 1], bytes[offset + 2]});
  }
  WriteFileAtomically(path, rgb.data(), rgb.size());
}

}  // namespace tolmer
