#!/usr/bin/env bash
# End-to-end checks of the window's interactive tools as a user meets them: the real program in a real X
# window, driven with xdotool and read back from screenshots (pause, single step, selecting a car and its
# inspector, help, statistics, a seed set in the scenario window, x4 against x1, the settings file).
# Usage: workbench_e2e.sh PROGRAM WM_CLOSE_TOOL
# shellcheck disable=SC2015 # "check && check || fail": fail exits, so this reads as an assertion
set -euo pipefail

# The test moves the one X pointer and clicks, so it runs on a display of its own; -noreset keeps the
# server up between clients.
if [ -z "${WORKBENCH_E2E_OWN_DISPLAY:-}" ]; then
  export WORKBENCH_E2E_OWN_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x720x24 -noreset" bash "$0" "$@"
fi

program=$1
wm_close=$2

readonly W=901 H=451
readonly WORLD_W=681 # the world area left of the documented panel
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work
export SDL_VIDEODRIVER=x11
cd "$work" # the program writes imgui.ini here
pid=""
keep_work=0
started=$(date +%s%N)

running() {
  [ -e "/proc/$pid" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$pid/stat" 2>/dev/null
}

cleanup() {
  if [ -n "$pid" ] && [ -e "/proc/$pid" ]; then
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 20; i++)); do
      running || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  if [ "$keep_work" = 1 ]; then
    echo "screenshots kept in $work" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

check=""
fail() {
  echo "FAIL ($check): $*" >&2
  for stream in out err; do
    if [ -s "$work/$stream" ]; then
      echo "--- program std$stream:" >&2
      cat "$work/$stream" >&2
    fi
  done
  keep_work=1
  exit 1
}
begin() { check=$1; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
pass() { echo "ok - $check${1:+ ($1)} [$(calc "($(date +%s%N) - $started) / 1e9" | cut -c1-4) s]"; }

# ---------------------------------------------------------------------------------------------------------
# Screenshots and pixels.
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

readonly awk_lib='
function near(R, G, B, T) {
  return r - R <= T && R - r <= T && g - G <= T && G - g <= T && b - B <= T && B - b <= T
}
function max3(p, q, s) { return p > q ? (p > s ? p : s) : (q > s ? q : s) }
'
# scan PNG X0 Y0 X1 Y1 PROGRAM [awk options]: the awk PROGRAM over the pixels of the rectangle, with
# absolute coordinates x, y and channels r, g, b in 0..255.
scan() {
  local png=$work/$1.png x0=$2 y0=$3 x1=$4 y1=$5 prog=$6
  shift 6
  convert "$png" -crop "$((x1 - x0 + 1))x$((y1 - y0 + 1))+$x0+$y0" +repage -depth 8 rgb:- |
    od -An -v -tu1 -w3 |
    awk -v w=$((x1 - x0 + 1)) -v x0="$x0" -v y0="$y0" "$@" "$awk_lib"'
      { i = NR - 1; x = x0 + i % w; y = y0 + int(i / w); r = $1; g = $2; b = $3 }
      '"$prog"
}
count() { scan "$1" "$2" "$3" "$4" "$5" "{ if ($6) n++ } END { print n + 0 }"; }

# changed A B X0 Y0 X1 Y1: how many pixels of the rectangle differ between two screenshots.
changed() {
  local size="$(($5 - $3 + 1))x$(($6 - $4 + 1))+$3+$4"
  convert "$work/$1.png" -crop "$size" +repage "$work/crop_a.png"
  convert "$work/$2.png" -crop "$size" +repage "$work/crop_b.png"
  compare -metric AE "$work/crop_a.png" "$work/crop_b.png" null: 2>&1 >/dev/null || true
}
world_changed() { changed "$1" "$2" 0 0 $((WORLD_W - 1)) 424; }

# Car arrowheads are black outlines, the only black in the world: one 8-connected cluster of dark pixels
# per car. Prints "x y r g b" per cluster of at least 8 pixels in the world area above the status strip:
# its centre and the colour there, inside the arrowhead, which is the car's fill (half its colour).
cars() {
  scan "$1" 0 0 $((WORLD_W - 1)) 424 '
    { k = y * 1000 + x; colour[k] = r " " g " " b }
    max3(r, g, b) <= 30 { d[k] = 1 }
    END {
      for (k in d) {
        if (!(k in d)) continue
        n = 0; sx = 0; sy = 0; top = 1; stack[1] = k + 0; delete d[k]
        while (top > 0) {
          p = stack[top--]; n++; sx += p % 1000; sy += int(p / 1000)
          for (o = -1001; o <= 1001; o += 1000) for (e = 0; e <= 2; e++) {
            q = p + o + e
            if (q in d) { delete d[q]; stack[++top] = q }
          }
        }
        if (n >= 8) { mx = int(sx / n + 0.5); my = int(sy / n + 0.5); print mx, my, colour[my * 1000 + mx] }
      }
    }'
}

# travelled BEFORE AFTER: the summed distance in pixels between each car of BEFORE and the car of AFTER
# in the same colour (colours are random per car; pairs that differ by more than 24 in a channel, or lie
# more than 150 pixels apart, are left out, and so are near-black readings, which may be the outline
# itself), and the number of cars matched.
travelled() {
  cars "$1" >"$work/$1.cars"
  cars "$2" >"$work/$2.cars"
  awk 'function dark(p, q, s) { return p <= 35 && q <= 35 && s <= 35 }
    NR == FNR { if (dark($3, $4, $5)) next; n++; x[n] = $1; y[n] = $2; r[n] = $3; g[n] = $4; b[n] = $5; next }
    {
      if (dark($3, $4, $5)) next
      best = 0; bestd = 1e9
      for (i = 1; i <= n; i++) {
        dr = r[i] - $3; dg = g[i] - $4; db = b[i] - $5
        if (dr < 0) dr = -dr; if (dg < 0) dg = -dg; if (db < 0) db = -db
        d = dr > dg ? dr : dg; d = d > db ? d : db
        if (d < bestd) { bestd = d; best = i }
      }
      if (best == 0 || bestd > 24) next
      dist = sqrt((x[best] - $1) ^ 2 + (y[best] - $2) ^ 2)
      if (dist > 150) next
      sum += dist; m++
    }
    END { printf "%.1f %d\n", sum, m }' "$work/$1.cars" "$work/$2.cars"
}

key() {
  xdotool key --window "$wid" "$@"
  sleep 0.3 # a few frames: the program reads the keys at the start of its next frame
}
# Moves the pointer, lets the UI see it there, then clicks: a press in the frame the pointer arrives would
# be judged by the last frame's hover.
click_at() {
  xdotool mousemove --window "$wid" "$1" "$2"
  sleep 0.2
  xdotool click 1
  sleep 0.2
}

# The whole world in view, as in the traffic test: 39 * 1.1^10, then a drag that puts world x = 150 at
# pixel 345 and y = 75 at the window's middle.
zoom_out_and_centre() {
  xdotool mousemove --window "$wid" 300 300
  sleep 0.3
  for ((k = 0; k < 10; k++)); do
    xdotool click 5
    sleep 0.06
  done
  local s dx dy
  s=$(calc "$H / (2 * 39 * 1.1 ^ 10)")
  dx=$(calc "int((73 - 150 - ($W / 2 - 345) / $s) * $s)") dy=$(calc "int((75 - 35) * $s)")
  dx=${dx%.*} dy=${dy%.*}
  xdotool mousemove --window "$wid" 600 200
  sleep 0.3
  xdotool mousedown 3
  sleep 0.1
  xdotool mousemove --window "$wid" $((600 + dx)) $((200 + dy))
  sleep 0.1
  xdotool mouseup 3
  sleep 0.3
}

# ---------------------------------------------------------------------------------------------------------
begin "window"
"$program" >"$work/out" 2>"$work/err" </dev/null &
pid=$!
wid=""
for ((i = 0; i < 100; i++)); do
  wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) || true
  [ -n "$wid" ] && break
  running || fail "the program ended before showing a window"
  sleep 0.1
