#!/usr/bin/env bash
# Installs the Debian 12 packages the station needs to build, test and run (sudo when not root).
# direwolf brings decode_aprs, which bench_decode_tool measures the decoder against.
set -euo pipefail
PACKAGES=(cmake ninja-build g++ clang ccache pkg-config
          qt6-base-dev qt6-image-formats-plugins libqt6sql6-sqlite libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
          gpsd direwolf)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
