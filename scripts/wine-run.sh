#!/bin/sh
# Runs a Windows program under Wine quietly, in a prefix of its own that
# scripts/test-all.sh prepares (WINEPREFIX may point elsewhere).
: "${WINEPREFIX:=${HOME:-/root}/.wine-zkcomiconvdll}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
