#!/bin/bash
# Builds and runs every test: Linux, Linux with AddressSanitizer and
# UndefinedBehaviorSanitizer, and Windows x64 (mingw-w64) under Wine, every
# tree with warnings as errors; the concurrency tests (ctest label
# "concurrency") again in a Linux tree with ThreadSanitizer; the fuzz
# targets over their seeds and a few seconds each (scripts/fuzz.sh); then
# the formatter and linter checks.
# Exits non-zero if anything fails to build or any test fails.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZK_BUILD_DIR:-$root/build}
jobs=${ZK_JOBS:-$(nproc)}

"$root/scripts/install-deps.sh" || { echo "dependency installation failed"; exit 1; }

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== preparing the Wine prefix"
  mkdir -p "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1
  wineserver -w
fi

passed=0
failed=0
status=0
summary=""

# count_cases DIR: sets cases and broken to the test cases that the
# programs of one tree ran and failed, from the result files they leave.
count_cases() {
  local file n f
  cases=0
  broken=0
  for file in "$1"/test-results/*.xml; do
    [ -f "$file" ] || continue
    n=$(grep -o -m1 '<testsuites tests="[0-9]*"' "$file" | grep -o '[0-9]*')
    f=$(grep -o -m1 '<testsuites tests="[0-9]*" failures="[0-9]*"' "$file" | grep -o '[0-9]*"$' | tr -d '"')
    cases=$((cases + ${n:-0}))
    broken=$((broken + ${f:-0}))
  done
}

# run_config NAME CMAKE-ARGS...: configure, build and test one tree; with
# `label` set, only the tests that carry that ctest label.
run_config() {
  local name=$1
  shift
  local selection=()
  [ -n "${label:-}" ] && selection=(-L "$label")
  local dir=$build/$name
  echo "== $name: configure and build"
  if ! cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"
    summary+="$name: configuration FAILED"$'\n'
    status=1
    return
  fi
  if ! ninja -C "$dir" -j "$jobs" >"$dir.build.log" 2>&1; then
    tail -n 60 "$dir.build.log"
    summary+="$name: build FAILED"$'\n'
    status=1
    return
  fi
  echo "== $name: test"
  local log=$dir.test.log
  rm -rf "$dir/test-results"
  (cd "$dir" && ctest --output-on-failure --timeout 300 -j "$jobs" "${selection[@]}") 2>&1 | tee "$log"
  local line
  line=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -n 1)
  if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    local nfailed=${BASH_REMATCH[1]} total=${BASH_REMATCH[2]}
    count_cases "$dir"
    # A program that crashed may have left no result file: count it at least.
    [ "$broken" -ge "$nfailed" ] || broken=$nfailed
    [ "$cases" -ge "$broken" ] || cases=$broken
    passed=$((passed + cases - broken))
    failed=$((failed + broken))
    summary+="$name: $((total - nfailed)) of $total test programs passed, $cases test cases run, $broken failed"$'\n'
    [ "$nfailed" -eq 0 ] || status=1
  else
    summary+="$name: no test result"$'\n'
    status=1
  fi
}

mkdir -p "$build"
run_config linux -DCMAKE_BUILD_TYPE=Debug -DZK_BUILD_BENCH=ON -DZK_WERROR=ON
run_config sanitize -DCMAKE_BUILD_TYPE=Debug -DZK_SANITIZE=ON -DZK_WERROR=ON
run_config windows -DCMAKE_BUILD_TYPE=Debug -DZK_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
label=concurrency run_config tsan -DCMAKE_BUILD_TYPE=Debug -DZK_SANITIZE_THREAD=ON -DZK_WERROR=ON

# The fuzz tree (clang, libFuzzer): every target over its committed seeds,
# then a few seconds of fuzzing; a target that fails fails the run.
echo "== fuzz: build, seeds and a short run"
ZK_JOBS=$jobs "$root/scripts/fuzz.sh" --smoke "${ZK_FUZZ_SMOKE_SECONDS:-8}" 2>&1 | tee "$build/fuzz-smoke.log"
fuzz_ok=$(grep -c '^fuzz [a-z_]*: [0-9?]* executions' "$build/fuzz-smoke.log")
fuzz_bad=$(grep -c '^fuzz [a-z_]*: .*FAILED' "$build/fuzz-smoke.log")
if [ "$fuzz_ok" -eq 0 ] || [ "$fuzz_bad" -ne 0 ]; then
  summary+="fuzz: $fuzz_ok targets passed, $fuzz_bad FAILED"$'\n'
  [ "$fuzz_bad" -ne 0 ] || fuzz_bad=1
  status=1
else
  summary+="fuzz: $fuzz_ok targets passed their seeds and a short run"$'\n'
fi
passed=$((passed + fuzz_ok))
failed=$((failed + fuzz_bad))

echo "== lint"
if LINT_BUILD_DIR="$build/linux" "$root/scripts/lint.sh"; then
  summary+="lint: clean"$'\n'
else
  summary+="lint: FAILED"$'\n'
  status=1
fi

echo
echo "== summary"
printf "%s" "$summary"
echo "$passed passed, $failed failed"
exit $status
