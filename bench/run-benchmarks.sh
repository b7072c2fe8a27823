#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Times one load of grids of real terrain through tolmer-bench against one pass of
# dd over the same file, alternating the two (tall grids 2000 cells wide of 256 MiB,
# 1 GiB and 4 GiB, a square 1 GiB grid, and a square 40 GB sparse grid):
# - warm: the file is in the page cache;
# - cold: the file is dropped from the page cache before every run, and fincore
#   must show none of it cached (not for the sparse grid, which has no data);
# - one core: warm again, with both sides held to one processor by taskset.
# Prints the medians, their ratio, the load's throughput (timed from outside the
# process like dd, and inside it without start-up) and its peak resident memory;
# then, for all but the smallest, the overview's size in memory and on disk and the
# median time of views at the fit and at 1/16 to 2 pixels a cell in a 617 x 503 and
# a 1920 x 1080 window; and for both 1 GiB grids, the export against gzip -1 of its
# picture's raw bytes.
#
# usage: bench/run-benchmarks.sh [DIR] [RUNS]
#   DIR   where the grid files go (default /tmp); each is deleted after its rows
#   RUNS  timed runs of each side per row (default 7, at least 5)
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

base=${1:-/tmp}
runs=${2:-7}
if ((runs < 5)); then
  echo "RUNS must be at least 5" >&2
  exit 2
fi

bench=build/dev/bench/tolmer-bench
gridgen=build/dev/tools/tolmer-gridgen
viewer=build/dev/src/window/tolmer
if [[ ! -x $bench || ! -x $gridgen || ! -x $viewer ]]; then
  cmake --preset dev
  cmake --build --preset dev
fi

work=$(mktemp -d "$base/tolmer-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Wall-clock seconds of a command, to the microsecond; its output is discarded.
seconds_of() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1
  local end=$EPOCHREALTIME
  awk -v start="$start" -v end="$end" 'BEGIN { printf "%.6f\n", end - start }'
}

median() {
  printf '%s\n' "$@" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The page cache holds none of the file afterwards (fincore counts its pages).
evict() {
  dd if="$1" iflag=nocache count=0 status=none
  local cached
  cached=$(fincore --noheadings --bytes --output RES "$1" | tr -d ' ')
  if ((cached > 0)); then
    echo "$1: $cached bytes still cached after eviction" >&2
    exit 1
  fi
}

# The whole file in the page cache, read in by readahead as a user's file would be.
cache() {
  evict "$1"
  dd if="$1" of=/dev/null bs=1M status=none
}

# The two sides of a row; $prefix may hold one processor with taskset.
prefix=()
read_once() { "${prefix[@]}" dd if="$1" of=/dev/null bs=1M status=none; }
load_once() { "${prefix[@]}" "$bench" "$1"; }

# measure NAME FILE MODE: prints one result line. MODE is warm, cold or onecore.
measure() {
  local name=$1 file=$2 mode=$3
  local size
  size=$(stat -c %s "$file")
  prefix=()
  [[ $mode == onecore ]] && prefix=(taskset -c 0)
  [[ $mode == cold ]] || cache "$file"
  local dd_times=() load_times=() side
  for ((run = 1; run <= runs; ++run)); do
    for side in read_once load_once; do
      # Alternate which side goes first, so both see the same disturbance.
      ((run % 2)) || side=$([[ $side == read_once ]] && echo load_once || echo read_once)
      [[ $mode == cold ]] && evict "$file"
      if [[ $side == read_once ]]; then
        dd_times+=("$(seconds_of read_once "$file")")
      else
        load_times+=("$(seconds_of load_once "$file")")
      fi
    done
  done
  local dd_median load_median inside_median="-" rss_kib
  dd_median=$(median "${dd_times[@]}")
  load_median=$(median "${load_times[@]}")
  if [[ $mode != cold ]]; then
    # The load alone, timed inside one process: no start-up, no surface set-up.
    inside_median=$("${prefix[@]}" "$bench" --runs "$runs" "$file" | awk '/^median/ { print $2 }')
  fi
  rss_kib=$(/usr/bin/time -f %M "$bench" "$file" 2>&1 >/dev/null | tail -n 1)
  awk -v name="$name" -v mode="$mode" -v size="$size" -v dd="$dd_median" -v load="$load_median" \
    -v inside="$inside_median" -v rss="$rss_kib" 'BEGIN {
      inner = inside == "-" ? "         -        -" : sprintf("%10.4f %8.2f", inside, size / inside / 1e9)
      printf "%-7s %-8s %14.0f %9.4f %9.4f %6.2f %8.2f %s %8.1f\n",
        name, mode, size, dd, load, load / dd, size / load / 1e9, inner, rss / 1024
    }'
}

