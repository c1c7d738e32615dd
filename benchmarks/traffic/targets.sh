#!/usr/bin/env bash
# The large city's traffic targets over several seeds: ten simulated minutes of the safe driver per seed,
# a few runs at a time, then one table row per seed and a verdict per target (no car standing still for
# more than 60 s, at most 1 contact per 100 car-minutes, integrity clean).
# Usage: targets.sh TRAFFIC_HEADLESS [--city BXxBY] [--cars N] [--frames N] [--seeds "1 2 3 4"] [--jobs N]
#                   [--keep DIR]
# Defaults: the 40x20 city, 5,000 cars, 36,000 frames, seeds 1 to 4, two runs at a time (about half an
# hour on the 2-core machine). --keep DIR keeps each seed's JSON summary and stuck-car log there.
# Exits 1 when a run failed; a missed target is reported, not an error.
set -euo pipefail

runner=$1
shift
city=40x20 cars=5000 frames=36000 seeds="1 2 3 4" jobs=2 keep=""
while [ $# -gt 0 ]; do
  case $1 in
  --city) city=$2 ;;
  --cars) cars=$2 ;;
  --frames) frames=$2 ;;
  --seeds) seeds=$2 ;;
  --jobs) jobs=$2 ;;
  --keep) keep=$2 ;;
  *)
    echo "targets.sh: unknown argument $1" >&2
    exit 2
    ;;
  esac
  shift 2
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_seed() {
  local seed=$1 rc=0
  "$runner" --city "$city" --cars "$cars" --frames "$frames" --seed "$seed" --driver safe --json --quiet \
    --stuck-log "$work/stuck-$seed.jsonl" >"$work/summary-$seed.json" || rc=$?
  echo "$rc" >"$work/rc-$seed"
}

running=0
for seed in $seeds; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_seed "$seed" &
  running=$((running + 1))
done
wait

# One value of the summary, by its key (the runner prints one key per line).
value() {
  sed -n "s/^ *\"$2\": *\"\{0,1\}\([^\",]*\)\"\{0,1\},\{0,1\}$/\1/p" "$1" | head -n 1
}

failed=0 worst=0 worst_contacts=0 unsound=0
echo "| seed | longest stand-still (s) | cars past 60 s | trips | contacts per 100 car-min | integrity | state hash |"
echo "|---|---|---|---|---|---|---|"
for seed in $seeds; do
  summary="$work/summary-$seed.json"
  rc=$(cat "$work/rc-$seed")
  if [ "$rc" -ne 0 ] && [ "$rc" -ne 3 ]; then
    echo "| $seed | the run failed with exit code $rc | | | | | |"
    failed=1
    continue
  fi
  still=$(value "$summary" longest_stand_still_seconds)
  # A car that passes 60 s standing gets a line in the stuck-car log each time it does.
  past=$(sed -n 's/^{"time":[^,]*,"car":\([0-9]*\),.*/\1/p' "$work/stuck-$seed.jsonl" | sort -u | wc -l)
  contacts=$(value "$summary" car_contacts_per_100_car_minutes)
  integrity=$([ "$rc" -eq 0 ] && echo clean || echo failed)
  printf '| %s | %.1f | %s | %s | %.2f | %s | %s |\n' "$seed" "$still" "$past" \
    "$(value "$summary" trips_completed)" "$contacts" "$integrity" "$(value "$summary" state_hash)"
  worst=$(awk -v a="$worst" -v b="$still" 'BEGIN { print (b > a) ? b : a }')
  worst_contacts=$(awk -v a="$worst_contacts" -v b="$contacts" 'BEGIN { print (b > a) ? b : a }')
  [ "$rc" -eq 3 ] && unsound=1
done
if [ -n "$keep" ]; then
  mkdir -p "$keep"
  cp "$work"/summary-*.json "$work"/stuck-*.jsonl "$keep"/ 2>/dev/null || true
fi
[ "$failed" -ne 0 ] && exit 1

verdict() { [ "$1" -eq 1 ] && echo met || echo missed; }
echo
echo "targets: $city, $cars cars, $frames frames, seeds $seeds"
echo "  no car standing still for over 60 s: $(verdict "$(awk -v w="$worst" 'BEGIN { print (w <= 60) }')")" \
  "(longest $(printf '%.1f' "$worst") s)"
echo "  at most 1 contact per 100 car-minutes: $(verdict "$(awk -v c="$worst_contacts" 'BEGIN { print (c <= 1) }')")" \
  "(at most $(printf '%.2f' "$worst_contacts"))"
echo "  integrity clean: $(verdict $((1 - unsound)))"
