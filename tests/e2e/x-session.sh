# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Functions for driving the viewer on a virtual X screen; sourced by the end-to-end
# test and by the screenshot script. No window manager runs, so they place
# the window themselves and give it the focus by clicking into it.

# Where the window's client area is put on the screen; not at 0,0, so that a
# mix-up of window and screen coordinates shows.
readonly window_left=40
readonly window_top=30

readonly client_width=617 client_height=503
# The rows below the controls: map and background only.
readonly map_area_top=19

xvfb_pid=""
viewer_pid=""
window=""
# Set by the sourcing script for the map checks: the tolmer-e2e-reference and
# tolmer-e2e-compare programs and a scratch directory.
reference_tool=""
compare_tool=""
scratch=""

# start_xvfb DIR: starts Xvfb on a free display and exports DISPLAY.
start_xvfb() {
  local dir=$1
  # Xvfb picks a free display itself and writes its number once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    if [[ -s $dir/display ]]; then
      DISPLAY=":$(head -n 1 "$dir/display")"
      export DISPLAY
      return 0
    fi
    sleep 0.1
  done
  echo "Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  return 1
}

# start_viewer BINARY LOG [ARGUMENT...]: starts the viewer, waits for its window and
# places it. A viewer still running from before is stopped first, so that no pid is
# lost and left running.
start_viewer() {
  stop_viewer
  "$1" "${@:3}" >"$2" 2>&1 &
  viewer_pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tolmer by Quindel$' | head -n 1) || true
  if [[ -z $window ]]; then
    echo "the viewer's window did not appear" >&2
    return 1
  fi
  xdotool windowmove "$window" "$window_left" "$window_top"
  for _ in $(seq 50); do
    if [[ $(window_geometry) == "$window_left $window_top "* ]]; then
      return 0
    fi
    sleep 0.1
  done
  echo "the window did not move to $window_left,$window_top" >&2
  return 1
}

# Prints "X Y WIDTH HEIGHT" of the window's client area on the screen.
window_geometry() {
  xdotool getwindowgeometry --shell "$window" |
    awk -F= '{ value[$1] = $2 } END { print value["X"], value["Y"], value["WIDTH"], value["HEIGHT"] }'
}

stop_viewer() {
  if [[ -n $viewer_pid ]]; then
    kill "$viewer_pid" 2>/dev/null || true
    wait "$viewer_pid" 2>/dev/null || true
    viewer_pid=""
  fi
}

stop_x_session() {
  stop_viewer
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}

# click_at X Y: a left click at client coordinates of the window.
click_at() {
  xdotool mousemove --window "$window" "$1" "$2" click 1
}

# enter_name NAME: replaces the text box's content with NAME, as typed; the list of
# completions is left open, as a person typing leaves it.
enter_name() {
  click_at 100 9
  xdotool key ctrl+a
  xdotool type --delay 2 -- "$1"
}

press_show() {
  click_at 292 8
}

# screenshot FILE.ppm: the whole screen.
screenshot() {
  import -window root -depth 8 "$1"
}

# map_shown GRID SHOT [VIEW]: whether the map area in SHOT is what the core paints
# for GRID, or draws at VIEW ("fit" or "DX,DY"; differences go to $scratch/compare.log).
map_shown() {
  local background
  # A point left of and above the map's first pixel is always background.
  background=$("$compare_tool" pixel "$2" $((window_left + 3)) $((window_top + 22)))
  "$reference_tool" "$1" "$scratch/reference.ppm" "$background" ${3:+"$3"} >/dev/null
  "$compare_tool" same "$scratch/reference.ppm" 0 "$map_area_top" "$2" "$window_left" \
    $((window_top + map_area_top)) "$client_width" $((client_height - map_area_top)) \
    >"$scratch/compare.log"
}

# wait_for_map GRID [VIEW]: waits up to 15 s for the window to show GRID as the core
# paints it, or draws it at VIEW.
wait_for_map() {
  for _ in $(seq 150); do
    screenshot "$scratch/shot.ppm"
    if map_shown "$1" "$scratch/shot.ppm" "${2:-}"; then
      return 0
    fi
    sleep 0.1
  done
  return 1
}