echo "tolmer-bench against one dd pass, medians of $runs alternating runs"
echo "machine: $(nproc) processors, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
  "$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)"
echo "load before: $(uptime)"
printf "%-7s %-8s %14s %9s %9s %6s %8s %10s %8s %8s\n" file mode bytes "dd s" "load s" ratio \
  "GB/s" "inside s" "GB/s" "RSS MiB"
# views NAME FILE WINDOW: one line of median view times, fit first.
view_scales=(fit scale=1/16 scale=1/8 scale=1/4 scale=1/2 scale=1 scale=2)
views_of() {
  local name=$1 file=$2 window=$3 list
  list=$(IFS=,; echo "${view_scales[*]}")
  "$bench" --runs "$runs" --window "$window" --view "$list" "$file" |
    awk -v name="$name" -v window="$window" '
      /^median .* view at/ { times = times sprintf(" %8.4f", $2) }
      END { printf "views   %-12s %-9s%s\n", name, window, times }'
}

# export_against_gzip NAME FILE: the export's time and peak memory against gzip -1
# of the raw bytes of the same picture, drawn as a view and dumped as a PPM.
export_against_gzip() {
  local name=$1 file=$2 png="$work/export.png" raw="$work/raw.ppm"
  "$viewer" --export "$png" "$file"
  local width height scale
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  scale=$(awk -v w="$width" -v file_width="$(od -An -tu4 -j6 -N4 --endian=little "$file")" \
    'BEGIN { printf "%.9f", w / file_width }')
  "$bench" --window "${width}x$((height + 25))" --view "scale=$scale" --dump "$raw" "$file" \
    >/dev/null
  local export_times=() gzip_times=() run
  for ((run = 1; run <= runs; ++run)); do
    export_times+=("$(seconds_of "$viewer" --export "$png" "$file")")
    gzip_times+=("$(seconds_of sh -c "gzip -1 < '$raw' > /dev/null")")
  done
  local rss_kib
  rss_kib=$(/usr/bin/time -f %M "$viewer" --export "$png" "$file" 2>&1 >/dev/null | tail -n 1)
  awk -v name="$name" -v w="$width" -v h="$height" -v e="$(median "${export_times[@]}")" \
    -v g="$(median "${gzip_times[@]}")" -v rss="$rss_kib" 'BEGIN {
      printf "export  %-12s %dx%d, %.0f MB raw: export %.3f s, gzip -1 %.3f s, ratio %.2f, peak RSS %.1f MiB\n",
        name, w, h, w * h * 3 / 1e6, e, g, e / g, rss / 1024
    }'
  rm -f "$png" "$raw"
}

results=()
views=()
for entry in "256MiB terrain 2000 6710" "1GiB terrain 2000 26843" \
  "1GiB-square terrain 7326 7326" "4GiB terrain 2000 107375" "40GB-sparse sparse 46340 46340"; do
  read -r name kind width rows <<<"$entry"
  file="$work/$name.grid"
  "$gridgen" "$kind" "$width" "$rows" "$file"
  sync "$file"
  if ! "$bench" "$file" >/dev/null; then
    echo "$name: the load did not end in \"Loaded\"" >&2
    exit 1
  fi
  modes=(warm)
  [[ $kind == sparse ]] || modes+=(cold)
  [[ $name == 1GiB ]] && modes+=(onecore)
  for mode in "${modes[@]}"; do
    line=$(measure "$name" "$file" "$mode")
    echo "$line"
    results+=("$line")
  done
  if [[ $name != 256MiB ]]; then
    # Views of the loaded grid, from the page cache.
    cache "$file"
    views+=("$("$bench" "$file" | awk -v name="$name" '/^overview/ {
      printf "overview %-12s %s MiB in memory, %s MiB on disk\n", name, $2, $8 }')")
    for window in 617x503 1920x1080; do
      views+=("$(views_of "$name" "$file" "$window")")
    done
  fi
  if [[ $name == 1GiB* ]]; then
    views+=("$(export_against_gzip "$name" "$file")")
  fi
  # Only one large file on disk and in the page cache at a time.
  rm -f "$file"
done

# Throughput of each size against the 1 GiB file, warm, timed from outside and
# inside the process: linear time means close to 1.
printf '%s\n' "${results[@]}" | awk '
  $2 == "warm" { name[++n] = $1; outside[n] = $7; inside[n] = $9 }
  $2 == "warm" && $1 == "1GiB" { reference = n }
  END {
    for (i = 1; i <= n; ++i) {
      printf "scaling %-8s %5.2f (outside) %5.2f (inside) of the 1 GiB throughput\n",
        name[i], outside[i] / outside[reference], inside[i] / inside[reference]
    }
  }'
echo "views: median seconds at ${view_scales[*]}"
printf '%s\n' "${views[@]}"
echo "load after: $(uptime)"
