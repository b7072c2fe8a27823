// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>

#include "window/CommandLine.h"

namespace tolmer {

// Prints what request.file holds to `out`, as text or as one JSON object (the keys
// are in the manual page), after reading it once as a load would. Needs no display
// and no application object. Returns the exit status: 0 printed, 1 when the grid
// cannot be read, with the reason a load gives on `errors`, one line after
// "tolmer: ".
int PrintGridInfo(const InfoRequest& request, std::ostream& out, std::ostream& errors);

}  // namespace tolmer
