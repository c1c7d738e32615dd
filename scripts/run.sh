#!/usr/bin/env bash
# Installs what is missing, builds the Release configuration into build/ and starts the simulation.
# Arguments are passed on to the program (an optional window position: scripts/run.sh 100 200).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): the window would open invisibly offscreen. Run this in a desktop session, or under xvfb-run." >&2
  exit 1
fi

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
cd "$root"
exec "$root/build/bin/traffic-simulation" "$@"
