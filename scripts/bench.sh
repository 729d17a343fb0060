#!/bin/bash
# Builds the Release benchmark tree (build/bench) and runs the benchmark
# program: every benchmark repeated, then one summary table of the figures,
# each a ratio against its baseline from the same run (medians of the
# repetitions). Arguments go to the program, for example
#   scripts/bench.sh --benchmark_filter='lock|lifo' --benchmark_repetitions=9
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${ZK_BUILD_DIR:-$root/build}/bench

"$root/scripts/install-deps.sh"
mkdir -p "$dir"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZK_BUILD_BENCH=ON -DZK_BUILD_TESTS=OFF \
  ${ZK_BENCH_CMAKE_ARGS:-} >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
ninja -C "$dir" zkbench >"$dir.build.log" 2>&1 || { tail -n 60 "$dir.build.log"; exit 1; }
exec "$dir/bench/zkbench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true "$@"
