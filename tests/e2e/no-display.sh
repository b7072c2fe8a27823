#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# The viewer started without a usable display must say so and exit with status 1,
# never abort with a core dump; its --help and --version need no display, and fail
# when their text cannot be written. --export draws a grid without any display,
# refuses what it cannot write without touching a file, keeps the mode of a file it
# replaces and writes through links. --info describes a grid, the thumbnailer draws
# one as the installed entry runs it, and the bash completion completes both programs.
# Usage: no-display.sh TOLMER GRIDGEN DATA
set -uo pipefail
tolmer=$1 gridgen=$2 data=$3
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
expect_refusal "--relief without --export" 2 "tolmer --help" --relief "$grid"
if without_screen "$tolmer" --export "$work/relief.png" --relief "$grid" &&
  without_screen "$tolmer" --export "$work/plain.png" "$grid" &&
  ! cmp -s "$work/relief.png" "$work/plain.png"; then
  echo "ok: --export --relief writes the shaded picture"
else
  echo "FAIL: --export --relief wrote no shaded picture"
  failures=$((failures + 1))
fi

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

# --info: its text, its refusals, and a full standard output as for --help.
printf 'extra' >>"$work/small.grid"
output=$(without_screen "$tolmer" --info "$work/small.grid" 2>&1)
if grep -qx 'cells: 600' <<<"$output" && grep -qx 'bytes after the last record: 5' <<<"$output"; then
  echo "ok: --info without a display"
else
  echo "FAIL: --info: $output"
  failures=$((failures + 1))
fi
expect_refusal "--info of a missing grid" 1 '^tolmer: there is no file named .*missing.grid$' \
  --info "$work/missing.grid"
expect_refusal "--info of a FIFO" 1 'is not a regular file$' --info "$work/fifo.png"
expect_refusal "--info with two files" 2 "tolmer --help" --info "$grid" "$grid"
for json in "" --json; do
  expect_plain_exit "--info $json onto a full disk" '^tolmer: write error: No space left on device$' \
    onto_full_disk "$tolmer" --info $json "$grid"
done

# The thumbnailer as a file manager runs it: the installed entry's Exec line with its
# size, input and output filled in, and the program the one built.
thumbnail() { # SIZE IN OUT
  local words word command=()
  read -ra words < <(sed -n 's/^Exec=//p' "$data/tolmer.thumbnailer")
  for word in "${words[@]:1}"; do
    case $word in
      %s) command+=("$1") ;;
      %i) command+=("$2") ;;
      %o) command+=("$3") ;;
      *) command+=("$word") ;;
    esac
  done
  without_screen "$tolmer" "${command[@]}"
}
# png_size FILE: the width and height in the PNG's IHDR chunk.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
non_utf8=$work/$'\xff\xfe'
cp "$work/large.grid" "$non_utf8.grid"
if thumbnail 128 "$non_utf8.grid" "$non_utf8.png" &&
  without_screen "$tolmer" --export "$work/scaled.png" --size 128x128 "$work/large.grid" &&
  cmp -s "$non_utf8.png" "$work/scaled.png" && [[ $(png_size "$non_utf8.png") == 128x85 ]]; then
  echo "ok: the thumbnail of a small grid is its export scaled"
else
  echo "FAIL: the thumbnail of a small grid differs from its export"
  failures=$((failures + 1))
fi
# Sampled: 43 GB of records, a single row of as many, a column; sparse, so no disk.
"$gridgen" sparse 46340 46340 "$work/huge.grid"
"$gridgen" sparse 2147483647 1 "$work/row.grid"
"$gridgen" sparse 1 2147483647 "$work/column.grid"
for expected in "huge 256 256x256" "huge 1 1x1" "row 4096 4096x1" "column 300 1x300"; do
  read -r name size pixels <<<"$expected"
  if thumbnail "$size" "$work/$name.grid" "$work/$name.png" &&
    [[ $(png_size "$work/$name.png") == "$pixels" ]]; then
    echo "ok: the sampled thumbnail of $name.grid at $size"
  else
    echo "FAIL: the thumbnail of $name.grid at $size is not $pixels"
    failures=$((failures + 1))
  fi
  rm -f "$work/$name.png"
done
rm "$work/huge.grid" "$work/row.grid" "$work/column.grid"
# Refusals, soon and without leaving a picture or anything else behind.
head -c 14 "$grid" >"$work/header.grid"
head -c 500 "$grid" >"$work/short.grid"
cp "$grid" "$work/nan.grid"
printf '\x00\x00\xc0\x7f' | dd of="$work/nan.grid" bs=1 seek=214 conv=notrunc status=none
for refusal in \
  "0|2|tolmer --help|$grid" \
  "4097|2|tolmer --help|$grid" \
  "64|1|is not a regular file|$work/fifo.png" \
  "64|1|is not a regular file|/dev/zero" \
  "64|1|is a folder|$work/folder" \
  "64|1|no cells to draw|$work/empty.grid" \
  "64|1|the file is too short|$work/header.grid" \
  "64|1|the file is too short|$work/short.grid" \
  "64|1|height 1 of record 10 .* is not a number|$work/nan.grid"; do
  IFS='|' read -r size expected pattern input <<<"$refusal"
  before=$(work_files)
  output=$(thumbnail "$size" "$input" "$work/thumb.png" 2>&1)
  status=$?
  if ((status != expected)) || ! grep -Eq -- "$pattern" <<<"$output" ||
    [[ $(work_files) != "$before" ]]; then
    echo "FAIL: thumbnail $size of $input: status $status, left files or said: $output"
    failures=$((failures + 1))
  else
    echo "ok: thumbnail $size of ${input##*/} refused"
  fi
done

# Bash completion, sourced as bash-completion loads it, in the work folder.
completes() { # SCRIPT WORDS...: what the completion offers for the last word
  bash -c 'source "$1"; cd "$2"; shift 2; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    function=$(complete -p "$1" | sed "s/.*-F \([^ ]*\) .*/\1/")
    "$function"; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$1" "$work" "${@:2}" | sort | tr '\n' ' '
}
touch "$work/picture.png"
for query in "tolmer|--th|--thumbnail " \
  "tolmer|sm|small.grid " \
  "tolmer|--export pic|picture.png " \
  "tolmer|--thumbnail 256 small.grid pic|picture.png " \
  "tolmer-gridgen|s|sparse " \
  "tolmer-gridgen|terrain 4 4 sm|small.grid "; do
  IFS='|' read -r script words expected <<<"$query"
  read -ra words <<<"$words"
  offered=$(completes "$data/completions/$script" "$script" "${words[@]}")
  if [[ $offered == "$expected" ]]; then
    echo "ok: completion of '$script ${words[*]}'"
  else
    echo "FAIL: completion of '$script ${words[*]}' offers '$offered', not '$expected'"
    failures=$((failures + 1))
  fi
done

((failures == 0))
