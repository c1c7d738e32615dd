#!/usr/bin/env bash
# Regenerates the pinned SUMO scenario in scenario/ with SUMO's own tools and fixed seeds: the lit 5 x 3
# grid (300 x 150 m), its continuous rerouters, and the closed fleets of 20 and 128 vehicles.
# The files in scenario/ are what compare.sh runs; regenerate only on purpose (another SUMO version may
# write different files). Needs sumo-tools and SUMO_HOME (default /usr/share/sumo).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export SUMO_HOME="${SUMO_HOME:-/usr/share/sumo}"
out="$here/scenario"
mkdir -p "$out"

# Junctions 75 m apart, 5 by 3, every junction a traffic light with 8 s green phases.
netgenerate --grid --grid.x-number 5 --grid.y-number 3 --grid.x-length 75 --grid.y-length 75 \
    --default-junction-type traffic_light --tls.green.time 8 --seed 42 \
    --output-file "$out/grid.net.xml"
# Rerouters on every edge: a vehicle never reaches the end of its route, so the fleet stays closed.
python3 "$SUMO_HOME/tools/generateContinuousRerouters.py" --net-file "$out/grid.net.xml" \
    --output-file "$out/rerouters.add.xml" --begin 0 --end 3600
for cars in 20 128; do
    python3 "$here/make_fleet.py" "$out/grid.net.xml" "$cars" 42 "$out/fleet$cars.rou.xml"
done
echo "Wrote $out"
