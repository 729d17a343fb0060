#!/bin/bash
# Builds everything (Linux, release) and runs the main job on a built-in
# sample: shows what the module file exports.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZK_BUILD_DIR:-$root/build}/release

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZK_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j "$(nproc)"

module=$build/module/zkcomiconvdll.so
echo
echo "Module file: $module"
echo "Exported entry points:"
nm -D --defined-only "$module" | awk '$2 != "A" { print "  " $3 }'
