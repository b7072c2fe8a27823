#!/usr/bin/env bash
# Installs the Debian 12 packages Tolmer needs to build and test; does nothing
# when they are all present. Needs root to install.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkgconf
  libgtest-dev libgmock-dev
  qt6-base-dev libqt6svg6 fonts-dejavu-core
  xvfb xauth xdotool imagemagick x11-apps libx11-dev inotify-tools
  dpkg-dev file
  clang-14 libclang-rt-14-dev llvm
  libbenchmark-dev time
)

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
