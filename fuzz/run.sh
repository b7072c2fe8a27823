#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Fuzzes ShowGrid for SECONDS with grid_fuzz, starting from the committed corpus,
# and prints the executions per second and in total. Inputs that add coverage
# collect in build/fuzz/corpus, failing inputs in build/fuzz/artifacts; add every
# failing input to fuzz/corpus/ together with its fix.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# != 1)) || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh SECONDS" >&2
  exit 2
fi
seconds=$1

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target grid_fuzz

work=build/fuzz/corpus
artifacts=build/fuzz/artifacts
log=build/fuzz/last-run.log
mkdir -p "$work" "$artifacts"

# One worker: the machine is shared. 1 MiB holds grids of about 50,000 cells.
status=0
build/fuzz/fuzz/grid_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=1048576 -print_final_stats=1 -artifact_prefix="$artifacts/" \
  "$work" fuzz/corpus >"$log" 2>&1 || status=$?

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
echo "grid_fuzz: ${executions:-?} executions in ${seconds} s, ${per_second:-?} per second"
if ((status != 0)); then
  grep -E "ERROR|load rule broken|Test unit written" "$log" >&2 || true
  echo "grid_fuzz failed (exit $status); full output in $log" >&2
  exit "$status"
fi
