#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the viewer and its sample grids, and starts it in
# build/dev, where they are: type examples/island.grid and press Show.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh run
if [[ -f build/dev/CMakeCache.txt ]]; then
  cmake --preset dev
else
  # Without the tests, whose packages only scripts/test.sh installs; it turns them on.
  cmake --preset dev -DBUILD_TESTING=OFF
fi
cmake --build --preset dev --target tolmer tolmer-examples
cd build/dev
exec src/window/tolmer "$@"
