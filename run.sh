#!/usr/bin/env bash
# Builds Marvek (Release) and starts the desktop program with ARGS (books to open, "multi").
# "./run.sh cli ARGS" runs the command-line tool instead: marvek-cli ARGS.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARVEK_TESTS=OFF >/dev/null
if [[ "${1:-}" == "cli" ]]; then
  shift
  cmake --build build/release --target marvek-cli >/dev/null
  exec build/release/cli/marvek-cli "$@"
fi
cmake --build build/release --target marvek >/dev/null
exec build/release/gui/marvek "$@"
