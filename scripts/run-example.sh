#!/usr/bin/env bash
# Installs what is missing, builds Lumora and opens it on a configuration file:
# the one given as the first argument, or a shipped FDTD example. The run
# starts at once; files the engines write (Debug.txt, Source.txt, timing logs)
# go to build/run.
set -euo pipefail

# Resolve a file argument before leaving the caller's folder.
config=""
if [ $# -gt 0 ]; then
  config="$(realpath -- "$1")"
  shift
fi

cd "$(dirname "$0")/.."
root="$PWD"

if [ -z "$config" ]; then
  config="$root/examples/FDTD_gaussian_pulse.txt"
  if [ ! -f "$config" ]; then
    # Any shipped FDTD example will do.
    config="$(ls "$root"/examples/FDTD_*.txt 2>/dev/null | head -n 1 || true)"
  fi
fi

bash scripts/install-dependencies.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLUMORA_BUILD_TESTS=OFF -DLUMORA_BUILD_BENCHMARKS=OFF
cmake --build build -j "$jobs" --target lumora

mkdir -p build/run
cd build/run
if [ -n "$config" ]; then
  exec "$root/build/app/lumora" "$config" "$@"
fi
exec "$root/build/app/lumora" "$@"
