#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the
# desktop program need and is not installed yet. Idempotent, non-interactive.
set -euo pipefail

packages=(
  build-essential cmake g++ pkg-config
  clang libclang-rt-14-dev llvm
  libjpeg62-turbo-dev libspng-dev libdeflate-dev libtiff-dev libcairo2-dev
  python3 python3-numpy python3-pil python3-skimage python3-matplotlib
  python3-dev pybind11-dev python3-pytest python3-dask python3-distributed python3-pandas
  qt6-base-dev qt6-qpa-plugins libgl-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool xauth x11-utils openbox wmctrl
  chromium
  fonts-dejavu-core fontconfig
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
