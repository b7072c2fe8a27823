// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "loader/LoadHost.h"
#include "loader/LoadResult.h"

namespace tolmer {

inline constexpr const char* kStatusLoading = "Loading ";
inline constexpr const char* kStatusLoaded = "Loaded, ";
inline constexpr const char* kStatusError = "Error";

// Loads the named grid file onto the host's surface and reports it in the status:
// "Loading <name>", then "Loaded, <W>x<H>" or "Error". An abandoned load gets no
// final status, as its owner has stopped listening. Returns how the load ended;
// the reason of a failure goes only there.
LoadResult ShowGrid(const std::string& fileName, LoadHost& host) noexcept;

}  // namespace tolmer
