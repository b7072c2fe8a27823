#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages Tolmer needs; does nothing when they are all
# present. Needs root to install.
# Usage: install-deps.sh run|test
#   run   what building, running and packaging the viewer (cpack) needs
#   test  that, and what the tests, sanitizers, fuzzing, benchmarks and the
#         checks of the Debian package need
set -euo pipefail

run_packages=(
  cmake ninja-build g++ pkgconf
  qt6-base-dev libqt6svg6 fonts-dejavu-core libpng-dev
  dpkg-dev file
)
test_packages=(
  libgtest-dev libgmock-dev
  xvfb xauth xdotool imagemagick x11-apps libx11-dev inotify-tools
  lintian desktop-file-utils appstream
  clang-14 libclang-rt-14-dev llvm
  libbenchmark-dev time
)

case ${1:-} in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi
if ((EUID != 0)); then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run this script as root to install them." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
