#!/usr/bin/env bash
# Builds Tavrin and starts it. Run from the build folder, it keeps its memos
# beside itself (build/app/bin/tavrin.dat); TAVRIN_DATA_FILE names another file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF >/dev/null
ninja -C build/app
notepad=build/app/bin/tavrin

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<MSG

Tavrin is built, but there is no display to show its window on
(neither DISPLAY nor WAYLAND_DISPLAY is set). Run it from a desktop session:
    $notepad
or on a virtual display (Debian package xvfb):
    xvfb-run $notepad
MSG
  exit 1
fi
exec "$notepad" "$@"
