#!/usr/bin/env bash
# Soak benchmark: a long headless run of a large city, its resident memory sampled once a second, and a
# verdict on whether memory stays flat once the run has warmed up.
# Usage: soak.sh TRAFFIC_HEADLESS [--city BXxBY] [--cars N] [--frames N] [--driver classic|safe]
#                [--seed S] [--max-growth-kib K] [--samples FILE]
# Defaults: the 40x20 city, 5,000 cars, 100,000 frames (about 28 simulated minutes), the safe driver,
# seed 1, at most 4,096 KiB of growth between the end of the warm-up (a tenth of the frames) and the end.
# Prints the runner's JSON summary and one verdict line; exits 1 when memory grew more than allowed or the
# run itself failed.
set -euo pipefail

runner=$1
shift
city=40x20 cars=5000 frames=100000 driver=safe seed=1 max_growth=4096 samples=""
while [ $# -gt 0 ]; do
  case $1 in
  --city) city=$2 ;;
  --cars) cars=$2 ;;
  --frames) frames=$2 ;;
  --driver) driver=$2 ;;
  --seed) seed=$2 ;;
  --max-growth-kib) max_growth=$2 ;;
  --samples) samples=$2 ;;
  *)
    echo "soak.sh: unknown argument $1" >&2
    exit 2
    ;;
  esac
  shift 2
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
driver_option=()
# The runner knows --driver only where the second driver model exists.
if "$runner" --help | grep -q -- '--driver'; then
  driver_option=(--driver "$driver")
fi

start=$(date +%s)
"$runner" --city "$city" --cars "$cars" --frames "$frames" --seed "$seed" "${driver_option[@]}" --json --quiet \
  >"$work/summary.json" &
pid=$!
# One sample a second: elapsed seconds and resident KiB, as long as the run lasts.
while kill -0 "$pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
  [ -n "$rss" ] && echo "$(($(date +%s) - start)) $rss" >>"$work/samples"
  sleep 1
done
rc=0
wait "$pid" || rc=$?
cat "$work/summary.json"
[ -n "$samples" ] && cp "$work/samples" "$samples"
if [ "$rc" -ne 0 ]; then
  echo "soak: the run failed with exit code $rc" >&2
  exit 1
fi

# The runner's own readings: after the warm-up tenth and at the end.
read -r warm end <<<"$(tr -d ' \n' <"$work/summary.json" |
  sed -n 's/.*"resident_kib":{"after_warm_up":\([0-9]*\),"at_end":\([0-9]*\)}.*/\1 \2/p')"
peak=$(awk 'BEGIN { m = 0 } { if ($2 > m) m = $2 } END { print m }' "$work/samples" 2>/dev/null || echo 0)
growth=$((end - warm))
echo "soak: $city, $cars cars, $frames frames, ${driver}: resident $warm KiB after warm-up, $end KiB at end" \
  "(growth $growth KiB, peak $peak KiB, $(wc -l <"$work/samples") samples, $(($(date +%s) - start)) s)"
if [ "$growth" -gt "$max_growth" ]; then
  echo "soak: resident memory grew by $growth KiB, more than $max_growth KiB" >&2
  exit 1
fi
