#!/usr/bin/env bash
# Builds Tavrin and starts TavrinView on a demo memo data file, written
# through the store by tavrin-file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF >/dev/null
ninja -C build/app
demo=build/app/demo/tavrin.dat
viewer=build/app/src/viewer/qt/tavrinview
mkdir -p "$(dirname "$demo")"
[ -f "$demo" ] || build/app/src/tools/tavrin-file demo "$demo"
build/app/src/tools/tavrin-file info "$demo"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<MSG

TavrinView is built, but there is no display to show its window on
(neither DISPLAY nor WAYLAND_DISPLAY is set). Run it from a desktop session:
    $viewer $demo
or on a virtual display (Debian package xvfb):
    xvfb-run $viewer $demo
MSG
  exit 1
fi
exec "$viewer" "$demo"
