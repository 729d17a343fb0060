#!/bin/bash
# Checks our sources with the formatter (.clang-format) and the linter
# (.clang-tidy) at the root. Third-party code is never checked. Uses the
# compile commands of a Linux tree (LINT_BUILD_DIR, default build/lint),
# configuring one when there is none. Exits non-zero on any finding.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LINT_BUILD_DIR:-$root/build/lint}
jobs=${ZK_JOBS:-$(nproc)}
folders="abi platform memory base diagnostics runtime charset module host tests bench fuzz examples"
status=0

cd "$root" || exit 1
sources=$(for f in $folders; do [ -d "$f" ] && find "$f" -name '*.cpp' -o -name '*.h'; done | sort)

echo "== format"
if ! clang-format --dry-run -Werror $sources; then
  echo "formatting differs: run clang-format -i on the files above"
  status=1
fi

echo "== tidy"
if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >"$build.configure.log" 2>&1 ||
    { cat "$build.configure.log"; exit 1; }
fi
# Headers are checked through the sources that include them; the tests are
# formatted but not linted (gtest macros trip several checks).
pattern="^$root/(platform|memory|base|diagnostics|runtime|charset|module|host)/"
# The trees build with warnings as errors, and clang does not know GCC's
# gnu_printf format archetype (which our printf-style declarations use so
# that mingw-w64 checks them against the C99 formats); GCC checks those.
if ! run-clang-tidy-14 -p "$build" -j "$jobs" -quiet -extra-arg=-Wno-ignored-attributes "$pattern" \
  >"$build.tidy.log" 2>&1 ||
   grep -qE '(warning|error): ' "$build.tidy.log"; then
  grep -E -A3 '(warning|error): ' "$build.tidy.log"
  status=1
fi

[ $status -eq 0 ] && echo "lint: clean"
exit $status
