#!/usr/bin/env bash
# Prints the size of the test suite against the size of the code it tests:
# non-blank, non-comment-only lines of .cpp and .h files under tests/ against
# those in the source folders (bench/ and fuzz/ are neither).
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null |
    xargs -0 -r cat | grep -cvE '^\s*(//.*)?$' || true
}

sources=()
for d in */; do
  d=${d%/}
  case "$d" in tests|bench|fuzz|build*|docs|examples|scripts) continue ;; esac
  sources+=("$d")
done

t=$(count tests)
c=$(count "${sources[@]}")
awk -v t="$t" -v c="$c" 'BEGIN {
  printf "test lines: %d\ncode lines: %d\nratio: %.2f\n", t, c, (c > 0 ? t / c : 0)
}'
