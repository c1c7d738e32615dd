#!/usr/bin/env bash
# Drives the test scene in a real X window on its own virtual display: the geometry and the label are
# on screen, a right-drag pans, a wheel step zooms, the panel takes the wheel and a click, and the
# program quits with the pointer resting on the panel. Usage: test_scene.sh PATH_TO_test_scene
set -euo pipefail

# shellcheck source=SCRIPTDIR/../../../support/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../support/e2e_common.sh"

program="$(realpath "$1")"
# A display of its own, so that no other test moves this pointer.
e2e_own_display VEMOX_SCENE_DISPLAY_READY "$0" "$@"

e2e_enter_work_folder

# A wrong pixel is counted and the checks go on, so one run reports every mismatch.
failures=0
mismatch() { echo "FAIL: $*"; failures=$((failures + 1)); }

start_program
find_window 20
sleep 1

shot() { import -window "$wid" "$work/shot.png"; }
# Prints "r g b" of the pixel at window position (x, y) of the last screenshot.
pixel() {
  convert "$work/shot.png" -format "%[fx:round(255*p{$1,$2}.r)] %[fx:round(255*p{$1,$2}.g)] %[fx:round(255*p{$1,$2}.b)]" info:
}
# expect NAME X Y R G B: the pixel is within 3 of the colour in every channel.
expect() {
  local name="$1" x="$2" y="$3" r="$4" g="$5" b="$6" actual
  actual="$(pixel "$x" "$y")"
  read -r ar ag ab <<<"$actual"
  if [ $((ar > r ? ar - r : r - ar)) -gt 3 ] || [ $((ag > g ? ag - g : g - ag)) -gt 3 ] ||
    [ $((ab > b ? ab - b : b - ab)) -gt 3 ]; then
    mismatch "$name: pixel ($x, $y) is ($actual), expected ($r $g $b)"
  fi
}
grey=(77 77 77)      # the clear colour 0.3
red=(102 38 38)      # half-bright red fill, alpha 0.5, over grey
blue=(38 38 102)
green=(0 128 0)      # half-bright opaque green fill

# Camera centre (0, 0), zoom 20: 11.275 pixels per world unit, world (0, 0) at pixel (450.5, 225.5).
# Red square around world (12, 6), half size 2: pixels x 563..608, y 135..180.
shot
expect "red square" 586 158 "${red[@]}"
expect "left of the red square" 558 158 "${grey[@]}"
expect "green circle at (-12, -6)" 315 283 "${green[@]}"
expect "no marker before the click" 315 158 "${grey[@]}"
expect "UI panel background" 790 420 40 38 41
# The label's glyphs, (230, 153, 153) at the style's alpha 0.6, start at pixel (225, 113).
label_pixels="$(convert "$work/shot.png" -crop 120x20+222+110 +repage txt:- |
  sed -n 's/.*srgb(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p' | awk '$1 - $2 > 30 { n++ } END { print n + 0 }')"
[ "$label_pixels" -gt 20 ] || mismatch "label: only $label_pixels text-coloured pixels near (225, 113)"

# Right-drag by 10 pixels to the right: the world follows the cursor, the square spans x 573..618.
xdotool mousemove --window "$wid" 450 225
sleep 0.3
xdotool mousedown 3
sleep 0.3
xdotool mousemove --window "$wid" 455 225
sleep 0.2
xdotool mousemove --window "$wid" 460 225
sleep 0.3
xdotool mouseup 3
sleep 0.5
shot
expect "dragged square, new right part" 613 158 "${red[@]}"
expect "dragged square, old left part" 568 158 "${grey[@]}"

# One wheel step up zooms in by 1.1 about the window centre: the square spans x 585..635.
xdotool click 4
sleep 0.5
shot
expect "zoomed square, new right part" 628 158 "${red[@]}"
expect "zoomed square, old left part" 580 158 "${grey[@]}"

# With the pointer resting on the panel the UI has the mouse: no drift, and its wheel does not zoom
# (a second step would move the square's left edge to 599).
xdotool mousemove --window "$wid" 790 420
sleep 0.5
xdotool click 4
sleep 0.5
shot
expect "no zoom through the panel" 590 158 "${red[@]}"

# A click on the check box, pressed and released at once, turns the blue marker on.
xdotool mousemove --window "$wid" 705 366
sleep 0.3
xdotool click 1
sleep 0.5
shot
expect "marker after the click" 315 158 "${blue[@]}"

# Quit while the pointer rests on the panel, where the UI's event pump runs.
kill -TERM "$pid"
wait_for_exit 5
[ "$rc" -eq 0 ] || mismatch "exit code $rc after a quit request"
grep -q '^\[Window\]\[Test Panel\]' imgui.ini 2>/dev/null || mismatch "imgui.ini was not written at shutdown"

if [ "$failures" -ne 0 ]; then
  e2e_show_program_output
  exit 1
fi
echo "test scene: all checks passed"
