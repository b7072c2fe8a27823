// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ShowGrid.h"

#include <exception>
#include <optional>

#include "loader/LoadGrid.h"

namespace tolmer {
namespace {

// Sets the status; what went wrong when the host could not take it.
std::optional<std::string> TrySetStatus(LoadHost& host, const std::string& text) noexcept {
  try {
    host.SetStatus(text);
    return std::nullopt;
  } catch (const std::exception& error) {
    return std::string("cannot show the status: ") + error.what();
  } catch (...) {
    return std::string("cannot show the status");
  }
}

}  // namespace

LoadResult ShowGrid(const std::string& fileName, LoadHost& host) noexcept {
  LoadResult result;
  if (const auto failure = TrySetStatus(host, kStatusLoading + fileName)) {
    result = LoadResult::Failed(*failure);
  } else {
    result = LoadGrid(fileName, host);
  }
  if (result.loaded()) {
    const std::string status =
        kStatusLoaded + std::to_string(result.width()) + "x" + std::to_string(result.height());
    if (const auto failure = TrySetStatus(host, status)) {
      result = LoadResult::Failed(*failure);
    }
  }
  if (result.failed()) {
    // Nothing is left to report a failure of this one with.
    TrySetStatus(host, kStatusError);
  }
  return result;
}

}  // namespace tolmer
