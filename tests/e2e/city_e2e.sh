#!/usr/bin/env bash
# End-to-end check of the city controls of the Scenario window as a user meets them: the window opened
# with C, a larger city and more cars typed in, Restart, the whole new city in view, zoomed in and back
# with "Fit", the window closed with C.
# Usage: city_e2e.sh PROGRAM
# shellcheck disable=SC2015 # "check && check || fail": fail exits, so this reads as an assertion
set -euo pipefail

# shellcheck source=SCRIPTDIR/../support/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_common.sh"

# It moves the one X pointer, clicks and types: it needs a display of its own.
e2e_own_display CITY_E2E_OWN_DISPLAY "$0" "$@"

program=$1
readonly W=901 H=451
e2e_enter_work_folder
keep_work_on_failure=1

begin() { check=$1; }
pass() { echo "ok - $check${1:+ ($1)}"; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }

shot() {
  local file=$work/$1.png
  for ((i = 0; i < 30; i++)); do
    if import -window "$wid" "$file" 2>/dev/null &&
      [ "$(identify -format '%wx%h' "$file" 2>/dev/null)" = "${W}x${H}" ]; then
      return 0
    fi
    sleep 0.1
  done
  fail "could not capture window $wid"
}
# count PNG X0 Y0 X1 Y1 CONDITION: how many pixels of the rectangle satisfy the awk CONDITION on r, g, b.
count() {
  convert "$work/$1.png" -crop "$(($4 - $2 + 1))x$(($5 - $3 + 1))+$2+$3" +repage -depth 8 rgb:- |
    od -An -v -tu1 -w3 |
    awk '{ r = $1; g = $2; b = $3 } '"function near(R, G, B, T) { return r - R <= T && R - r <= T && \
      g - G <= T && G - g <= T && b - B <= T && B - b <= T } { if ($6) n++ } END { print n + 0 }"
}
# Block cells: half the block colour over the clear colour; under the Scenario window (a tool window, more
# opaque than the panel): the window's background over them.
readonly block='near(102, 89, 64, 3)' window_over_block='near(24, 21, 22, 3)'

# The Scenario window opens in the middle of the top. Right of its Restart button it shows its background,
# which over the documented view's second block (pixels 560..679, 180..194) darkens the block fill.
scenario_window_pixels() { count "$1" 560 180 679 194 "$window_over_block"; }

# click X Y: a left click at window pixel (X, Y), with the pauses the UI needs to see the pointer first.
click() {
  xdotool mousemove --window "$wid" "$1" "$2"
  sleep 0.2
  xdotool click 1
  sleep 0.2
}
# set_field X Y VALUE: replaces the number in the Scenario window's field at (X, Y) by VALUE; a slider
# takes typing after a click with Ctrl held.
set_field() {
  xdotool mousemove --window "$wid" "$1" "$2"
  sleep 0.2
  xdotool keydown ctrl click 1 keyup ctrl
  sleep 0.2
  xdotool key --window "$wid" ctrl+a
  xdotool type --window "$wid" "$3"
  xdotool key --window "$wid" Return
  sleep 0.2
}
# Moves the pointer onto the world, where the keys and the wheel go to the program and not to the UI.
pointer_on_world() {
  xdotool mousemove --window "$wid" 400 420
  sleep 0.3
}

begin "hidden at start"
start_program
find_window
for ((i = 0; i < 50; i++)); do
  shot start
  [ "$(count start 560 180 679 194 "$block")" -ge 1400 ] && break
  sleep 0.1
done
n=$(count start 560 180 679 194 "$block")
[ "$n" -ge 1400 ] || fail "$n of 1800 pixels over the second block show the block fill: something covers it"
pass "$n/1800 block pixels where the window would be"

begin "C opens the Scenario window"
pointer_on_world
xdotool key --window "$wid" c
for ((i = 0; i < 20; i++)); do
  shot opened
  [ "$(scenario_window_pixels opened)" -ge 1400 ] && break
  sleep 0.1
