#!/usr/bin/env bash
# End-to-end checks of the real program in a real X window (Xvfb in CI).
# Usage: program_e2e.sh CASE PROGRAM WM_CLOSE_TOOL
# The program's window is found by its process id, so cases can run in parallel on one display.
set -euo pipefail

# shellcheck source=SCRIPTDIR/../support/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_common.sh"

# Run by hand without a display, it makes one of its own.
if [ -z "${DISPLAY:-}" ]; then
  e2e_run_under_xvfb "$0" "$@"
fi

case_name=$1
program=$2
wm_close=$3

readonly title="Traffic Simulation Using: Vemox Framework [RELEASE]"
readonly width=901 height=451

e2e_enter_work_folder
check=$case_name

# Sets x, y, w, h from the window's geometry.
read_geometry() {
  eval "$(xdotool getwindowgeometry --shell "$wid" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  x=$X y=$Y w=$WIDTH h=$HEIGHT
}

# Polls up to 5 s until the window's top-left corner is at ($1, $2).
expect_position() {
  for ((i = 0; i < 50; i++)); do
    read_geometry
    [ "$x,$y" = "$1,$2" ] && return 0
    sleep 0.1
  done
  fail "window at $x,$y, expected $1,$2"
}

# 0.3 of 255 is 76.5: either neighbour is a correct conversion.
is_clear_colour() {
  local r g b
  IFS=, read -r r g b <<<"$1"
  for channel in "$r" "$g" "$b"; do
    [[ "$channel" =~ ^[0-9]+$ ]] && [ "$channel" -ge 76 ] && [ "$channel" -le 77 ] || return 1
  done
}
readonly pixel_format='%[fx:int(255*p{5,445}.r+0.5)],%[fx:int(255*p{5,445}.g+0.5)],%[fx:int(255*p{5,445}.b+0.5)]'

centred_position() {
  read -r screen_w screen_h < <(xdotool getdisplaygeometry)
  echo "$(((screen_w - width) / 2)) $(((screen_h - height) / 2))"
}

case "$case_name" in
title_and_size)
  start_program
  find_window
  name=$(xdotool getwindowname "$wid")
  [ "$name" = "$title" ] || fail "title \"$name\", expected \"$title\""
  read_geometry
  [ "${w}x${h}" = "${width}x${height}" ] || fail "window is ${w}x${h}, expected ${width}x${height}"
  close_like_a_user
  ;;

clear_colour)
  start_program
  find_window
  xdotool windowraise "$wid" # another test's window must not cover the pixels read back
  # The bottom-left corner lies outside everything the application draws, so it shows the clear
  # colour (0.3, 0.3, 0.3). Before the first swap the window is black, hence the polling.
  pixel=""
  for ((i = 0; i < 50; i++)); do
    import -window "$wid" "$work/shot.png" 2>/dev/null || true
    pixel=$(convert "$work/shot.png" -format "$pixel_format" info: 2>/dev/null || true)
    is_clear_colour "$pixel" && break
    sleep 0.1
  done
  is_clear_colour "$pixel" || fail "pixel (5,445) is ($pixel), expected the clear colour (77,77,77)"
  close_like_a_user
  ;;

close_request)
  start_program
  find_window
  sleep 0.5 # let it run some frames first
  running || fail "the program ended by itself"
  close_like_a_user
  grep -q "OpenGL error\|Assertion failed" "$work/err" && fail "errors on the standard error stream"
  # The console receives only warnings: under Xvfb, the refused vsync.
  if grep -v '^Warning: Unable to set VSync! SDL Error: ' "$work/out" | grep -q .; then
    fail "unexpected output"
  fi
  ;;

position)
  start_program 100 200
  find_window
  expect_position 100 200
  close_like_a_user
  ;;

bad_position)
  start_program abc 200
  find_window
  sleep 0.5 # a wrong move would have happened by now
  expect_position $(centred_position)
  warnings=$(grep -c 'Warning: Invalid window position argument "abc"' "$work/out" || true)
  [ "$warnings" = 1 ] || fail "expected one warning naming \"abc\", found $warnings"
  grep -q '"200"' "$work/out" && fail "the valid argument was reported"
  close_like_a_user
  ;;

ignored_arguments)
  # Only exactly two arguments are a position; one is ignored without a warning.
  start_program 100
  find_window
  sleep 0.5
  expect_position $(centred_position)
  grep -q "position" "$work/out" && fail "a single argument was reported"
  close_like_a_user
  ;;

window_failure)
  # The dummy video driver has no OpenGL: window creation fails. Without a terminal on standard input
  # the program must not wait for a key.
  rc=0
  SDL_VIDEODRIVER=dummy timeout 10 "$program" >"$work/out" 2>"$work/err" </dev/null || rc=$?
  [ "$rc" -eq 1 ] || fail "exit code $rc, expected 1 (124 means it hung)"
  first=$(head -n 1 "$work/out")
  [ "$first" = "SDL_CreateWindow! Could not create window! Error:" ] || fail "first line \"$first\""
  [ "$(wc -l <"$work/out")" -eq 1 ] || fail "more than the error line on the standard output"
  ;;

no_display)
  # Without a display SDL falls back to a driver that shows nothing; unless that driver is asked for
  # by name, the program fails as for a failed video start instead of drawing unseen until killed.
  for display in unset :9876; do # a display number no X server serves
    rc=0
    if [ "$display" = unset ]; then
      env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 10 "$program" >"$work/out" 2>"$work/err" </dev/null || rc=$?
    else
      env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=$display timeout 10 "$program" >"$work/out" 2>"$work/err" </dev/null || rc=$?
    fi
    [ "$rc" -eq 1 ] || fail "DISPLAY $display: exit code $rc, expected 1 (124 means it ran on unseen)"
    first=$(head -n 1 "$work/out")
    [ "$first" = "SDL_Init failed! Cannot create window! Error:" ] || fail "DISPLAY $display: first line \"$first\""
    grep -q "no display" "$work/err" || fail "DISPLAY $display: the reason is not given"
  done
  ;;

failure_waits_on_terminal)
  # With a terminal on standard input the error stays on screen until Enter is pressed.
  start=$(date +%s%N)
  (
    sleep 2
    printf '\n'
  ) | {
    rc=0
    SDL_VIDEODRIVER=dummy timeout 20 script -qec "$program" /dev/null >"$work/out" 2>&1 || rc=$?
    echo "$rc $(date +%s%N)" >"$work/end"
  }
  read -r rc end <"$work/end"
  elapsed_ms=$(((end - start) / 1000000))
  [ "$rc" -eq 1 ] || fail "exit code $rc, expected 1"
  grep -q "SDL_CreateWindow! Could not create window! Error:" "$work/out" || fail "no error line"
  [ "$elapsed_ms" -ge 1500 ] || fail "ended after $elapsed_ms ms, before Enter was pressed"
  ;;

*)
  echo "unknown case $case_name" >&2
  exit 2
  ;;
esac
echo "PASS ($case_name)"
