#!/usr/bin/env bash
# Builds the libFuzzer harnesses under fuzz/ with clang, AddressSanitizer and UBSan, and runs each
# for SECONDS (default 60) from its corpus fuzz/corpus/<harness>/. New crash, leak and timeout
# inputs go to fuzz/crashes/<harness>/; at the end the corpus is minimised back into
# fuzz/corpus/<harness>/. ./test.sh replays both folders as ordinary tests.
#
#   ./fuzz.sh [SECONDS] [HARNESS...]      (all harnesses when none is named)
set -euo pipefail
cd "$(dirname "$0")"
seconds=${1:-60}
shift || true
scripts/install-deps.sh --fuzz

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARVEK_FUZZ=ON \
  -DMARVEK_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build build/fuzz

harnesses=("$@")
if [[ ${#harnesses[@]} -eq 0 ]]; then
  for f in build/fuzz/fuzz/fuzz_*; do harnesses+=("$(basename "$f" | sed 's/^fuzz_//')"); done
fi

# The harnesses' scratch folders go here, so that one left behind by a crash is cleared next time.
# Memory-backed when there is such a folder: the storage engine flushes its files to disk often.
scratch_root=$PWD/build/fuzz
[[ -d /dev/shm && -w /dev/shm ]] && scratch_root=/dev/shm/marvek-fuzz-$(id -u)
export TMPDIR=$scratch_root/tmp
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

count_crashes() { find "$1" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l; }

summary=()
status=0
for h in "${harnesses[@]}"; do
  exe=build/fuzz/fuzz/fuzz_$h
  [[ -x "$exe" ]] || { echo "no harness $h" >&2; exit 2; }
  corpus=fuzz/corpus/$h
  crashes=fuzz/crashes/$h
  work=build/fuzz/work/$h
  log=build/fuzz/$h.log
  mkdir -p "$corpus" "$crashes" "$work"
  before=$(count_crashes "$crashes")
  echo "== $h: fuzzing for $seconds seconds (log $log)"
  start=$(date +%s)
  rc=0
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$crashes/" "$work" "$corpus" >"$log" 2>&1 || rc=$?
  ran=$(( $(date +%s) - start ))
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  execs=$(grep -oE '^stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  [[ -n "$execs" ]] || execs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$last")
  cov=$(grep -oE 'cov: [0-9]+' <<<"$last" | grep -oE '[0-9]+' || echo '?')
  ft=$(grep -oE 'ft: [0-9]+' <<<"$last" | grep -oE '[0-9]+' || echo '?')
  found=$(( $(count_crashes "$crashes") - before ))
  if [[ $rc -ne 0 ]]; then
    status=1
    grep -E 'ERROR: |invariant failed|runtime error' "$log" | head -n 3 || true
  fi
  # Only inputs that add coverage join the kept corpus: merge the kept and the new into a fresh
  # folder on edge coverage alone, which keeps the repository's corpus small.
  merged=build/fuzz/merged/$h
  rm -rf "$merged"
  mkdir -p "$merged"
  if "$exe" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$crashes/" \
       "$merged" "$corpus" "$work" \
       >"build/fuzz/$h.merge.log" 2>&1 && [[ -n "$(ls -A "$merged")" ]]; then
    rm -rf "$corpus"
    mv "$merged" "$corpus"
  fi
  summary+=("$(printf '%-11s %6ss %12s execs  cov: %-6s ft: %-7s crashes: %s' "$h" "$ran" "${execs:-?}" "$cov" "$ft" "$found")")
done

echo
echo "harness     seconds   executions  coverage"
printf '%s\n' "${summary[@]}"
exit $status
