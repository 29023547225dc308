#!/usr/bin/env bash
# Builds the Debian package tavrin_<version>_amd64.deb with CPack from a
# Release build, into build/packages, with the screenshots the metainfo names
# beside it (build/packages/screenshots, to be published at the metainfo's
# screenshot address) when the GUI tests have written them.
#
#   scripts/package.sh [BUILD-FOLDER]
#
# Without a folder it configures and builds build/release (the programs
# only); given one, it packages that build, which must be a Release build
# (CI passes its plain build, whose tests have run).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-$root/build/release}
out=$root/build/packages

scripts/install-deps.sh >&2
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF >/dev/null
fi
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
if [ "$type" != Release ]; then
  echo "error: $build is a '$type' build; the package is made from a Release build" >&2
  exit 1
fi
ninja -C "$build" -j "${TAVRIN_JOBS:-2}" >/dev/null
rm -rf "$out"
mkdir -p "$out"
if ! cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log" >&2
  exit 1
fi
rm "$out/cpack.log"
rm -rf "$out/_CPack_Packages"
if [ -d "$build/test-output" ]; then
  mkdir -p "$out/screenshots"
  for shot in tavrin.png tavrinview.png; do
    [ -f "$build/test-output/$shot" ] && cp "$build/test-output/$shot" "$out/screenshots/"
  done
fi
ls "$out"/tavrin_*_amd64.deb
