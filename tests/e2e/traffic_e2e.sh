#!/usr/bin/env bash
# End-to-end checks of the traffic simulation as a user sees it: the real program in a real X window,
# read back with screenshots and driven with xdotool (grid, cars, lights, panel, switches, pan, zoom, close).
# Usage: traffic_e2e.sh PROGRAM WM_CLOSE_TOOL
# Set TRAFFIC_E2E_SCREENSHOT=FILE.png to also keep the default view after about 3 s (the README picture).
# shellcheck disable=SC2015 # "check && check || fail": fail exits, so this reads as an assertion
set -euo pipefail

# shellcheck source=SCRIPTDIR/../support/e2e_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_common.sh"

# This test moves the one X pointer and clicks; on a shared display the windows of tests running beside it
# would cover its window and take its clicks. So it always runs on a display of its own.
e2e_own_display TRAFFIC_E2E_OWN_DISPLAY "$0" "$@"

program=$1
wm_close=$2

readonly W=901 H=451
e2e_enter_work_folder
keep_work_on_failure=1
started=$(date +%s%N)

begin() { check=$1; }
pass() { echo "ok - $check${1:+ ($1)} [$(calc "($(date +%s%N) - $started) / 1e9" | cut -c1-4) s]"; }

# ---------------------------------------------------------------------------------------------------------
# Arithmetic and the camera: the view is centred on (cx, cy) and shows 2 * zoom world units across the
# window's height, so one world unit is 451 / (2 * zoom) pixels in both directions.
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
cx=73 cy=35 zoom=39
scale() { calc "$H / (2 * $zoom)"; }
# Continuous pixel coordinates of a world point; the pixel hit by a one-pixel line there is their floor.
to_u() { calc "$W / 2 + ($1 - $cx) * $H / (2 * $zoom)"; }
to_v() { calc "$H / 2 - ($1 - $cy) * $H / (2 * $zoom)"; }
near_by() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; exit !(d <= t && -d <= t) }'; }

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

