#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest: the Release build with the
# windowed tests under Xvfb, then the unit and soak tests again in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/install-deps.sh"

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"

echo "== Release build"
"$root/scripts/build.sh" "$root/build"
echo "== Tests (Release, windowed tests under Xvfb)"
(cd "$root/build" && xvfb-run -a -s "-screen 0 1280x720x24 -noreset" ctest --output-on-failure -j 2 --timeout 600)

echo "== Sanitizer build"
"$root/scripts/build.sh" "$root/build-asan" -DVEMOX_SANITIZE=ON -DVEMOX_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== Tests (AddressSanitizer and UndefinedBehaviorSanitizer)"
(cd "$root/build-asan" && ctest --output-on-failure -j 2 -L 'unit|soak' --timeout 900)
