#!/usr/bin/env bash
# Times one load of 256 MiB, 1 GiB and 4 GiB grids through tolmer-bench against
# reading the same file twice with dd, alternating the two, and prints the ratio of
# the medians, the load's throughput (timed from outside the process like dd, and
# inside it without start-up) and its peak resident memory.
#
# usage: bench/run-benchmarks.sh [DIR] [RUNS]
#   DIR   where the grid files go (default /tmp); they are deleted afterwards
#   RUNS  timed runs of each side per file (default 7, at least 5)
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

read_twice() {
  dd if="$1" of=/dev/null bs=1M status=none
  dd if="$1" of=/dev/null bs=1M status=none
}

load_once() {
  "$bench" "$1"
}

# Prints one result line: name, size, medians, ratio, GB/s and peak RSS.
measure() {
  local name=$1 file=$2
  local size
  size=$(stat -c %s "$file")
  # A file's page cache is faster to read when readahead filled it than when the
  # writer did, so every file is dropped from the cache and read back in once.
  sync "$file"
  dd if="$file" iflag=nocache count=0 status=none
  dd if="$file" of=/dev/null bs=1M status=none
  if ! "$bench" "$file" >/dev/null; then
    echo "$name: the load did not end in \"Loaded\"" >&2
    exit 1
  fi
  local dd_times=() load_times=()
  for ((run = 1; run <= runs; ++run)); do
    if ((run % 2)); then
      dd_times+=("$(seconds_of read_twice "$file")")
      load_times+=("$(seconds_of load_once "$file")")
    else
      load_times+=("$(seconds_of load_once "$file")")
      dd_times+=("$(seconds_of read_twice "$file")")
    fi
  done
  local dd_median load_median inside_median rss_kib
  dd_median=$(median "${dd_times[@]}")
  load_median=$(median "${load_times[@]}")
  # The load alone, timed inside one process: no start-up, no surface set-up.
  inside_median=$("$bench" --runs "$runs" "$file" | awk '/^median/ { print $2 }')
  rss_kib=$(/usr/bin/time -f %M "$bench" "$file" 2>&1 >/dev/null | tail -n 1)
  awk -v name="$name" -v size="$size" -v dd="$dd_median" -v load="$load_median" \
    -v inside="$inside_median" -v rss="$rss_kib" 'BEGIN {
      printf "%-8s %14.0f %10.4f %10.4f %7.2f %8.2f %10.4f %8.2f %10.1f\n",
        name, size, dd, load, load / dd, size / load / 1e9, inside, size / inside / 1e9,
        rss / 1024
    }'
}

echo "tolmer-bench against two dd passes, median of $runs alternating runs"
echo "load before: $(uptime)"
echo "writing grids to $work"
"$gridgen" terrain 2000 6710 "$work/256MiB.grid"
"$gridgen" terrain 2000 26843 "$work/1GiB.grid"
"$gridgen" sparse 2000 107375 "$work/4GiB.grid"  # 4 GiB + 32 KiB, past 32-bit offsets

printf "%-8s %14s %10s %10s %7s %8s %10s %8s %10s\n" file bytes "dd x2 s" "load s" ratio "GB/s" \
  "inside s" "GB/s" "RSS MiB"
results=()
for name in 256MiB 1GiB 4GiB; do
  line=$(measure "$name" "$work/$name.grid")
  echo "$line"
  results+=("$line")
  # Only one large file in the page cache at a time.
  rm -f "$work/$name.grid"
done

# Throughput of each size against the 1 GiB file, timed from outside and inside
# the process: linear time means close to 1.
printf '%s\n' "${results[@]}" | awk '
  { name[NR] = $1; outside[NR] = $6; inside[NR] = $8 }
  $1 == "1GiB" { reference = NR }
  END {
    for (i = 1; i <= NR; ++i) {
      printf "scaling %-8s %5.2f (outside) %5.2f (inside) of the 1 GiB throughput\n",
        name[i], outside[i] / outside[reference], inside[i] / inside[reference]
    }
  }'
echo "load after: $(uptime)"
