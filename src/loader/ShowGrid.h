#pragma once

#include <string>

#include "loader/LoadHost.h"

namespace tolmer {

inline constexpr const char* kStatusLoading = "Loading ";
inline constexpr const char* kStatusLoaded = "Loaded, ";
inline constexpr const char* kStatusError = "Error";

// Loads the named grid file and paints it on the host's surface: pass 1 finds the
// height range, pass 2 clears the surface and paints every cell. The status goes
// "Loading <name>", then "Loaded, <W>x<H>" or "Error". Every failure ends in "Error"
// and a normal return; a failure found before the clear leaves the old picture.
void ShowGrid(const std::string& fileName, LoadHost& host) noexcept;

}  // namespace tolmer
