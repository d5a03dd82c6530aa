#!/usr/bin/env bash
# Installs what is missing, builds Lumora with its tests and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLUMORA_BUILD_TESTS=ON -DLUMORA_BUILD_BENCHMARKS=ON
cmake --build build -j "$jobs"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs"
