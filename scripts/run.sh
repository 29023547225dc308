#!/usr/bin/env bash
# Builds Tavrin and shows what it makes of a memo data file: a demo file is
# written through the store and described by tavrin-file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF >/dev/null
ninja -C build/app
demo=build/app/demo/tavrin.dat
mkdir -p "$(dirname "$demo")"
[ -f "$demo" ] || build/app/src/tools/tavrin-file demo "$demo"
exec build/app/src/tools/tavrin-file info "$demo"
