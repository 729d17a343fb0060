#!/bin/sh
# Installs what building and testing need on Debian 12 (run as root).
# Does nothing when everything is already there.
set -eu

packages="cmake ninja-build g++ make binutils googletest libgtest-dev libbenchmark-dev
g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 locales clang-format clang-tidy clang-14 libclang-rt-14-dev"
# npm fetches GNU libiconv; a machine may have it from another source than
# Debian's package (its nodejs bundles it), and then Debian's would clash.
if ! command -v npm >/dev/null 2>&1; then
  packages="$packages npm"
fi

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

if [ -n "$missing" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# The conversion tests also run under a locale whose decimal separator is a
# comma; make sure one exists.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
fi
