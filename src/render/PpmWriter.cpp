// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/PpmWriter.h"

#include <fstream>
#include <stdexcept>
#include <vector>

namespace tolmer {

void WritePpm(const MemorySurface& surface, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "P6\n" << surface.Width() << ' ' << surface.Height() << "\n255\n";
  const std::vector<unsigned char>& bytes = surface.Bytes();
  std::vector<unsigned char> rgb;
  rgb.reserve(bytes.size() / 4 * 3);
  for (std::size_t offset = 0; offset < bytes.size(); offset += 4) {
    rgb.insert(rgb.end(), {bytes[offset], bytes[offset + 1], bytes[offset + 2]});
  }
  out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  if (!out.flush()) {
    throw std::runtime_error("cannot write " + path);
  }
}

}  // namespace tolmer
