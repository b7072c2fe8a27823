#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# The viewer started without a usable display must say so and exit with status 1,
# never abort with a core dump; its --help and --version need no display, and fail
# when their text cannot be written. --export draws a grid without any display,
# refuses what it cannot write without touching a file, keeps the mode of a file it
# replaces and writes through links.
# Usage: no-display.sh TOLMER GRIDGEN
set -uo pipefail
tolmer=$1 gridgen=$2
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
# Qt's own options go to Qt, as in every Qt program: the display named is the one tried.
expect_plain_exit "-display naming a display nobody serves" "display :$unused" \
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tolmer" -display ":$unused"

# --export needs neither a display nor a platform plugin.
without_screen() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= timeout 60 "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$gridgen" terrain 30 20 "$work/small.grid"
"$gridgen" terrain 0 4 "$work/empty.grid"
# The size in the PNG's IHDR chunk: 60 x 40 pixels, big-endian.
if output=$(without_screen "$tolmer" --export "$work/small.png" "$work/small.grid" 2>&1) &&
  [[ $(od -An -tx1 -j12 -N12 "$work/small.png" | tr -d ' \n') == 494844520000003c00000028 ]]; then
  echo "ok: --export without a display"
else
  echo "FAIL: --export without a display: $output"
  failures=$((failures + 1))
fi

# expect_refusal DESCRIPTION STATUS PATTERN ARGUMENTS...: tolmer ARGUMENTS must exit
# with STATUS, soon, say PATTERN and leave every file of the work folder as it was.
work_files() { (cd "$work" && ls -A && find . -type f -exec sha256sum {} +) | sort; }
expect_refusal() {
  local description=$1 expected=$2 pattern=$3
  shift 3
  local before output status
  before=$(work_files)
  output=$(without_screen "$tolmer" "$@" 2>&1)
  status=$?
  if ((status != expected)); then
    echo "FAIL: $description: exit status $status, expected $expected; output: $output"
    failures=$((failures + 1))
  elif ! grep -Eq -- "$pattern" <<<"$output"; then
    echo "FAIL: $description: message does not match /$pattern/: $output"
    failures=$((failures + 1))
  elif [[ $(work_files) != "$before" ]]; then
    echo "FAIL: $description: files changed or left behind"
    failures=$((failures + 1))
  else
    echo "ok: $description"
  fi
}
mkdir "$work/folder"
mkfifo "$work/fifo.png"
ln -s small.grid "$work/link.png"
grid=$work/small.grid
expect_refusal "--export onto a folder" 1 '^tolmer: cannot write .*folder: it is a folder$' \
  --export "$work/folder" "$grid"
expect_refusal "--export into a missing folder" 1 \
  '^tolmer: cannot write .*/no/such.png: No such file or directory$' \
  --export "$work/no/such.png" "$grid"
expect_refusal "--export onto /dev/full" 1 '^tolmer: cannot write /dev/full: ' \
  --export /dev/full "$grid"
expect_refusal "--export onto a FIFO" 1 '^tolmer: cannot write .*fifo.png: it is a FIFO' \
  --export "$work/fifo.png" "$grid"
expect_refusal "--export onto the grid through a link" 2 'would overwrite the grid' \
  --export "$work/link.png" "$grid"
expect_refusal "--export of a missing grid" 1 '^tolmer: there is no file named .*missing.grid$' \
  --export "$work/small.png" "$work/missing.grid"
expect_refusal "--export of a grid without cells" 1 'the grid has no cells to export$' \
  --export "$work/small.png" "$work/empty.grid"
expect_refusal "--export without a FILE" 2 "tolmer --help" --export "$work/small.png"
expect_refusal "--export with a bad --size" 2 "tolmer --help" \
  --export "$work/small.png" --size 40by30 "$grid"

# A private file stays private; links are written through, never replaced: here a
# chain of relative links, each taken from its own folder, to a file not there yet.
echo x >"$work/private.png"
chmod 600 "$work/private.png"
mkdir "$work/links"
ln -s links/second.png "$work/first.png"
ln -s ../made.png "$work/links/second.png"
if output=$(without_screen "$tolmer" --export "$work/private.png" "$grid" 2>&1 &&
  without_screen "$tolmer" --export "$work/first.png" "$grid" 2>&1) &&
  [[ $(stat -c %a "$work/private.png") == 600 && -L $work/first.png &&
    -L $work/links/second.png && -s $work/made.png ]]; then
  echo "ok: --export keeps the mode of a file, and links"
else
  echo "FAIL: --export loosens the mode of a file, or replaces a link: $output"
  failures=$((failures + 1))
fi
ln -s missing/target.png "$work/dangling.png"
expect_refusal "--export through a link into a missing folder" 1 \
  '^tolmer: cannot write .*dangling.png: it links to .*missing/target.png, in a folder' \
  --export "$work/dangling.png" "$grid"
# A write cut short by a file size limit fails, and the old file is as it was.
"$gridgen" terrain 300 200 "$work/large.grid"
(
  failures=0
  ulimit -f 1 && trap '' XFSZ &&
    expect_refusal "--export beyond the file size limit" 1 'cannot write .*small.png: File too large' \
      --export "$work/small.png" "$work/large.grid"
  ((failures == 0))
) || failures=$((failures + 1))

((failures == 0))
