#!/usr/bin/env bash
# Builds Release and runs the benchmarks, each beside the same work done by a peer program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --bench
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARVEK_TESTS=OFF -DMARVEK_BENCH=ON >/dev/null
cmake --build build/bench
for b in build/bench/bench/marvek_bench_*; do
  [[ -x "$b" ]] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
