#!/usr/bin/env bash
# End-to-end checks of the window's interactive tools: the real program in a real X window, driven with
# xdotool and read back from screenshots (pause, single step, a clicked car's inspector, help, a seed
# typed into the scenario window, x4 against x1, every window in imgui.ini).
# Usage: workbench_e2e.sh PROGRAM WM_CLOSE_TOOL
# shellcheck disable=SC2015 # "check && check || fail": fail exits, so this reads as an assertion
set -euo pipefail

# The test moves the one X pointer, so it runs on a display of its own, kept up between clients.
if [ -z "${WORKBENCH_E2E_OWN_DISPLAY:-}" ]; then
  export WORKBENCH_E2E_OWN_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x720x24 -noreset" bash "$0" "$@"
fi

program=$1
wm_close=$2
readonly W=901 H=451 WORLD_W=681 # the world area lies left of the documented panel
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work SDL_VIDEODRIVER=x11
cd "$work" # the program writes imgui.ini here
pid=""
started=$(date +%s%N)

running() { [ -e "/proc/$pid" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$pid/stat" 2>/dev/null; }
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  [ "${keep_work:-0}" = 1 ] && echo "screenshots kept in $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL ($check): $*" >&2
  cat "$work/err" >&2 2>/dev/null || true
  keep_work=1
  exit 1
}
begin() { check=$1; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
pass() { echo "ok - $check${1:+ ($1)} [$(calc "($(date +%s%N) - $started) / 1e9" | cut -c1-4) s]"; }

shot() {
  for ((i = 0; i < 30; i++)); do
    import -window "$wid" "$work/$1.png" 2>/dev/null &&
      [ "$(identify -format '%wx%h' "$work/$1.png" 2>/dev/null)" = "${W}x${H}" ] && return 0
    sleep 0.1
  done
  fail "could not capture window $wid"
}
# scan PNG X0 Y0 X1 Y1 PROGRAM [awk options]: PROGRAM over the rectangle's pixels (x, y, r, g, b).
scan() {
  local png=$work/$1.png x0=$2 y0=$3 x1=$4 y1=$5 prog=$6
  shift 6
  convert "$png" -crop "$((x1 - x0 + 1))x$((y1 - y0 + 1))+$x0+$y0" +repage -depth 8 rgb:- |
    od -An -v -tu1 -w3 | awk -v w=$((x1 - x0 + 1)) -v x0="$x0" -v y0="$y0" "$@" '
      function near(R, G, B, T) { return r-R <= T && R-r <= T && g-G <= T && G-g <= T && b-B <= T && B-b <= T }
      { i = NR - 1; x = x0 + i % w; y = y0 + int(i / w); r = $1; g = $2; b = $3 }
      '"$prog"
}
count() { scan "$1" "$2" "$3" "$4" "$5" "{ if ($6) n++ } END { print n + 0 }"; }
dark() { count "$1" 20 40 300 200 'r <= 45 && g <= 45 && b <= 45'; } # at the help's default place
# changed A B [X0 Y0 X1 Y1]: pixels that differ between two screenshots (default: the world area).
changed() {
  local size="$((${5:-$((WORLD_W - 1))} - ${3:-0} + 1))x$((${6:-424} - ${4:-0} + 1))+${3:-0}+${4:-0}"
  convert "$work/$1.png" -crop "$size" +repage "$work/a.png"
  convert "$work/$2.png" -crop "$size" +repage "$work/b.png"
  compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 >/dev/null || true
}
# Car arrowheads are the only black outlines in the world: one cluster of dark pixels per car. Prints
# "x y r g b" per cluster of 8 pixels or more: its centre and the colour there (the car's fill, half
# its colour, unless the centre falls on the outline).
cars() {
  scan "$1" 0 0 $((WORLD_W - 1)) 424 '
    { k = y * 1000 + x; colour[k] = r " " g " " b }
    r <= 30 && g <= 30 && b <= 30 { d[k] = 1 }
    END {
      for (k in d) {
        if (!(k in d)) continue
        n = 0; sx = 0; sy = 0; top = 1; stack[1] = k + 0; delete d[k]
        while (top > 0) {
          p = stack[top--]; n++; sx += p % 1000; sy += int(p / 1000)
          for (o = -1001; o <= 1001; o += 1000) for (e = 0; e <= 2; e++) if ((p + o + e) in d) {
            delete d[p + o + e]; stack[++top] = p + o + e
          }
        }
        if (n >= 8) { mx = int(sx / n + 0.5); my = int(sy / n + 0.5); print mx, my, colour[my * 1000 + mx] }
      }
    }' | awk '$3 > 35 || $4 > 35 || $5 > 35' # a near-black reading may be the outline itself
}
# travelled BEFORE AFTER: "pixels cars": each car's distance to the car of the same colour (within 24
# per channel and 150 pixels), summed over the cars matched.
travelled() {
  awk 'NR == FNR { x[NR] = $1; y[NR] = $2; r[NR] = $3; g[NR] = $4; b[NR] = $5; n = NR; next }
    { best = 0; bestd = 25
      for (i = 1; i <= n; i++) {
        d = 0; for (c = 3; c <= 5; c++) { e = (c == 3 ? r[i] : c == 4 ? g[i] : b[i]) - $c; if (e < 0) e = -e; if (e > d) d = e }
        if (d < bestd) { bestd = d; best = i } }
      if (best && (dist = sqrt((x[best] - $1) ^ 2 + (y[best] - $2) ^ 2)) <= 150) { sum += dist; m++ } }
    END { printf "%.1f %d\n", sum, m }' <(cars "$1") <(cars "$2")
}
key() { xdotool key --window "$wid" "$@" && sleep 0.3; } # read at the start of a later frame
# Move, let the UI see the pointer there (it judges a press by the last frame's hover), then click.
click_at() { xdotool mousemove --window "$wid" "$1" "$2" && sleep 0.2 && xdotool click 1 && sleep 0.2; }
pointer_off() { xdotool mousemove --window "$wid" 600 440 && sleep 0.3; } # off every car and window

# ---------------------------------------------------------------------------------------------------------
begin "window"
"$program" >"$work/out" 2>"$work/err" </dev/null &
pid=$!
for ((i = 0; i < 100; i++)); do
  wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) || true
  [ -n "${wid:-}" ] && break
  running || fail "the program ended before showing a window"
  sleep 0.1
done
[ -n "${wid:-}" ] || fail "no window within 10 s"
xdotool windowfocus "$wid"
# The whole world in view (zoom 39 * 1.1^10, then a drag that puts world (150, 75) at pixel (345, 225)),
# so that most cars lie beside the places where the tools' windows open.
xdotool mousemove --window "$wid" 300 300 && sleep 0.3
for ((k = 0; k < 10; k++)); do xdotool click 5 && sleep 0.06; done
s=$(calc "$H / (2 * 39 * 1.1 ^ 10)")
dx=$(calc "int((73 - 150 - ($W / 2 - 345) / $s) * $s)") dy=$(calc "int(40 * $s)")
xdotool mousemove --window "$wid" 600 200 && sleep 0.3 && xdotool mousedown 3 && sleep 0.1
xdotool mousemove --window "$wid" $((600 + ${dx%.*})) $((200 + ${dy%.*})) && sleep 0.1 && xdotool mouseup 3
sleep 1
pass "window $wid"

begin "Space pauses, with the pointer on the panel"
# Over the panel the UI has the mouse, and its own event pump reads the keys.
xdotool mousemove --window "$wid" 800 400 && sleep 0.3
key space
shot paused1
sleep 1
shot paused2
n=$(changed paused1 paused2)
[ "$n" = 0 ] || fail "$n pixels of the world changed within one second while paused"
pass "world unchanged over 1 s"

begin "N steps once"
key n
shot stepped1
moved=$(changed paused2 stepped1)
sleep 0.7
shot stepped2
n=$(changed stepped1 stepped2)
[ "$moved" -gt 0 ] && [ "$n" = 0 ] || fail "$moved pixels changed after N, then $n more"
pass "$moved pixels changed, then none"

begin "clicking a car opens the inspector on it"
read -r cx cy cr cg cb <<<"$(cars stepped2 | awk '$1 >= 360 && $1 <= 660 && $2 >= 30 && $2 <= 410' | head -n 1)"
[ -n "${cx:-}" ] || fail "no car right of the inspector's place to click"
click_at "$cx" "$cy"
pointer_off
shot inspected
# A ring in (255, 217, 0) around the car, and the inspector's swatch of its colour (twice its fill).
ring=$(count inspected $((cx - 20)) $((cy - 20)) $((cx + 20)) $((cy + 20)) 'near(255, 217, 0, 8)')
swatch=$(count inspected 10 30 240 50 "near($((2 * cr)), $((2 * cg)), $((2 * cb)), 6)")
[ "$ring" -ge 25 ] && [ "$swatch" -ge 250 ] || fail "car at ($cx, $cy): $ring ring pixels, $swatch swatch pixels"
# The documented panel stays uncovered: a part of it without changing text is as it was.
n=$(changed stepped2 inspected 860 230 885 330)
[ "$n" = 0 ] || fail "$n pixels of the panel changed when the inspector opened"
pass "car at ($cx, $cy): $ring ring pixels, $swatch swatch pixels"

begin "H shows the help"
key Escape
shot no_help
key h
shot help
before=$(dark no_help) after=$(dark help)
[ "$before" -le 4000 ] && [ "$after" -ge 30000 ] || fail "dark pixels at the help's place: $before, then $after"
key h && key s && key s # the statistics open and close again, for imgui.ini
pass "$before -> $after dark pixels"

# Restart from the scenario window with seed 42 typed into its seed field, whose typing must not act as
# keys: the h typed with it neither opens the help nor reaches the field.
restart_with_seed_42() {
  key c
  click_at 400 110 # the seed field
  key ctrl+a
  xdotool type --window "$wid" --delay 60 h42
  key Return
  click_at 382 185 # Restart
  pointer_off
  key c
}

begin "a seed typed into the scenario window repeats the start"
shot before_restart
restart_with_seed_42
shot start1
restart_with_seed_42
shot start2
n=$(changed start1 start2) restarted=$(changed before_restart start1) typed=$(dark start2)
[ "$n" = 0 ] && [ "$restarted" -gt 0 ] && [ "$typed" -le 4000 ] ||
  fail "two starts differ in $n pixels; the restart changed $restarted; $typed dark pixels at the help's place"
pass "two paused starts with seed 42 are identical"

begin "x4 moves the cars about four times as far as x1"
# After 2 s at x1 from the paused start, half a second of wall time at the speed set.
measured_run() {
  key space && sleep 2 && key space
  for ((k = 0; k < $2; k++)); do key bracketright; done
  shot "${1}0"
  xdotool key --window "$wid" space && sleep 0.5 && xdotool key --window "$wid" space && sleep 0.3
  shot "${1}1"
}
measured_run normal 0
restart_with_seed_42
measured_run fast 2
read -r d1 m1 <<<"$(travelled normal0 normal1)"
read -r d4 m4 <<<"$(travelled fast0 fast1)"
ratio=$(calc "$d4 / ($d1 + 0.001)")
[ "$m1" -ge 10 ] && [ "$m4" -ge 10 ] && awk -v q="$ratio" 'BEGIN { exit !(q >= 2.5 && q <= 5.5) }' ||
  fail "$d1 pixels at x1 ($m1 cars), $d4 at x4 ($m4 cars): ratio $ratio, expected 2.5 to 5.5"
pass "$d1 px at x1 ($m1 cars), $d4 px at x4 ($m4 cars): ratio $ratio"

begin "close writes every window to imgui.ini"
"$wm_close" "$wid" || fail "could not send WM_DELETE_WINDOW to $wid"
for ((i = 0; i < 50; i++)); do running && sleep 0.1; done
rc=0
wait "$pid" || rc=$?
pid=""
[ "$rc" = 0 ] || fail "exit code $rc after the close request"
for window in "Traffic Simulation" Inspector Statistics Scenario Help; do
  grep -q "^\[Window\]\[$window\]" imgui.ini || fail "imgui.ini without the window $window"
done
! grep -q "OpenGL error\|Assertion failed" "$work/err" || fail "errors on the standard error stream"
pass "exit 0; every window in imgui.ini"
echo "PASS (workbench end to end, $(calc "($(date +%s%N) - $started) / 1e9") s)"
