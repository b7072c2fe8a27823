#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Times one load of 256 MiB, 1 GiB and 4 GiB grids of real terrain through
# tolmer-bench against one pass of dd over the same file, alternating the two:
# - warm: the file is in the page cache;
# - cold: the file is dropped from the page cache before every run, and fincore
#   must show none of it cached;
# - one core: warm again, with both sides held to one processor by taskset.
# Prints the medians, their ratio, the load's throughput (timed from outside the
# process like dd, and inside it without start-up) and its peak resident memory;
# then, for 1 GiB and 4 GiB, the median time of a fit view and of a far view at 2
# pixels a cell, and the overview's memory.
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
if [[ ! -x $bench || ! -x $gridgen ]]; then
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
results=()
views=()
for entry in "256MiB 6710" "1GiB 26843" "4GiB 107375"; do
  read -r name rows <<<"$entry"
  file="$work/$name.grid"
  "$gridgen" terrain 2000 "$rows" "$file"
  sync "$file"
  if ! "$bench" "$file" >/dev/null; then
    echo "$name: the load did not end in \"Loaded\"" >&2
    exit 1
  fi
  modes=(warm cold)
  [[ $name == 1GiB ]] && modes+=(onecore)
  for mode in "${modes[@]}"; do
    line=$(measure "$name" "$file" "$mode")
    echo "$line"
    results+=("$line")
  done
  if [[ $name != 256MiB ]]; then
    # Views of the loaded grid, from the page cache: a fit from the overview, and
    # a far corner at 2 pixels a cell, read by position.
    cache "$file"
    fit=$("$bench" --runs "$runs" --view fit "$file" | awk '/^median .* view at/ { print $2 }')
    far=$("$bench" --runs "$runs" --view far "$file" | awk '/^median .* view at/ { print $2 }')
    overview=$("$bench" "$file" | awk '/^overview/ { print $2 }')
    views+=("$(printf "views   %-8s fit %.4f s, far %.4f s, overview %s MiB" "$name" "$fit" "$far" "$overview")")
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
printf '%s\n' "${views[@]}"
echo "load after: $(uptime)"
