#!/usr/bin/env bash
# End-to-end check of the City window as a user meets it: hidden at start, opened with the C key, a larger
# city and more cars typed in, Restart, the whole new city in view, zoomed in and back with "Fit".
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
# Block cells: half the block colour over the clear colour; under a UI window: the window's background.
readonly block='near(102, 89, 64, 3)' window_over_block='near(50, 44, 37, 3)'

# The City window opens at the top left. Right of its Restart button it shows its background, which over
# the documented view's first block (pixels 130..219, 180..189) is the panel colour over a block cell.
city_window_pixels() { count "$1" 130 180 219 189 "$window_over_block"; }

# click X Y: a left click at window pixel (X, Y), with the pauses the UI needs to see the pointer first.
click() {
  xdotool mousemove --window "$wid" "$1" "$2"
  sleep 0.2
  xdotool click 1
  sleep 0.2
}
# set_field Y VALUE: replaces the number in the City window's input field on row Y by VALUE.
set_field() {
  click 50 "$1"
  xdotool key --window "$wid" ctrl+a
  xdotool type --window "$wid" "$2"
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
  [ "$(count start 130 180 219 189 "$block")" -ge 800 ] && break
  sleep 0.1
done
n=$(count start 130 180 219 189 "$block")
[ "$n" -ge 800 ] || fail "$n of 900 pixels over the first block show the block fill: something covers it"
pass "$n/900 block pixels where the window would be"

begin "C opens the City window"
pointer_on_world
xdotool key --window "$wid" c
for ((i = 0; i < 20; i++)); do
  shot opened
  [ "$(city_window_pixels opened)" -ge 800 ] && break
  sleep 0.1
done
n=$(city_window_pixels opened)
[ "$n" -ge 800 ] || fail "only $n of 900 pixels show the City window over the first block"
pass "$n/900 window pixels"

begin "restart with a 16x8 city and 1000 cars, fitted"
set_field 110 16
set_field 135 8
set_field 160 1000
click 40 185
pointer_on_world
# The fitted view: 1200 x 600 world units in the 681 pixels left of the panel, with a 5 % border.
s=$(calc "681 / 1200 / 1.05")
# block_pixel I J: the pixel of the middle cell of block (I, J) in the fitted view.
block_pixel() {
  awk -v i="$1" -v j="$2" -v s="$s" 'BEGIN {
    x = (5 * i + 2) * 15 + 7.5; y = (5 * j + 2) * 15 + 7.5
    printf "%d %d", 340.5 + (x - 600) * s, 225.5 - (y - 300) * s }'
}
fitted_blocks() { # PNG: how many of eight blocks spread over the city show their fill at the middle cell
  local n=0 u v
  for b in "0 0" "15 0" "15 7" "8 4" "3 2" "12 5" "7 0" "15 3"; do
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
clear=$(count fitted 672 200 680 210 'near(77, 77, 77, 1)')
[ "$clear" -ge 80 ] || fail "the view right of the city shows no clear colour ($clear of 99 pixels)"
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
click 28 80 # the Fit button
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
# uncovered_blocks PNG: how many of the 15 blocks under the window's place (columns 0-4, rows 5-7 of
# blocks) show their fill at the middle cell; none while the window covers them.
uncovered_blocks() {
  local n=0 u v
  for i in 0 1 2 3 4; do
    for j in 5 6 7; do
      read -r u v <<<"$(block_pixel $i $j)"
      n=$((n + $(count "$1" $((u - 1)) $((v - 1)) $((u + 1)) $((v + 1)) "$block") / 9))
    done
  done
  echo "$n"
}
n_open=$(uncovered_blocks refitted)
[ "$n_open" = 0 ] || fail "$n_open of 15 blocks show through the open City window"
xdotool key --window "$wid" c
for ((i = 0; i < 20; i++)); do
  shot closed
  [ "$(uncovered_blocks closed)" = 15 ] && break
  sleep 0.1
done
n=$(uncovered_blocks closed)
[ "$n" = 15 ] || fail "only $n of the 15 blocks under the City window show after closing it"
pass "$n_open/15 blocks under the open window, $n/15 after closing it"