done
[ -n "$wid" ] || fail "no visible window for process $pid within 10 s"
for ((i = 0; i < 50; i++)); do
  shot first
  [ "$(count first 5 445 5 445 'near(77, 77, 77, 1)')" = 1 ] && break
  sleep 0.1
done
xdotool windowfocus "$wid"
# Every car in view, most of them beside the places where the tools' windows open.
zoom_out_and_centre
sleep 1 # the cars get going
pass "window $wid"

begin "Space pauses, with the pointer on the panel"
# Over the panel the UI has the mouse and its own event pump reads the keys.
xdotool mousemove --window "$wid" 800 400
sleep 0.3
key space
shot paused1
sleep 1
shot paused2
n=$(world_changed paused1 paused2)
[ "$n" = 0 ] || fail "$n pixels of the world changed within one second while paused"
pass "world unchanged over 1 s"

begin "N steps once"
key n
shot stepped1
moved=$(world_changed paused2 stepped1)
[ "$moved" -gt 0 ] || fail "the world did not change after N"
sleep 0.7
shot stepped2
n=$(world_changed stepped1 stepped2)
[ "$n" = 0 ] || fail "$n pixels changed after the single step was taken"
pass "$moved pixels changed, then none"

begin "clicking a car opens the inspector on it"
# A car right of the inspector's default place, clear of the window's edges, whose reading is its fill
# (not a pixel of its black outline).
read -r cx cy cr cg cb <<<"$(cars stepped2 |
  awk '$1 >= 360 && $1 <= 660 && $2 >= 30 && $2 <= 410 && ($3 > 35 || $4 > 35 || $5 > 35)' | head -n 1)"
