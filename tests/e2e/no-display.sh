#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# The viewer started without a usable display must say so and exit with status 1,
# never abort with a core dump; its --help and --version need no display, and fail
# when their text cannot be written.
# Usage: no-display.sh TOLMER
set -uo pipefail
tolmer=$1
failures=0

# expect_plain_exit DESCRIPTION PATTERN COMMAND...: runs COMMAND, which must exit with
# status 1 and print a message matching PATTERN.
expect_plain_exit() {
  local description=$1 pattern=$2
  shift 2
  local output status
  output=$("$@" 2>&1)
  status=$?
  if ((status != 1)); then
    echo "FAIL: $description: exit status $status, expected 1; output: $output"
    failures=$((failures + 1))
  elif ! grep -Eq -- "$pattern" <<<"$output"; then
    echo "FAIL: $description: message does not match /$pattern/: $output"
    failures=$((failures + 1))
  else
    echo "ok: $description"
  fi
}

expect_plain_exit "no display at all" '^tolmer: .*DISPLAY.*xvfb-run' \
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tolmer"
[[ $(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tolmer" 2>&1 | wc -l) == 1 ]] ||
  { echo "FAIL: the message is not one line"; failures=$((failures + 1)); }

# The advised command works from another folder, though the viewer was started by a
# path relative to its own.
message=$(cd "$(dirname "$tolmer")" &&
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "./$(basename "$tolmer")" 2>&1)
advice=$(sed -n 's/.*use: \(.*\) (xvfb-run comes with .*/\1/p' <<<"$message")
if output=$(cd / && eval "$advice --version" 2>&1) && grep -q '^tolmer ' <<<"$output"; then
  echo "ok: the advice, $advice, runs the viewer"
else
  echo "FAIL: the advice in \"$message\" does not run the viewer: $output"
  failures=$((failures + 1))
fi

# --help and --version print plain text, which needs no display.
for option in --help --version; do
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tolmer" "$option" 2>&1)
  status=$?
  if ((status != 0)) || ! grep -Eq '^(Usage: )?tolmer ' <<<"$output"; then
    echo "FAIL: $option without a display: exit status $status, output: $output"
    failures=$((failures + 1))
  else
    echo "ok: $option without a display"
  fi
done

# Text that cannot be written is an error, as it is for coreutils.
onto_full_disk() { "$@" >/dev/full; }
for option in --help --version; do
  expect_plain_exit "$option onto a full disk" '^tolmer: write error: No space left on device$' \
    onto_full_disk "$tolmer" "$option"
done

# A display number nobody serves: the X socket does not exist.
unused=9
while [[ -e /tmp/.X11-unix/X$unused || -e /tmp/.X$unused-lock ]]; do
  unused=$((unused + 1))
done
expect_plain_exit "a display nobody serves" '^tolmer: ' \
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$unused" "$tolmer"

((failures == 0))
