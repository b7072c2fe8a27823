#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Remakes docs/screenshot.png: the viewer on a virtual X screen, started in
# build/dev as scripts/run.sh starts it, after typing examples/island.grid and
# pressing Show.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test
cmake --preset dev -DBUILD_TESTING=ON
cmake --build --preset dev \
  --target tolmer tolmer-examples tolmer-e2e-reference tolmer-e2e-compare
docs=$(pwd)/docs

# shellcheck source=tests/e2e/x-session.sh
source tests/e2e/x-session.sh
cd build/dev
# shellcheck disable=SC2034 # read by the map checks of x-session.sh
reference_tool=tests/e2e/tolmer-e2e-reference
# shellcheck disable=SC2034
compare_tool=tests/e2e/tolmer-e2e-compare
scratch=$(mktemp -d /tmp/tolmer-screenshot-XXXXXX)
trap 'stop_x_session; rm -rf "$scratch"' EXIT

start_xvfb "$scratch"
start_viewer src/window/tolmer "$scratch/viewer.log"
enter_name examples/island.grid
press_show
if ! wait_for_map examples/island.grid; then
  echo "the viewer did not show examples/island.grid: $(cat "$scratch/compare.log")" >&2
  exit 1
fi
import -window "$window" -depth 8 "$docs/screenshot.png"
echo "wrote docs/screenshot.png"
