#!/bin/bash
# Builds the fuzz tree (build/fuzz: clang 14, AddressSanitizer,
# UndefinedBehaviorSanitizer, libFuzzer) and runs every target of fuzz/ for
# SECONDS each (default 60). Each target starts from its committed seeds
# (fuzz/corpus/<name>) and keeps what it finds in build/fuzz-corpus/<name>;
# crash inputs go to build/fuzz-crashes/. Prints one line per target
# (executions, coverage, crashes) and exits non-zero when a target fails.
#
#   scripts/fuzz.sh [SECONDS]     run every target
#   scripts/fuzz.sh --smoke SECS  run every target over its seeds only, then
#                                 at most SECS seconds of fuzzing from a
#                                 fixed random seed (the test command: a
#                                 slower machine runs a prefix of the same
#                                 inputs, so a failure there is repeatable)
#   FUZZ_TARGETS="str pool"       run only these targets
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZK_BUILD_DIR:-$root/build}
jobs=${ZK_JOBS:-$(nproc)}
smoke=0
if [ "${1:-}" = "--smoke" ]; then
  smoke=1
  shift
fi
seconds=${1:-60}
dir=$build/fuzz
targets=${FUZZ_TARGETS:-"html_decode html_encode dispatch str pool"}

mkdir -p "$build"
echo "== fuzz: configure and build"
if ! CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZK_FUZZ=ON \
  -DZK_BUILD_TESTS=OFF -DZK_WERROR=ON >"$dir.configure.log" 2>&1; then
  cat "$dir.configure.log"
  exit 1
fi
fuzz_programs=$(for t in $targets; do echo "fuzz_$t"; done)
# shellcheck disable=SC2086
if ! ninja -C "$dir" -j "$jobs" $fuzz_programs >"$dir.build.log" 2>&1; then
  tail -n 60 "$dir.build.log"
  exit 1
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for t in $targets; do
  program=$dir/fuzz/fuzz_$t
  seeds=$root/fuzz/corpus/$t
  corpus=$build/fuzz-corpus/$t
  crashes=$build/fuzz-crashes/$t
  log=$build/fuzz-$t.log
  mkdir -p "$corpus" "$crashes"
  dict=()
  [ -f "$root/fuzz/$t.dict" ] && dict=(-dict="$root/fuzz/$t.dict")
  if [ $smoke -eq 1 ]; then
    # Every committed seed first, one by one, so a known input fails fast.
    if ! "$program" -runs=0 "${dict[@]}" "$seeds" >"$log" 2>&1; then
      echo "fuzz $t: a committed seed FAILED"
      tail -n 40 "$log"
      status=1
      continue
    fi
    # A corpus of its own, started afresh, so that the smoke run depends on
    # the committed seeds alone.
    corpus=$build/fuzz-smoke-corpus/$t
    rm -rf "$corpus"
    mkdir -p "$corpus"
  fi
  corpus_args=("$corpus" "$seeds")
  repeatable=()
  [ $smoke -eq 1 ] && repeatable=(-seed=1 -runs=50000)
  "$program" "${repeatable[@]}" -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$crashes/" "${dict[@]}" "${corpus_args[@]}" >"$log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -n 1)
  edges=$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1 | grep -oE '[0-9]+')
  features=$(grep -oE 'ft: [0-9]+' "$log" | tail -n 1 | grep -oE '[0-9]+')
  found=$(find "$crashes" -type f | wc -l)
  if [ $rc -ne 0 ]; then
    echo "fuzz $t: FAILED after ${runs:-?} executions (log: $log)"
    grep -E -m5 'property failed|ERROR: |runtime error|expected:|actual:' "$log"
    status=1
  else
    echo "fuzz $t: ${runs:-?} executions in ${seconds} s, coverage ${edges:-?} edges (${features:-?} features), $found crash files"
  fi
done
exit $status
