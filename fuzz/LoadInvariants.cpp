// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "LoadInvariants.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "grid/GridFormat.h"
#include "render/CellColor.h"

namespace tolmer::fuzz {
namespace {

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
bool IsPaintedInRange(const unsigned char* pixel) {
  return pixel[3] == 0xFF && pixel[0] <= kShadeSteps &&
         IsRampColour(MakeColour(pixel[0], pixel[1], pixel[2]));
}

bool IsBackground(const unsigned char* pixel, Colour background) {
  return pixel[0] == RedOf(background) && pixel[1] == GreenOf(background) &&
         pixel[2] == BlueOf(background) && pixel[3] == 0xFF;
}

void CheckResultAndStatuses(const FinishedLoad& load, const StatedHeader& header) {
  const LoadResult& result = load.result;
  if (result.GetOutcome() == LoadResult::Outcome::Abandoned) {
    Fail("a load that nobody stopped was abandoned");
  }
  if (result.IsFailed() && result.Reason().empty()) {
    Fail("a failed load gives no reason");
  }
  if (result.IsLoaded() && !header.present) {
    Fail("a file shorter than a header loaded");
  }
  if (result.IsLoaded() && (result.Width() != header.width || result.Height() != header.height)) {
    Fail("loaded as " + std::to_string(result.Width()) + "x" + std::to_string(result.Height()) +
         " a grid whose header says " + std::to_string(header.width) + "x" +
         std::to_string(header.height));
  }
  const std::vector<std::string>& statuses = load.host.Statuses();
  const std::string last = result.IsLoaded() ? "Loaded, " + std::to_string(result.Width()) + "x" +
                                                   std::to_string(result.Height())
                                             : "Error";
  if (statuses != std::vector<std::string>{"Loading " + load.name, last}) {
    Fail("statuses are not \"Loading <name>\" then \"" + last + "\"");
  }
}

void CheckOutcome(const FinishedLoad& load, const StatedHeader& header) {
  const bool loaded = load.result.IsLoaded();
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
void CheckPainting(const FinishedLoad& load, const StatedHeader& header) {
  const bool loaded = load.result.IsLoaded();
  const MemorySurface& surface = load.host.Picture();
  const MapPlacement& at = load.host.Placement();
  const std::int64_t width = surface.Width();
  const bool hasCells = header.width > 0 && header.height > 0;
  const std::int64_t mapLeft = at.Left();
  const std::int64_t mapTop = at.Top();
  const std::int64_t mapEnd = hasCells ? std::min(width, at.CellLeft(header.width)) : mapLeft;
  const std::int64_t mapBottom = hasCells ? at.CellTop(header.height) : mapTop;
  std::vector<unsigned char> blank(static_cast<std::size_t>(width) * 4);
  for (std::size_t offset = 0; offset < blank.size(); offset += 4) {
    const Colour background = surface.Background();
    blank[offset] = RedOf(background);
    blank[offset + 1] = GreenOf(background);
    blank[offset + 2] = BlueOf(background);
    blank[offset + 3] = 0xFF;
  }
  for (std::int32_t y = 0; y < surface.Height(); ++y) {
    const unsigned char* row =
        surface.Bytes().data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
    if (y < mapTop || y >= mapBottom) {
      CheckBackground(row, {0, width}, blank, y);
      continue;
    }
    CheckBackground(row, {0, mapLeft}, blank, y);
    CheckBackground(row, {mapEnd, width}, blank, y);
    for (std::int64_t x = mapLeft; x < mapEnd; ++x) {
      const unsigned char* pixel = row + x * 4;
      if (!IsPaintedInRange(pixel) && (loaded || !IsBackground(pixel, surface.Background()))) {
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
  const bool loaded = load.result.IsLoaded();
  CheckResultAndStatuses(load, header);
  if (load.descriptorsAfter != load.descriptorsBefore) {
    Fail("the load left a descriptor open");
  }
  CheckOutcome(load, header);
  const int clears = load.clears;
  if (clears > 1 || (loaded && clears != 1)) {
    Fail("surface cleared " + std::to_string(clears) + " times");
  }
  if (clears == 0) {
    if (load.host.Picture().Bytes() != load.earlierPicture) {
      Fail("a load that never cleared changed the earlier picture");
    }
    return;
  }
  if (!header.present) {
    Fail("surface cleared for a file shorter than a header");
  }
  CheckPainting(load, header);
}

}  // namespace tolmer::fuzz
