#!/bin/bash
# Builds everything (Linux, release) and runs the main job on a built-in
# sample: zkconv loads the module, creates rozorevo.charsetconvert and
# converts UTF-8 text with accents, markup and a euro sign to HTML entity
# text and back.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZK_BUILD_DIR:-$root/build}/release

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZK_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" -j "$(nproc)"

zkconv=$build/bin/zkconv
sample=$(printf 'Caf\xc3\xa9 cr\xc3\xa8me br\xc3\xbbl\xc3\xa9e < 5 \xe2\x82\xac & "na\xc3\xafve" <<b>>bold<</b>>')

echo
echo "Sample (UTF-8):"
echo "  $sample"
html=$(printf '%s' "$sample" | "$zkconv" -f UTF-8 -t HTML)
echo "To HTML:"
echo "  $html"
echo "To HTMLWITHTAGS:"
echo "  $(printf '%s' "$sample" | "$zkconv" -f UTF-8 -t HTMLWITHTAGS)"
echo "Back from HTML to UTF-8:"
echo "  $(printf '%s' "$html" | "$zkconv" -f HTML -t UTF-8)"
echo "To UTF-16 (bytes):"
printf '%s' "$sample" | "$zkconv" -f UTF-8 -t UTF-16 | od -An -tx1 | head -n 2
