#!/usr/bin/env bash
# Configures and builds one configuration. Usage: scripts/build.sh BUILD_DIR [extra cmake arguments]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$1"
shift
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
