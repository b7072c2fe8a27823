#!/usr/bin/env bash
# End-to-end test of the real viewer on a virtual X screen: types file names and
# presses "Show" the way a user does, and compares the screen pixel for pixel with
# what the core paints for the same files.
# Usage: window-e2e.sh TOLMER GRIDGEN REFERENCE COMPARE
set -euo pipefail
tolmer=$1 gridgen=$2
# shellcheck source=tests/e2e/x-session.sh
source "$(dirname "$0")/x-session.sh"
# shellcheck disable=SC2034 # read by the map checks of x-session.sh
reference_tool=$3 compare_tool=$4

work=$(mktemp -d /tmp/tolmer-e2e-XXXXXX)
# shellcheck disable=SC2034 # read by the map checks of x-session.sh
scratch=$work
trap 'stop_x_session; rm -rf "$work"' EXIT
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
  wait_for_map "$1" || fail "the window does not show $1: $(cat compare.log)"
}

same_label() {
  "$compare_tool" same "$1" $((window_left + label_left)) "$window_top" \
    "$2" $((window_left + label_left)) "$window_top" "$label_width" "$label_height" >/dev/null
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
"$gridgen" terrain 800 600 continent.grid 11
"$gridgen" terrain 25 12 small.grid 5
"$gridgen" sparse 4000 4000 long.grid

start_xvfb "$work"
start_viewer "$tolmer" viewer.log

step "the window opens with its caption, size and an empty map area"
[[ $(xdotool getwindowname "$window") == "Tolmer by Quindel" ]] || fail "wrong caption"
[[ $(window_geometry) == "$window_left $window_top $client_width $client_height" ]] ||
  fail "client area is $(window_geometry)"
screenshot start.ppm
map_shown empty.grid start.ppm || fail "map area not empty: $(cat compare.log)"

step "Show with the untouched text loads a file named Filename, which is missing"
press_show
for _ in $(seq 150); do
  screenshot shot.ppm
  same_label start.ppm shot.ppm || break
  sleep 0.1
done
sleep 0.3
screenshot error.ppm
same_label start.ppm error.ppm && fail "the status did not change"
map_shown empty.grid error.ppm || fail "map area changed: $(cat compare.log)"

step "a grid that fits the window"
enter_name island.grid
press_show
expect_map island.grid

step "a missing file shows the error status and leaves the picture"
enter_name missing.grid
press_show
wait_for_label error.ppm
expect_map island.grid

step "Enter in the text box does not load"
enter_name small.grid
xdotool key Return
sleep 0.5
screenshot shot.ppm
map_shown island.grid shot.ppm || fail "Enter changed the map: $(cat compare.log)"
same_label error.ppm shot.ppm || fail "Enter changed the status"

step "a second load replaces the picture"
press_show
expect_map small.grid

step "a grid larger than the window shows its top left part"
enter_name continent.grid
press_show
expect_map continent.grid

step "typing and clicking during a long load take effect after it"
enter_name long.grid
press_show
enter_name island.grid
press_show
expect_map island.grid
kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer has gone"

if ((failures > 0)); then
  echo "window end-to-end: $failures check(s) failed; viewer log:"
  cat viewer.log
  exit 1
fi
echo "window end-to-end: all checks passed"
