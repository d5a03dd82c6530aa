#!/usr/bin/env bash
# Builds the configuration fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time, starting from the
# seed corpus (shipped examples, fuzz/seeds, the regression inputs).
#
#   scripts/run-fuzz.sh [seconds] [more libFuzzer options]
#
# seconds defaults to 90. New interesting inputs collect in
# build-fuzz/fuzz/corpus (kept between runs); an input that crashes, leaks,
# runs out of memory or times out is written to build-fuzz/fuzz/artifacts and
# the script fails. Turn such an input into a regression test under
# tests/robustness/data (without its first byte, named FDTD_*.txt or
# UPPE_*.txt after that byte: even FDTD, odd UPPE).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

seconds="${1:-90}"
if [ $# -gt 0 ]; then
  shift
fi

bash scripts/install-dependencies.sh

jobs=$(nproc 2>/dev/null || echo 2)
build="${LUMORA_FUZZ_BUILD:-$root/build-fuzz}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DLUMORA_FUZZ=ON \
  -DLUMORA_BUILD_TESTS=OFF -DLUMORA_BUILD_BENCHMARKS=OFF
cmake --build "$build" -j "$jobs" --target config_fuzzer

seeds="$build/fuzz/seed-corpus"
corpus="$build/fuzz/corpus"
artifacts="$build/fuzz/artifacts"
rm -rf "$seeds"
bash fuzz/make-seed-corpus.sh "$seeds"
mkdir -p "$corpus" "$artifacts"

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Engine threads sleep instead of spinning when they wait: the machine may be
# shared, and a spinning team slows every input down.
export OMP_WAIT_POLICY=passive
# -rss_limit_mb / -malloc_limit_mb: a configuration must never make the
# process take more than this; -timeout: nor take this long for one input
# (load plus a few steps). Standard output (the engines' diagnostics) is
# closed.
exec "$build/fuzz/config_fuzzer" "$corpus" "$seeds" \
  -max_total_time="$seconds" -timeout=120 \
  -rss_limit_mb=6144 -malloc_limit_mb=2048 \
  -max_len=16384 -close_fd_mask=1 \
  -dict="$root/fuzz/config.dict" \
  -artifact_prefix="$artifacts/" \
  -print_final_stats=1 "$@"