done
n=$(scenario_window_pixels opened)
[ "$n" -ge 1400 ] || fail "only $n of 1800 pixels show the Scenario window over the second block"
pass "$n/1800 window pixels"

begin "restart with a 16x8 city and 1000 cars, fitted"
set_field 400 256 16   # blocks across: first, so that the car slider reaches 1000
set_field 400 281 8    # blocks up
set_field 430 85 1000  # cars
click 370 185          # Restart
pointer_on_world
# The fitted view: 1200 x 600 world units in the 681 pixels left of the panel, with a 5 % border.
s=$(calc "681 / 1200 / 1.05")
# block_pixel I J: the pixel of the middle cell of block (I, J) in the fitted view.
block_pixel() {
  awk -v i="$1" -v j="$2" -v s="$s" 'BEGIN {
    x = (5 * i + 2) * 15 + 7.5; y = (5 * j + 2) * 15 + 7.5
    printf "%d %d", 340.5 + (x - 600) * s, 225.5 - (y - 300) * s }'
}
fitted_blocks() { # PNG: how many of eight blocks spread over the city, clear of the Scenario window, show
  local n=0 u v  #   their fill at the middle cell
  for b in "0 0" "15 0" "0 7" "3 2" "7 0" "12 1" "5 6" "2 4"; do
    read -r u v <<<"$(block_pixel "${b% *}" "${b#* }")"
    n=$((n + $(count "$1" $((u - 1)) $((v - 1)) $((u + 1)) $((v + 1)) "$block") / 9))
  done
  echo "$n"
}
for ((i = 0; i < 100; i++)); do
  shot fitted
  [ "$(fitted_blocks fitted)" = 8 ] && break
  sleep 0.1
done
n=$(fitted_blocks fitted)
[ "$n" = 8 ] || fail "only $n of 8 blocks of the 16x8 city show where the fitted view puts them"
# Outside the city, right of it and below it, the clear colour shows.
clear=$(($(count fitted 672 320 680 330 'near(77, 77, 77, 1)') + $(count fitted 300 400 310 408 'near(77, 77, 77, 1)')))
[ "$clear" -ge 160 ] || fail "beside and below the city only $clear of 198 pixels show the clear colour"
pass "8/8 blocks in place, clear colour beside the city"

begin "Fit after zooming in"
for ((k = 0; k < 5; k++)); do
  xdotool click 4 # wheel up: zoom in
  sleep 0.1
done
sleep 0.3
shot zoomed
n=$(fitted_blocks zoomed)
[ "$n" -le 4 ] || fail "$n of 8 blocks still where the fitted view puts them after zooming in"
click 370 231 # the Fit button
pointer_on_world
for ((i = 0; i < 30; i++)); do
  shot refitted
  [ "$(fitted_blocks refitted)" = 8 ] && break
  sleep 0.1
done
m=$(fitted_blocks refitted)
[ "$m" = 8 ] || fail "after Fit only $m of 8 blocks are back in place"
pass "$n/8 blocks in place while zoomed in, $m/8 after Fit"

begin "C closes it again"
# covered_blocks PNG: how many of the 12 blocks under the Scenario window (columns 9-11, rows 4-7 of
# blocks) show their fill at the middle cell; none while the window covers them.
covered_blocks() {
  local n=0 u v
  for i in 9 10 11; do
    for j in 4 5 6 7; do
      read -r u v <<<"$(block_pixel $i $j)"
      n=$((n + $(count "$1" $((u - 1)) $((v - 1)) $((u + 1)) $((v + 1)) "$block") / 9))
    done
  done
  echo "$n"
}
n_open=$(covered_blocks refitted)
[ "$n_open" = 0 ] || fail "$n_open of 12 blocks show through the open Scenario window"
xdotool key --window "$wid" c
for ((i = 0; i < 20; i++)); do
  shot closed
  [ "$(covered_blocks closed)" = 12 ] && break
  sleep 0.1
done
n=$(covered_blocks closed)
[ "$n" = 12 ] || fail "only $n of the 12 blocks under the Scenario window show after closing it"
pass "$n_open/12 blocks under the open window, $n/12 after closing it"
