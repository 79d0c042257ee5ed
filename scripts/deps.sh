#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (as root):
# the compiler and Qt 6, iproute2 for the namespace tests, Xvfb for the
# screenshots, edid-decode (the reference the EDID decoder is compared with),
# and for the package dpkg-dev (dpkg-shlibdeps) and file (cpack),
# desktop-file-utils and appstream (the package test validates its entries).
#   --fuzz  also clang and its libFuzzer runtime (scripts/fuzz.sh)
set -euo pipefail
pkgs=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
      iproute2 xvfb xauth edid-decode
      dpkg-dev file desktop-file-utils appstream)
if [ "${1:-}" = "--fuzz" ]; then
  pkgs+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
