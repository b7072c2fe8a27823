#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Builds the Debian package with CPack and checks it as Debian would: lintian on the
# package, desktop-file-validate on its desktop entry and appstreamcli on its
# metainfo. An error or a warning from any of them fails; lintian's informational
# tags are shown.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test
cmake --preset dev -DBUILD_TESTING=ON
cmake --build --preset dev
out=$(mktemp -d /tmp/tolmer-package-XXXXXX)
trap 'rm -rf "$out"' EXIT
cpack --config build/dev/CPackConfig.cmake -B "$out" >"$out/cpack.log" ||
  { cat "$out/cpack.log"; exit 1; }
deb=$(echo "$out"/*.deb)
echo "--- lintian $(basename "$deb")"
lintian --display-info --fail-on error,warning "$deb"

dpkg-deb -x "$deb" "$out/root"
for entry in "$out"/root/usr/share/applications/*.desktop; do
  echo "--- desktop-file-validate $(basename "$entry")"
  report=$(desktop-file-validate "$entry" 2>&1) || { echo "$report"; exit 1; }
  echo "$report"
  if grep -q "warning:" <<<"$report"; then exit 1; fi
done
for metainfo in "$out"/root/usr/share/metainfo/*.metainfo.xml; do
  echo "--- appstreamcli validate $(basename "$metainfo")"
  report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || { echo "$report"; exit 1; }
  echo "$report"
  if grep -q "^W:" <<<"$report"; then exit 1; fi
done
echo "package checks: all passed"
