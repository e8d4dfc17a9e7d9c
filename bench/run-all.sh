#!/usr/bin/env bash
# Runs every benchmark: the Google Benchmark binaries of a bench build, then each bench/*.sh.
set -euo pipefail
dir=${1:-build-bench}
for b in "$dir"/bench/bench_*; do
  [ -x "$b" ] && { echo "== $(basename "$b")"; "$b"; }
done
for s in bench/*.sh; do
  [ "$(basename "$s")" = run-all.sh ] && continue
  echo "== $s"; bash "$s" "$dir"
done
