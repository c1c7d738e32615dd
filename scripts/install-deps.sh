#!/usr/bin/env bash
# Installs the Debian packages that the build, the program and the tests need.
# Idempotent: does nothing when every package is already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libbox2d-dev libimgui-dev libstb0
  libgl1-mesa-dri libegl-mesa0 libgl-dev libx11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  xvfb xauth xdotool imagemagick openbox wmctrl
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing missing packages: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