# near(R, G, B, T): the current pixel is within T of (R, G, B) in every channel.
readonly awk_lib='
function near(R, G, B, T) {
  return r - R <= T && R - r <= T && g - G <= T && G - g <= T && b - B <= T && B - b <= T
}
function max3(p, q, s) { return p > q ? (p > s ? p : s) : (q > s ? q : s) }
'
# scan PNG X0 Y0 X1 Y1 PROGRAM [awk options]: runs the awk PROGRAM over the pixels of that rectangle
# (clipped to the window), with absolute coordinates x, y and channels r, g, b in 0..255.
scan() {
  local png=$work/$1.png x0=$2 y0=$3 x1=$4 y1=$5 prog=$6
  shift 6
  ((x0 < 0)) && x0=0
  ((y0 < 0)) && y0=0
  ((x1 >= W)) && x1=$((W - 1))
  ((y1 >= H)) && y1=$((H - 1))
  convert "$png" -crop "$((x1 - x0 + 1))x$((y1 - y0 + 1))+$x0+$y0" +repage -depth 8 rgb:- |
    od -An -v -tu1 -w3 |
    awk -v w=$((x1 - x0 + 1)) -v x0="$x0" -v y0="$y0" "$@" "$awk_lib"'
      { i = NR - 1; x = x0 + i % w; y = y0 + int(i / w); r = $1; g = $2; b = $3 }
      '"$prog"
}
# count PNG X0 Y0 X1 Y1 CONDITION: how many pixels of the rectangle satisfy the awk CONDITION.
count() { scan "$1" "$2" "$3" "$4" "$5" "{ if ($6) n++ } END { print n + 0 }"; }
# lights PNG U V RADIUS: "reds greens", the pixels of the disc that show a red or a green light.
lights() {
  local x0 y0 x1 y1
  read -r x0 y0 x1 y1 <<<"$(awk -v u="$2" -v v="$3" -v r="$4" \
    'BEGIN { print int(u - r), int(v - r), int(u + r) + 1, int(v + r) + 1 }')"
  scan "$1" "$x0" "$y0" "$x1" "$y1" '
    { dx = x + 0.5 - u; dy = y + 0.5 - v; if (dx * dx + dy * dy > rr) next }
    '"$red_light"' { reds++ }
    '"$green_light"' { greens++ }
    END { print reds + 0, greens + 0 }' -v u="$2" -v v="$3" -v rr="$(calc "$4 * $4")"
}
# probe PNG CONDITION "X Y X Y ...": how many of the listed pixels satisfy CONDITION.
probe() {
  local format="" x y k coords
  read -ra coords <<<"$3"
  for ((k = 0; k + 1 < ${#coords[@]}; k += 2)); do
    x=${coords[k]%.*} y=${coords[k + 1]%.*}
    format+="%[fx:int(255*p{$x,$y}.r+0.5)] %[fx:int(255*p{$x,$y}.g+0.5)] %[fx:int(255*p{$x,$y}.b+0.5)]\n"
  done
  convert "$work/$1.png" -format "$format" info: |
    awk "$awk_lib"'{ r = $1; g = $2; b = $3 } '"$2"' { n++ } END { print n + 0 }'
}

# Terrain colours on screen: the cell fill is half the terrain colour at alpha 0.5 over the clear colour
# 0.3, e.g. Block (1, 0.8, 0.4) gives (0.4, 0.35, 0.25); the outlines are the full terrain colour.
readonly block='near(102, 89, 64, 3)' road='near(83, 83, 83, 3)' junction='near(70, 70, 70, 3)'
readonly block_line='near(255, 204, 102, 3)'
# A light is a disc with fill (1, 0, 0) or (0, 1, 0) at half brightness and alpha 0.5 over a road cell,
# and a full-colour outline. A car's colour matching either within 4 is too unlikely to matter.
readonly red_light='near(105, 41, 41, 4) || near(255, 0, 0, 4)'
readonly green_light='near(41, 105, 41, 4) || near(0, 255, 0, 4)'
readonly connection='near(51, 51, 51, 3)'
# Node numbers: the text colour (230, 153, 153) at the UI's global alpha 0.6 over a cell.
readonly label='r >= 150 && g >= 100 && r - g >= 35 && g - b <= 20 && b - g <= 20'
readonly dark='max3(r, g, b) <= 30'

# Panel check boxes, top to bottom: the square's left edge and row centres in the UI layout.
readonly box_names=("Draw Path of First Car" "Draw vision of First Car" "Grid" "NodeNumbers" "Connections"
  "Connections Costs")
readonly box_x=706 box_rows=(183 208 249 274 299 324)
# One digit per check box, 1 when its check mark shows: the mark is brighter than the empty square.
marks() {
  scan "$1" 699 $((box_rows[0] - 7)) 713 $((box_rows[5] + 7)) '
    BEGIN { n = split(rows, row, " ") }
    max3(r, g, b) >= 55 { for (k = 1; k <= n; k++) if (y >= row[k] - 7 && y <= row[k] + 7) bright[k]++ }
    END { for (k = 1; k <= n; k++) printf "%d", (bright[k] >= 10); print "" }' -v rows="${box_rows[*]}"
}

# Polls screenshots NAME until the check marks read $2 (up to 3 s).
wait_for_marks() {
  local m
  for ((t = 0; t < 15; t++)); do
    shot "$1"
    m=$(marks "$1")
    [ "$m" = "$2" ] && return 0
    sleep 0.2
  done
  fail "check marks read $m, expected $2 (boxes: ${box_names[*]})"
}

# Clicks check box $1 (0-based), then rests the pointer on an empty part of the panel: a hovered box is
# drawn brighter and would read as checked.
click_box() {
  xdotool mousemove --window "$wid" $box_x "${box_rows[$1]}"
  sleep 0.2 # the UI has to see the pointer over the panel before the press
  xdotool click 1
  sleep 0.2
  xdotool mousemove --window "$wid" 850 420
}

# Centre of the yellow vertical block line near continuous column $2 on rows $3-2..$3+2, or "none".
vline() {
  local u=${2%.*}
  scan "$1" $((u - 10)) $(($3 - 2)) $((u + 10)) $(($3 + 2)) \
    "{ if ($block_line) { s += x; n++ } } END { if (n) printf \"%.2f\", s / n + 0.5; else print \"none\" }"
}
hline() {
  local v=${2%.*}
  scan "$1" $(($3 - 2)) $((v - 10)) $(($3 + 2)) $((v + 10)) \
    "{ if ($block_line) { s += y; n++ } } END { if (n) printf \"%.2f\", s / n + 0.5; else print \"none\" }"
}

# Car arrowheads are black outlines, the only black in the world: one 8-connected cluster of dark pixels
# per car. Prints "x y r g b" per cluster of at least 8 pixels: its centre and the pixel colour there,
# which lies inside the arrowhead and so shows the car's own fill.
cars() {
  scan "$1" 0 0 $(($2 - 1)) $((H - 1)) '
    { k = y * 1000 + x; colour[k] = r " " g " " b }
    '"$dark"' { d[k] = 1 }
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

# ---------------------------------------------------------------------------------------------------------
begin "window"
start_program
find_window
shown=$(date +%s%N)
# Before the first swap the window is black; the corner outside the world shows the clear colour.
for ((i = 0; i < 50; i++)); do
  shot first
  [ "$(count first 5 445 5 445 'near(77, 77, 77, 1)')" = 1 ] && break
  sleep 0.1
done
[ "$(count first 5 445 5 445 'near(77, 77, 77, 1)')" = 1 ] || fail "no frame drawn within 5 s"
pass "window $wid, first frame"

# The default view, about 3 s after the window appeared.
sleep "$(calc "3 - ($(date +%s%N) - $shown) / 1e9")" 2>/dev/null || true
shot default
if [ -n "${TRAFFIC_E2E_SCREENSHOT:-}" ]; then
  convert "$work/default.png" -strip "$TRAFFIC_E2E_SCREENSHOT"
fi

begin "grid colours"
# cell_points OX OY NODE...: pixel positions "u v u v ..." of the nodes' cell centres offset by (OX, OY)
# world units.
cell_points() {
  awk -v ox="$1" -v oy="$2" -v nodes="${*:3}" -v cx="$cx" -v cy="$cy" -v s="$(calc "$H / (2 * $zoom)")" '
    BEGIN {
      n = split(nodes, node, " ")
      for (k = 1; k <= n; k++) {
        wx = node[k] % 20 * 15 + 7.5 + ox; wy = int(node[k] / 20) * 15 + 7.5 + oy
        printf "%.3f %.3f ", '"$W"' / 2 + (wx - cx) * s, '"$H"' / 2 - (wy - cy) * s
      }
    }'
}
corners() { # corners NODE...: the four corner probes of each cell
  local o ox oy
  for o in "-5.5 -5.5" "-5.5 5.5" "5.5 -5.5" "5.5 5.5"; do
    read -r ox oy <<<"$o"
    cell_points "$ox" "$oy" "$@"
  done
}
# Block cells carry no car, light or line at their centres: every probe must show the block fill.
n=$(probe default "$block" "$(cell_points 0 0 21 22 23 41 42 43 61 62 63 26 27 46 47 66 67)")
[ "$n" = 15 ] || fail "$n of 15 block cell centres show the block fill (102,89,64)"
# Road and intersection cells: cars drive along the centre lines, so probe the cell corners (5.5 units off
# both lines, outside any light) and allow for a car cutting a corner over a few of them.
n=$(probe default "$road" "$(corners 0 1 2 3 4 5 6 20 40 60 24 44 64 25 45 65 80 81 82 83 86)")
[ "$n" -ge 78 ] || fail "only $n of 84 road probes show the road fill (83,83,83)"
j=$(probe default "$junction" "$(corners 84 85)")
[ "$j" -ge 6 ] || fail "only $j of 8 intersection probes show the intersection fill (70,70,70)"
# Outlines: the line between two block cells is the full block colour.
u=$(to_u 30)
row=$(to_v 37.5)
line=$(vline default "$u" "${row%.*}")
[ "$line" != none ] && near_by "$line" "$u" 1 || fail "block outline at x = $line, expected $u"
pass "15/15 block, $n/84 road, $j/8 intersection probes; block outline at $line"

begin "lights in view"
r_px=$(calc "3.75 * $(scale) * 0.95")
for light in "1 83 red" "8 65 green"; do
  read -r number node colour <<<"$light"
  read -r u v <<<"$(cell_points 0 0 "$node")"
  read -r reds greens <<<"$(lights default "$u" "$v" "$r_px")"
  if [ "$colour" = red ]; then same=$reds other=$greens; else same=$greens other=$reds; fi
  [ "$same" -ge 50 ] && [ "$other" -le 2 ] ||
    fail "light $number at node $node: $reds red and $greens green pixels, expected $colour"
done
pass "light 1 red, light 8 green"

begin "panel"
# The window background (0.06, 0.05, 0.07) at the global alpha 0.6 over a block cell gives (50, 44, 37).
n=$(count default 760 240 800 246 'near(50, 44, 37, 3)')
[ "$n" = 287 ] || fail "$n of 287 pixels beside the Grid check box show the panel over a block cell"
title=$(count default 693 12 850 28 'max3(r, g, b) >= 110')
[ "$title" -ge 40 ] || fail "no title text in the panel's title bar ($title bright pixels)"
m=$(marks default)
[ "$m" = 001000 ] || fail "check marks read $m, expected only Grid (001000)"
pass "background over blocks, $title title pixels, check marks $m"

# ---------------------------------------------------------------------------------------------------------
# The switches. Connections are dark lines along the road centre lines; with the labels off the rows and
# columns below hold nothing else but cars, whose outlines may cover a few pixels.
connection_counts() {
  local row0 col0 row4
  row0=$(to_v 7.5) col0=$(to_u 7.5) row4=$(to_v 67.5)
  echo "$(line_pixels "$1" 80 $((${row0%.*} - 1)) 680 $((${row0%.*} + 1)) x)" \
    "$(line_pixels "$1" $((${col0%.*} - 1)) 10 $((${col0%.*} + 1)) 370 y)" \
    "$(line_pixels "$1" 80 $((${row4%.*} - 1)) 680 $((${row4%.*} + 1)) x)"
}
# line_pixels PNG X0 Y0 X1 Y1 x|y: along how many columns (x) or rows (y) of the band a connection shows.
line_pixels() {
  scan "$1" "$2" "$3" "$4" "$5" "($connection) && !($6 in seen) { seen[$6] = 1; n++ } END { print n + 0 }"
}
# Node numbers inside the visible block cells (world x 15..60 and 90..120, y 15..60), where no car drives.
label_count() {
  local a b c d e
  a=$(to_u 16) b=$(to_u 59) c=$(to_u 91) d=$(to_u 119) e=$(to_v 59)
  echo $(($(count "$1" "${a%.*}" "${e%.*}" "${b%.*}" 330 "$label") + \
    $(count "$1" "${c%.*}" "${e%.*}" "${d%.*}" 330 "$label")))
}

begin "Connections switch"
read -r c_row0 c_col0 c_row4 <<<"$(connection_counts default)"
[ $((c_row0 + c_col0 + c_row4)) -le 20 ] || fail "connection-coloured lines before the switch ($c_row0 $c_col0 $c_row4)"
click_box 4
wait_for_marks connections 001010
read -r c_row0 c_col0 c_row4 <<<"$(connection_counts connections)"
[ "$c_row0" -ge 560 ] && [ "$c_col0" -ge 330 ] && [ "$c_row4" -ge 560 ] ||
  fail "connection lines along row 0, column 0, row 4: $c_row0/601, $c_col0/361, $c_row4/601 pixels"
pass "lines on $c_row0/601, $c_col0/361, $c_row4/601 pixels"

begin "NodeNumbers switch"
labels_before=$(label_count connections)
[ "$labels_before" -le 5 ] || fail "$labels_before label-coloured pixels in block cells before the switch"
click_box 3
wait_for_marks numbers 001110
labels=$(label_count numbers)
[ "$labels" -ge 150 ] || fail "only $labels label-coloured pixels in the block cells"
# The label of node 21 starts at world (22, 23.5).
u=$(to_u 22) v=$(to_v 23.5)
n=$(count numbers "${u%.*}" "${v%.*}" $((${u%.*} + 20)) $((${v%.*} + 14)) "$label")
[ "$n" -ge 10 ] || fail "no label \"21\" at pixel (${u%.*}, ${v%.*}) ($n pixels)"
pass "$labels label pixels in block cells, $n in the label of node 21"

begin "switches off again"
click_box 3
wait_for_marks numbers_off 001010
click_box 4
wait_for_marks switches_off 001000
read -r c_row0 c_col0 c_row4 <<<"$(connection_counts switches_off)"
labels=$(label_count switches_off)
[ $((c_row0 + c_col0 + c_row4)) -le 20 ] && [ "$labels" -le 5 ] ||
  fail "after switching off: $((c_row0 + c_col0 + c_row4)) connection and $labels label pixels remain"
pass

# ---------------------------------------------------------------------------------------------------------
# The view. Positions of the block lines at world x = 30 (on the row of y = 37.5) and y = 30 (on the
# column of x = 37.5); both lie inside the first block, where no car drives.
measure() { # NAME → "measured_u measured_v expected_u expected_v"
  local u v row col
  read -r u v row col <<<"$(awk -v cx="$cx" -v cy="$cy" "BEGIN { s = $H / (2 * $zoom);
    printf \"%.6f %.6f %.6f %.6f\", $W / 2 + (30 - cx) * s, $H / 2 - (30 - cy) * s, $H / 2 - (37.5 - cy) * s,
      $W / 2 + (37.5 - cx) * s }")"
  echo "$(vline "$1" "$u" "${row%.*}") $(hline "$1" "$v" "${col%.*}") $u $v"
}
# Polls screenshots NAME until both lines sit where the camera model puts them (up to 3 s).
wait_for_view() {
  local mu mv eu ev
  for ((t = 0; t < 30; t++)); do
    shot "$1"
    read -r mu mv eu ev <<<"$(measure "$1")"
    [ "$mu" != none ] && [ "$mv" != none ] && near_by "$mu" "$eu" 1 && near_by "$mv" "$ev" 1 && return 0
    sleep 0.1
  done
  fail "$2: block lines at ($mu, $mv), expected ($eu, $ev)"
}

begin "right-drag pans"
xdotool mousemove --window "$wid" 300 300
sleep 0.3 # away from the panel, the window gets the mouse again
shot before_pan
read -r u0 v0 _ <<<"$(measure before_pan)"
[ "$u0" != none ] && [ "$v0" != none ] || fail "block lines not found before the drag"
dx=-37 dy=23
xdotool mousedown 3
sleep 0.1
xdotool mousemove --window "$wid" $((300 + dx)) $((300 + dy))
sleep 0.1
xdotool mouseup 3
# The grabbed point stays under the cursor: the picture moves by the drag, to the pixel.
cx=$(calc "$cx - ($dx) / $(scale)") cy=$(calc "$cy + ($dy) / $(scale)")
wait_for_view panned "after a drag by ($dx, $dy)"
read -r u1 v1 _ <<<"$(measure panned)"
near_by "$(calc "$u1 - $u0")" "$dx" 1 && near_by "$(calc "$v1 - $v0")" "$dy" 1 ||
  fail "block lines moved by ($(calc "$u1 - $u0"), $(calc "$v1 - $v0")) for a drag by ($dx, $dy)"
pass "block lines moved by ($(calc "$u1 - $u0"), $(calc "$v1 - $v0")) for a drag by ($dx, $dy)"

begin "wheel zooms"
xdotool click 4
zoom=$(calc "$zoom / 1.1")
wait_for_view zoomed "after one wheel step up (zoom 39 / 1.1)"
read -r u2 v2 _ <<<"$(measure zoomed)"
pass "block lines at ($u2, $v2), 1.1 times farther from the centre"

# ---------------------------------------------------------------------------------------------------------
# The whole world: zoom out to 39 * 1.1^10 (300 x 150 world units in 669 x 334 pixels), one wheel step at a
# time as the camera takes at most one per frame, then drag the world left of the panel.
begin "whole world in view"
for ((k = 0; k < 11; k++)); do
  xdotool click 5
  zoom=$(calc "$zoom * 1.1")
  wait_for_view "out$k" "after $((k + 1)) wheel steps down"
done
s=$(scale)
# Put world x = 150 at pixel 345 and y = 75 at the window's middle.
dx=$(calc "int(($cx - 150 - ($W / 2 - 345) / $s) * $s)") dy=$(calc "int((75 - $cy) * $s)")
dx=${dx%.*} dy=${dy%.*}
xdotool mousemove --window "$wid" 600 200
sleep 0.3
xdotool mousedown 3
sleep 0.1
xdotool mousemove --window "$wid" $((600 + dx)) $((200 + dy))
sleep 0.1
xdotool mouseup 3
cx=$(calc "$cx - ($dx) / $s") cy=$(calc "$cy + ($dy) / $s")
wait_for_view world "after the drag to the whole world"
# The far block line (x = 270) confirms the scale across the world.
far=$(to_u 270) row=$(to_v 37.5)
line=$(vline world "$far" "${row%.*}")
[ "$line" != none ] && near_by "$line" "$far" 1 || fail "block line x = 270 at $line, expected $far"
left=$(to_u 0) right=$(to_u 300) top=$(to_v 150) bottom=$(to_v 0)
# All twelve intersection cells, now in view.
j=$(probe world "$junction" "$(corners 84 85 104 105 89 90 109 110 94 95 114 115)")
[ "$j" -ge 40 ] || fail "only $j of 48 probes in the twelve intersection cells show (70,70,70)"
pass "zoom $zoom, world in pixels x ${left%.*}..${right%.*}, y ${top%.*}..${bottom%.*}; $j/48 intersection probes"

begin "twenty cars"
# Cars cannot leave the walls, so all twenty are in view; two arrowheads touching would merge, so a few
# screenshots are tried.
for ((t = 0; t < 8; t++)); do
  shot cars1
  cars cars1 689 >"$work/cars1"
  n=$(wc -l <"$work/cars1")
  [ "$n" = 20 ] && break
  sleep 0.25
done
[ "$n" = 20 ] || fail "$n car arrowheads in view, expected 20"
# Colours: one rand() % 32768 / 32767 per channel, so fills (half the colour) are spread over 0..127;
# a generator overflowing the channels would draw every car white, i.e. a fill of (127, 127, 127).
pale=$(awk 'NF == 5 && $3 >= 120 && $4 >= 120 && $5 >= 120' "$work/cars1" | wc -l)
kinds=$(awk 'NF == 5 && ($3 > 30 || $4 > 30 || $5 > 30) { print int($3 / 32), int($4 / 32), int($5 / 32) }' \
  "$work/cars1" | sort -u | wc -l)
[ "$pale" -le 2 ] || fail "$pale of 20 cars are near white"
[ "$kinds" -ge 6 ] || fail "the cars show only $kinds distinct colours"
pass "20 arrowheads, $kinds distinct colours, $pale near white"

begin "twelve lights"
# Lights 1 to 6 guard the horizontal approaches, 7 to 12 the vertical ones: the two groups always differ.
r_px=$(calc "3.75 * $s * 0.95")
colours=""
number=0
for node in 83 106 88 111 93 116 124 65 129 70 134 75; do
  number=$((number + 1))
  read -r u v <<<"$(cell_points 0 0 "$node")"
  read -r reds greens <<<"$(lights cars1 "$u" "$v" "$r_px")"
  if [ "$reds" -ge 10 ] && [ "$greens" -le 2 ]; then
    colours+=R
  elif [ "$greens" -ge 10 ] && [ "$reds" -le 2 ]; then
    colours+=G
  else
    fail "light $number at node $node: $reds red and $greens green pixels"
  fi
done
[ "$colours" = RRRRRRGGGGGG ] || [ "$colours" = GGGGGGRRRRRR ] || fail "lights 1-12 read $colours"
pass "$colours"

begin "cars move"
# Cars on the ring drive at 7.5 units/s: after a second a moving car is 16 pixels on.
moved=0
for ((t = 0; t < 4; t++)); do
  sleep 1
  shot cars2
  cars cars2 689 >"$work/cars2"
  moved=$(awk 'NR == FNR { x[NR] = $1; y[NR] = $2; n = NR; next }
    { for (i = 1; i <= n; i++) if ((x[i] - $1) ^ 2 + (y[i] - $2) ^ 2 <= 4) next; m++ }
    END { print m + 0 }' "$work/cars1" "$work/cars2")
  [ "$moved" -ge 3 ] && break
done
[ "$moved" -ge 3 ] || fail "only $moved car arrowheads changed place within 4 s"
pass "$moved of 20 arrowheads moved"

# ---------------------------------------------------------------------------------------------------------
begin "close"
close_like_a_user
grep -q '^\[Window\]\[Traffic Simulation\]' imgui.ini 2>/dev/null || fail "imgui.ini missing or without the panel"
! grep -q "OpenGL error\|Assertion failed" "$work/err" || fail "errors on the standard error stream"
pass "exit 0, imgui.ini written"

echo "PASS (traffic end to end, $(calc "($(date +%s%N) - $started) / 1e9") s)"
