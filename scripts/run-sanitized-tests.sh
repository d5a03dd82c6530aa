#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs it. Benchmarks are left out of this build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_SANITIZE=ON \
  -DLUMORA_BUILD_BENCHMARKS=OFF
cmake --build build-sanitize -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-sanitize
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" -LE nosanitize