[ -n "${cx:-}" ] || fail "no car in the right part of the view to click"
click_at "$cx" "$cy"
xdotool mousemove --window "$wid" 600 440 # off the car and off every window
sleep 0.3
shot inspected
# The ring around the car: its colour (255, 217, 0) within 20 pixels of the car.
ring=$(count inspected $((cx - 20)) $((cy - 20)) $((cx + 20)) $((cy + 20)) 'near(255, 217, 0, 8)')
[ "$ring" -ge 25 ] || fail "no selection ring around the car at ($cx, $cy) ($ring ring pixels)"
# The inspector's colour swatch, in the row of its title "Car #N", shows the car's own colour: twice the
# fill that the world shows.
swatch=$(count inspected 10 30 240 50 "near($((2 * cr)), $((2 * cg)), $((2 * cb)), 6)")
[ "$swatch" -ge 250 ] || fail "the inspector shows no swatch of the clicked car's colour ($((2 * cr)), $((2 * cg)), $((2 * cb))): $swatch pixels"
# The documented panel is neither covered nor moved: a part of it without changing text is as it was.
n=$(changed stepped2 inspected 860 230 885 330)
[ "$n" = 0 ] || fail "$n pixels of the panel changed when the inspector opened"
pass "car at ($cx, $cy): $ring ring pixels, $swatch swatch pixels"

begin "H shows the help"
key Escape
shot no_help
key h
shot help
# The help's dark background covers its default place at the top left, where the world showed before.
before=$(count no_help 20 40 300 200 'max3(r, g, b) <= 45')
after=$(count help 20 40 300 200 'max3(r, g, b) <= 45')
[ "$before" -le 4000 ] && [ "$after" -ge 30000 ] ||
  fail "dark pixels at the help's place: $before before H, $after after (of 45141)"
key h
shot no_help2
n=$(count no_help2 20 40 300 200 'max3(r, g, b) <= 45')
[ "$n" -le 4000 ] || fail "the help stays after a second H ($n dark pixels)"
pass "$before -> $after -> $n dark pixels"

begin "S shows the statistics"
key s
shot statistics
n=$(count statistics 360 40 670 400 'max3(r, g, b) <= 45')
[ "$n" -ge 80000 ] || fail "no statistics window at its default place ($n dark pixels)"
key s
pass "$n dark pixels"

# ---------------------------------------------------------------------------------------------------------
# Restart in the scenario window with seed 42 (typed into its seed field), leaving the time controls
# as they are; the window closes again.
restart_with_seed_42() {
  key c
  click_at 400 110 # the seed field
  xdotool key --window "$wid" ctrl+a
  xdotool type --window "$wid" --delay 60 42
  key Return
  click_at 382 185 # Restart
  xdotool mousemove --window "$wid" 600 440
  sleep 0.2
  key c
}

# Warms up at x1 for 2 s from the paused start, pauses, sets the speed, runs for half a second of wall
# time, pauses: screenshots NAME0 and NAME1 around the measured run.
measured_run() {
  key space
  sleep 2
  key space
  for ((k = 0; k < $2; k++)); do key bracketright; done
  shot "${1}0"
  xdotool key --window "$wid" space
  sleep 0.5
  xdotool key --window "$wid" space
  sleep 0.3
  shot "${1}1"
}

begin "a seed set in the scenario window repeats the start"
shot before_restart
restart_with_seed_42
shot start1
restart_with_seed_42
shot start2
n=$(world_changed start1 start2)
[ "$n" = 0 ] || fail "two starts with seed 42 differ in $n pixels"
n=$(world_changed before_restart start1)
[ "$n" -gt 0 ] || fail "the restart did not change the world"
pass "two paused starts with seed 42 are identical"

begin "x4 moves the cars about four times as far as x1"
measured_run normal 0
restart_with_seed_42
measured_run fast 2
read -r d1 m1 <<<"$(travelled normal0 normal1)"
read -r d4 m4 <<<"$(travelled fast0 fast1)"
[ "$m1" -ge 10 ] && [ "$m4" -ge 10 ] || fail "only $m1 and $m4 cars matched between the screenshots"
ratio=$(calc "$d4 / ($d1 + 0.001)")
awk -v q="$ratio" 'BEGIN { exit !(q >= 2.5 && q <= 5.5) }' ||
  fail "in half a second the cars moved $d1 pixels at x1 and $d4 at x4: ratio $ratio, expected 2.5 to 5.5"
pass "$d1 px at x1 ($m1 cars), $d4 px at x4 ($m4 cars): ratio $ratio"

# ---------------------------------------------------------------------------------------------------------
begin "close writes every window to imgui.ini"
"$wm_close" "$wid" || fail "could not send WM_DELETE_WINDOW to $wid"
for ((i = 0; i < 50; i++)); do
  running || break
  sleep 0.1
done
running && fail "still running 5 s after the close request"
rc=0
wait "$pid" || rc=$?
pid=""
[ "$rc" = 0 ] || fail "exit code $rc after the close request, expected 0"
for window in "Traffic Simulation" Inspector Statistics Scenario Help; do
  grep -q "^\[Window\]\[$window\]" imgui.ini 2>/dev/null || fail "imgui.ini missing or without the window $window"
done
! grep -q "OpenGL error\|Assertion failed" "$work/err" || fail "errors on the standard error stream"
pass "exit 0; panel, Inspector, Statistics, Scenario and Help in imgui.ini"

echo "PASS (workbench end to end, $(calc "($(date +%s%N) - $started) / 1e9") s)"
