#!/usr/bin/env bash
# Installs the Debian packages Lumora needs to build and test, if missing.
# Safe to run again: it only installs what is not there yet.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qtbase5-dev libqwt-qt5-dev
  libfftw3-dev libgsl-dev libgmp-dev
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  parallel
  libhdf5-dev
  python3-numpy python3-h5py python3-pytest python3-setuptools python3-wheel python3-venv
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
