#!/usr/bin/env bash
# Installs what is missing, builds the viewer and its sample grids, and starts it
# from the repository root: type examples/island.grid and press Show.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev --target tolmer tolmer-examples
exec build/dev/src/window/tolmer
