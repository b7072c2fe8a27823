#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the viewer and its sample grids, and starts it in
# the build folder, where they are: type examples/island.grid and press Show.
# The build folder is $TOLMER_BUILD_DIR when set, else build/dev in the source tree,
# or ${XDG_CACHE_HOME:-$HOME/.cache}/tolmer/build when the tree is not writable.
# Usage: run.sh [tolmer's arguments]; a FILE is relative to where run.sh is started.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."

# The viewer starts in the build folder, so a relative FILE is put after the
# caller's folder first; its bytes are kept as they are.
arguments=()
only_files=false
for argument in "$@"; do
  if ! $only_files && [[ $argument == -- ]]; then
    only_files=true
  elif [[ -n $argument && $argument != /* ]] && { $only_files || [[ $argument != -?* ]]; }; then
    argument=$caller/$argument
  fi
  arguments+=("$argument")
done

# Whether build/dev can be made or written; the deepest folder of it that exists decides.
tree_writable() {
  local dir
  for dir in build/dev build .; do
    if [[ -e $dir ]]; then
      [[ -w $dir ]]
      return
    fi
  done
}

if [[ -n ${TOLMER_BUILD_DIR:-} ]]; then
  build=$TOLMER_BUILD_DIR
  [[ $build == /* ]] || build=$caller/$build
elif tree_writable; then
  build=build/dev
else
  build=${XDG_CACHE_HOME:-$HOME/.cache}/tolmer/build
  echo "The source tree is not writable; building in $build"
fi

bash scripts/install-deps.sh run
if [[ -f $build/CMakeCache.txt ]]; then
  cmake --preset dev -B "$build"
else
  # Without the tests, whose packages only scripts/test.sh installs; it turns them on.
  cmake --preset dev -B "$build" -DBUILD_TESTING=OFF
fi
# All of the default build, the manual pages and changelog too, so that cpack in the
# build folder packages it.
cmake --build "$build"
cd "$build"
exec src/window/tolmer "${arguments[@]}"
