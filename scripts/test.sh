#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Installs what is missing, builds Tolmer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test
cmake --preset dev -DBUILD_TESTING=ON
cmake --build --preset dev
ctest --preset dev
