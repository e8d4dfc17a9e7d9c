#!/usr/bin/env bash
# Runs every fuzz_* binary of a fuzz build for a bounded time each; fails on the first crash.
set -euo pipefail
dir=${1:-build-fuzz}; seconds=${2:-60}
found=0
for f in "$dir"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  found=1
  name=$(basename "$f")
  corpus="$dir/fuzz/corpus-$name"; mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  "$f" -max_total_time="$seconds" -print_final_stats=1 "$corpus"
done
[ $found -eq 1 ] || echo "no fuzz targets built"
