#include "LoadInvariants.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "grid/GridFormat.h"
#include "grid/LittleEndian.h"

namespace tolmer::fuzz {
namespace {

constexpr std::int64_t kMapLeft = 5;
constexpr std::int64_t kMapTop = 25;
constexpr int kPalestShade = 195;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "load rule broken: %s\n", what.c_str());
  std::abort();
}

// The header as the file states it, decoded here rather than by GridReader so that
// the two can disagree.
struct StatedHeader {
  bool present = false;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

StatedHeader ReadStatedHeader(std::span<const unsigned char> file) {
  if (file.size() < kHeaderSize) {
    return {};
  }
  return {true, LoadI32LE(file.data() + kSignatureSize),
          LoadI32LE(file.data() + kSignatureSize + 4)};
}

bool HoldsEveryRecord(std::span<const unsigned char> file, const StatedHeader& header) {
  if (!header.present || header.width < 0 || header.height < 0) {
    return false;
  }
  const auto cells =
      static_cast<std::uint64_t>(header.width) * static_cast<std::uint64_t>(header.height);
  return cells <= (file.size() - kHeaderSize) / kCellRecordSize;
}

bool AllHeightsFinite(std::span<const unsigned char> file, const StatedHeader& header) {
  const auto cells =
      static_cast<std::size_t>(header.width) * static_cast<std::size_t>(header.height);
  for (std::size_t cell = 0; cell < cells; ++cell) {
    const unsigned char* record = file.data() + kHeaderSize + cell * kCellRecordSize;
    for (std::size_t corner = 0; corner < 4; ++corner) {
      if (!std::isfinite(LoadF32LE(record + corner * 4))) {
        return false;
      }
    }
  }
  return true;
}

// Within one load every height lies in the range, so shades run from 0 to 195.
bool IsRampColour(const unsigned char* pixel) {
  const int red = pixel[0];
  const int green = pixel[1];
  const int blue = pixel[2];
  if (pixel[3] != 0xFF || red > kPalestShade) {
    return false;
  }
  return (green == 0xFF && blue == red) || (green == red && blue == 0xFF);
}

bool IsBackground(const unsigned char* pixel, Colour background) {
  return pixel[0] == RedOf(background) && pixel[1] == GreenOf(background) &&
         pixel[2] == BlueOf(background) && pixel[3] == 0xFF;
}

void CheckStatuses(const FinishedLoad& load, bool loaded, const StatedHeader& header) {
  const std::vector<std::string>& statuses = load.host.statuses;
  if (statuses.size() != 2 || statuses[0] != "Loading " + load.name) {
    Fail("status sequence does not start with a single \"Loading <name>\"");
  }
  if (!loaded && statuses[1] != "Error") {
    Fail("final status is neither \"Loaded, \" nor \"Error\": " + statuses[1]);
  }
  if (loaded) {
    if (!header.present) {
      Fail("a file shorter than a header loaded");
    }
    const std::string expected =
        "Loaded, " + std::to_string(header.width) + "x" + std::to_string(header.height);
    if (statuses[1] != expected) {
      Fail(statuses[1] + " for a header that says " + expected);
    }
  }
}

void CheckOutcome(const FinishedLoad& load, bool loaded, const StatedHeader& header) {
  const bool complete = HoldsEveryRecord(load.file, header);
  if (loaded && header.width > 0 && header.height > 0 && !complete) {
    Fail("loaded although records are missing");
  }
  if (!loaded && complete && AllHeightsFinite(load.file, header)) {
    Fail("a well-formed file failed to load");
  }
}

// Columns [begin, end) of one surface row.
struct Span {
  std::int64_t begin = 0;
  std::int64_t end = 0;
};

void CheckBackground(const unsigned char* row, Span span, const std::vector<unsigned char>& blank,
                     std::int32_t y) {
  const auto offset = static_cast<std::size_t>(span.begin) * 4;
  const auto length = static_cast<std::size_t>(span.end - span.begin) * 4;
  if (span.end > span.begin && std::memcmp(row + offset, blank.data() + offset, length) != 0) {
    Fail("pixel outside the map changed in row " + std::to_string(y));
  }
}

// After the clear: background outside the map rectangle, ramp colours inside it
// (or background still, where a failed load never got to). Whole runs of
// background are compared at once: a pixel-by-pixel check took longer than the load.
void CheckPainting(const FinishedLoad& load, bool loaded, const StatedHeader& header) {
  const MemorySurface& surface = load.host.surface;
  const std::int64_t width = surface.width();
  const bool hasCells = header.width > 0 && header.height > 0;
  const std::int64_t mapEnd =
      hasCells ? std::min(width, kMapLeft + 2 * std::int64_t{header.width}) : kMapLeft;
  const std::int64_t mapBottom = hasCells ? kMapTop + 2 * std::int64_t{header.height} : kMapTop;
  std::vector<unsigned char> blank(static_cast<std::size_t>(width) * 4);
  for (std::size_t offset = 0; offset < blank.size(); offset += 4) {
    const Colour background = surface.background();
    blank[offset] = RedOf(background);
    blank[offset + 1] = GreenOf(background);
    blank[offset + 2] = BlueOf(background);
    blank[offset + 3] = 0xFF;
  }
  for (std::int32_t y = 0; y < surface.height(); ++y) {
    const unsigned char* row =
        surface.bytes().data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
    if (y < kMapTop || y >= mapBottom) {
      CheckBackground(row, {0, width}, blank, y);
      continue;
    }
    CheckBackground(row, {0, kMapLeft}, blank, y);
    CheckBackground(row, {mapEnd, width}, blank, y);
    for (std::int64_t x = kMapLeft; x < mapEnd; ++x) {
      const unsigned char* pixel = row + x * 4;
      if (!IsRampColour(pixel) && (loaded || !IsBackground(pixel, surface.background()))) {
        Fail("map pixel with a colour of neither ramp at " + std::to_string(x) + "," +
             std::to_string(y));
      }
    }
  }
}

}  // namespace

std::vector<unsigned char> MakeEarlierPicture(std::int32_t width, std::int32_t height) {
  std::vector<unsigned char> bytes(static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(height) * 4);
  for (std::size_t offset = 0; offset < bytes.size(); offset += 4) {
    // Red 0xFE with green below 0xFF is in neither ramp, and it is not a background.
    bytes[offset] = 0xFE;
    bytes[offset + 1] = static_cast<unsigned char>(offset / 4 % 251);
    bytes[offset + 2] = static_cast<unsigned char>(offset / 4 % 241);
    bytes[offset + 3] = 0xFF;
  }
  return bytes;
}

void CheckLoad(const FinishedLoad& load) {
  const StatedHeader header = ReadStatedHeader(load.file);
  const std::vector<std::string>& statuses = load.host.statuses;
  const bool loaded = statuses.size() == 2 && statuses[1].rfind("Loaded, ", 0) == 0;
  CheckStatuses(load, loaded, header);
  if (load.descriptorsAfter != load.descriptorsBefore) {
    Fail("the load left a descriptor open");
  }
  CheckOutcome(load, loaded, header);
  const int clears = load.host.surface.clears;
  if (clears > 1 || (loaded && clears != 1)) {
    Fail("surface cleared " + std::to_string(clears) + " times");
  }
  if (clears == 0) {
    if (load.host.surface.bytes() != load.earlierPicture) {
      Fail("a load that never cleared changed the earlier picture");
    }
    return;
  }
  if (!header.present) {
    Fail("surface cleared for a file shorter than a header");
  }
  CheckPainting(load, loaded, header);
}

}  // namespace tolmer::fuzz
