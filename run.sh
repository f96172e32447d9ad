#!/usr/bin/env bash
# Builds Marvek (Release) and runs it. Until the desktop program exists,
# "./run.sh ARGS" runs the command-line tool: marvek-cli ARGS ("./run.sh cli ARGS" works too).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARVEK_TESTS=OFF >/dev/null
cmake --build build/release --target marvek-cli >/dev/null
if [[ "${1:-}" == "cli" ]]; then shift; fi
exec build/release/cli/marvek-cli "$@"
