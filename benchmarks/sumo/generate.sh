#!/usr/bin/env bash
# Regenerates the pinned SUMO scenarios in scenario/ with SUMO's own tools and fixed seeds: the lit 5 x 3
# grid (300 x 150 m) with closed fleets of 20 and 128 vehicles, and the lit 41 x 21 city grid (3000 x 1500 m)
# with a closed fleet of 5000; each network with its continuous rerouters.
# The files in scenario/ are what compare.sh runs; regenerate only on purpose (another SUMO version may
# write different files). Needs sumo-tools and SUMO_HOME (default /usr/share/sumo).
# Usage: generate.sh [grid|city]   (default: both)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export SUMO_HOME="${SUMO_HOME:-/usr/share/sumo}"
out="$here/scenario"
which="${1:-all}"
case "$which" in
grid | city | all) ;;
*) echo "Usage: $0 [grid|city]" >&2; exit 1 ;;
esac
mkdir -p "$out"

# lit_grid X Y NET REROUTERS: X by Y junctions 75 m apart, every junction a traffic light with 8 s green
# phases, written to NET; rerouters on every edge written to REROUTERS, so that a vehicle never reaches
# the end of its route and the fleet stays closed (their interval, to 3600 s, outlasts every run of
# compare.sh).
lit_grid() {
    netgenerate --grid --grid.x-number "$1" --grid.y-number "$2" --grid.x-length 75 --grid.y-length 75 \
        --default-junction-type traffic_light --tls.green.time 8 --seed 42 \
        --output-file "$3"
    python3 "$SUMO_HOME/tools/generateContinuousRerouters.py" --net-file "$3" \
        --output-file "$4" --begin 0 --end 3600
}

if [ "$which" != "city" ]; then
    lit_grid 5 3 "$out/grid.net.xml" "$out/rerouters.add.xml"
    for cars in 20 128; do
        python3 "$here/make_fleet.py" "$out/grid.net.xml" "$cars" 42 "$out/fleet$cars.rou.xml"
    done
fi

if [ "$which" != "grid" ]; then
    # The same grid at the size of this program's 40 x 20 block city (200 x 100 cells of 15 units).
    lit_grid 41 21 "$out/city40x20.net.xml" "$out/city40x20.rerouters.add.xml"
    python3 "$here/make_fleet.py" "$out/city40x20.net.xml" 5000 42 "$out/city40x20.fleet5000.rou.xml"
    # The network is about 10 MB as text; SUMO reads it gzipped. -n keeps name and time out of the header.
    gzip -n -9 -f "$out/city40x20.net.xml"
fi
echo "Wrote $out"
