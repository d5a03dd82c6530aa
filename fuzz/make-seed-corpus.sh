#!/usr/bin/env bash
# Builds the seed corpus of the configuration fuzz target in the folder given
# as the first argument: every shipped example, every hand-written seed of
# fuzz/seeds and every regression input of tests/robustness/data, each
# prefixed with the byte that selects its engine ("F" is even: an FDTD file
# name; "U" is odd: a UPPE file name).
set -euo pipefail
out="$1"
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$out"
count=0
for f in "$root"/examples/*.txt "$root"/fuzz/seeds/*.txt "$root"/tests/robustness/data/*.txt; do
  [ -f "$f" ] || continue
  name="$(basename "$f")"
  case "$name" in
    FDTD*) prefix=F ;;
    UPPE*) prefix=U ;;
    *) continue ;;
  esac
  dir="$(basename "$(dirname "$f")")"
  { printf '%s' "$prefix"; cat "$f"; } > "$out/$dir-$name"
  count=$((count + 1))
done
echo "Seed corpus: $count inputs in $out"
