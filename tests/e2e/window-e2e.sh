#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# End-to-end test of the real viewer on a virtual X screen, for what the offscreen
# window tests cannot show: a click on "Show" with the completion list open, the
# screen compared pixel for pixel with what the core paints, a real close request
# during a load with the file dialog open, and a FILE given by its very bytes.
# Usage: window-e2e.sh TOLMER GRIDGEN REFERENCE COMPARE CLOSE
set -euo pipefail
tolmer=$1 gridgen=$2 close_tool=$5
# shellcheck source=tests/e2e/x-session.sh
source "$(dirname "$0")/x-session.sh"
# shellcheck disable=SC2034 # read by the map checks of x-session.sh
reference_tool=$3 compare_tool=$4

work=$(mktemp -d /tmp/tolmer-e2e-XXXXXX)
# shellcheck disable=SC2034 # read by the map checks of x-session.sh
scratch=$work
watcher="" watch_reader=""
trap 'stop_x_session; stop_watch; rm -rf "$work"' EXIT
cd "$work"

# Label1 and the room it may grow into.
readonly label_left=328 label_width=289 label_height=17

failures=0
step() { echo "--- $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

expect_map() {
  wait_for_map "$1" "${2:-}" || fail "the window does not show $1 ${2:-}: $(cat compare.log)"
}

same_label() {
  "$compare_tool" same "$1" $((window_left + label_left)) "$window_top" \
    "$2" $((window_left + label_left)) "$window_top" "$label_width" "$label_height" >/dev/null
}

# wait_for_label_change ANCHOR: waits up to 15 s for the status to look other than
# in ANCHOR, then for it to settle.
wait_for_label_change() {
  for _ in $(seq 150); do
    screenshot shot.ppm
    if ! same_label "$1" shot.ppm; then
      sleep 0.3
      return 0
    fi
    sleep 0.1
  done
  fail "the status still reads as in $1"
}

# wait_for_label ANCHOR: waits up to 15 s for the status to look as it does in ANCHOR.
wait_for_label() {
  for _ in $(seq 150); do
    screenshot shot.ppm
    if same_label "$1" shot.ppm; then
      return 0
    fi
    sleep 0.1
  done
  fail "the status does not read as in $1"
}

"$gridgen" terrain 0 0 empty.grid
"$gridgen" terrain 300 230 island.grid
"$gridgen" terrain 25 12 small.grid 5
"$gridgen" terrain 400 300 big.grid 7
# 4 GB, read in no less than a few tenths of a second; only the viewer opens it.
"$gridgen" sparse 4000 50000 watched.grid

# Stops the watcher of watch_opens; its reader ends once the fifo closes.
stop_watch() {
  if [[ -n $watcher ]]; then
    kill "$watcher" 2>/dev/null || true
    wait "$watcher" 2>/dev/null || true
    watcher=""
  fi
  if [[ -n $watch_reader ]]; then
    wait "$watch_reader" 2>/dev/null || true
    watch_reader=""
  fi
}

# watch_opens: from now on, logs to opens.log when watched.grid is opened or closed,
# a line "SECONDS EVENT" each time.
watch_opens() {
  stop_watch
  : >opens.log
  # Two jobs joined by a fifo rather than a pipeline, whose $! would be the reader's
  # and leave inotifywait running after the test.
  rm -f events.fifo
  mkfifo events.fifo
  while read -r event; do echo "$EPOCHREALTIME $event"; done <events.fifo >opens.log &
  watch_reader=$!
  inotifywait -m -e open -e close_nowrite --format %e watched.grid >events.fifo 2>inotify.log &
  watcher=$!
  for _ in $(seq 100); do
    grep -q "Watches established" inotify.log && return 0
    sleep 0.05
  done
  fail "inotifywait did not start: $(cat inotify.log)"
}
count_in_opens() { grep -c " $1" opens.log || true; }
# wait_for_event EVENT COUNT: waits up to 30 s until EVENT has happened COUNT times.
wait_for_event() {
  for _ in $(seq 1500); do
    (($(count_in_opens "$1") >= $2)) && return 0
    sleep 0.02
  done
}
# time_of_event EVENT N: when EVENT happened for the Nth time.
time_of_event() { grep " $1" opens.log | sed -n "$2p" | cut -d' ' -f1; }

start_xvfb "$work"
start_viewer "$tolmer" viewer.log

step "the window opens with its caption, size and an empty map area"
[[ $(xdotool getwindowname "$window") == "Tolmer by Quindel" ]] || fail "wrong caption"
[[ $(window_geometry) == "$window_left $window_top $client_width $client_height" ]] ||
  fail "client area is $(window_geometry)"
screenshot start.ppm
map_shown empty.grid start.ppm || fail "map area not empty: $(cat compare.log)"

step "a name typed with the completion list open is shown by one click on Show"
enter_name island.grid
press_show
expect_map island.grid
sleep 0.3
screenshot loaded.ppm

step "Alt+S with the completion list open shows the file, and closes the list"
enter_name small.grid
xdotool key alt+s
expect_map small.grid
sleep 0.3
screenshot small.ppm

step "a drag pans the map pixel for pixel, F fits the grid, Ctrl+0 goes back, H and H again leave it"
enter_name big.grid
press_show
expect_map big.grid
xdotool mousemove $((window_left + 300)) $((window_top + 300)) mousedown 1 \
  mousemove $((window_left + 280)) $((window_top + 290)) \
  mousemove $((window_left + 260)) $((window_top + 270)) mouseup 1
expect_map big.grid -40,-30
xdotool key f
expect_map big.grid fit
xdotool key ctrl+0
expect_map big.grid
# H shades the relief; H again gives back the exact picture of the load.
xdotool key h
sleep 0.5
xdotool key h
expect_map big.grid
enter_name small.grid
xdotool key alt+s
expect_map small.grid

step "a missing file shows the error status and leaves the picture"
enter_name missing.grid
press_show
wait_for_label_change small.ppm
screenshot error.ppm
expect_map small.grid

step "a load of the watched grid, timed by its open and close"
watch_opens
enter_name watched.grid
press_show
wait_for_event CLOSE 1
load_seconds=$(awk -v a="$(time_of_event OPEN 1)" -v b="$(time_of_event CLOSE 1)" \
  'BEGIN { printf "%.3f", b - a }')
echo "a load of watched.grid takes $load_seconds s"

step "closing the window during a long load, with the file dialog open, ends the viewer"
watch_opens
press_show
wait_for_event OPEN 1
xdotool key ctrl+o
timeout 10 xdotool search --sync --onlyvisible --name '^Open Cell Grid$' >/dev/null ||
  fail "no file dialog appeared"
closed_at=$EPOCHREALTIME
"$close_tool" "$window"
for _ in $(seq 100); do
  kill -0 "$viewer_pid" 2>/dev/null || break
  sleep 0.01
done
exit_seconds=$(awk -v a="$closed_at" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }')
if kill -0 "$viewer_pid" 2>/dev/null; then
  fail "the viewer still runs a second after the close request"
else
  wait "$viewer_pid" || fail "the viewer exited with status $?"
  viewer_pid=""
  sleep 0.1  # for the last event to reach opens.log
  stop_seconds=$(awk -v a="$closed_at" -v b="$(time_of_event CLOSE 1)" \
    'BEGIN { printf "%.3f", b - a }')
  echo "the viewer closed the grid $stop_seconds s and exited $exit_seconds s after the request"
  # A viewer that let the load finish first would hold the file about as long as a
  # load takes. (Its exit is no measure: sanitizers add their own work to it.)
  awk -v took="$stop_seconds" -v load="$load_seconds" 'BEGIN { exit !(took < load / 2) }' ||
    fail "the load went on for $stop_seconds s after the request; a load takes $load_seconds s"
fi

step "a FILE on the command line is shown at start, by its very bytes"
# Not valid UTF-8: a name that went through text and back would be another name.
cp island.grid $'\xff\xfe.grid'
start_viewer "$tolmer" viewer-file.log $'\xff\xfe.grid'
expect_map $'\xff\xfe.grid'
wait_for_label loaded.ppm
same_label error.ppm shot.ppm && fail "the status reads as after an error"

step "nothing the test started outlives it"
stop_x_session
stop_watch
# A file rather than a command substitution, whose subshell would be a child too.
if pgrep -a -P $$ >children.txt; then
  fail "processes left running: $(tr '\n' ' ' <children.txt)"
  cut -d' ' -f1 children.txt | xargs kill 2>/dev/null || true
fi

if ((failures > 0)); then
  echo "window end-to-end: $failures check(s) failed; viewer logs:"
  cat viewer*.log
  exit 1
fi
echo "window end-to-end: all checks passed"
