#!/usr/bin/env bash
# Installs what is missing, builds Lumora and opens it on a shipped example.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLUMORA_BUILD_TESTS=OFF -DLUMORA_BUILD_BENCHMARKS=OFF
cmake --build build -j "$jobs" --target lumora
exec ./build/app/lumora "$@"
