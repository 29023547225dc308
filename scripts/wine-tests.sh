#!/usr/bin/env bash
# Builds the Windows side with mingw-w64 and runs its test programs under Wine
# on a virtual display: the shared code's tests (so that every pixel rule is
# checked on GDI too), the Win32 backend's own in both of its text forms,
# Tavrin.exe's resources, TavrinView.exe and Tavrin.exe driven from outside
# (scripts/wine-viewer-tests.sh, scripts/wine-notepad-tests.sh), and the
# installer (scripts/wine-installer-tests.sh). ctest
# runs the test programs through Wine, the emulator the toolchain file names.
#
# The Wine prefix lives in the build folder and is made on the first run:
# X11 driver's Managed=N, no crash dialog, and Wine's own fonts plus DejaVu in
# its Fonts folder, so that texts are drawn in the same fonts on every machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${TAVRIN_BUILD_ROOT:-$root/build/ci}/win32
jobs=${TAVRIN_JOBS:-2}

scripts/install-deps.sh windows
for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver Xvfb; do
  command -v "$tool" >/dev/null || { echo "error: $tool is missing after installing" >&2; exit 1; }
done

started=$SECONDS
echo "== configure and build $out"
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$out" -j "$jobs" all installer
built=$SECONDS

export WINEPREFIX=$out/wineprefix WINEARCH=win64 WINEDEBUG=-all
# No prompts for Wine's .NET and HTML engines, which nothing here needs.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Western code page and United States English, whatever the machine's locale.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

source scripts/virtual-display.sh
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_virtual_display
}
trap cleanup EXIT
start_virtual_display "$out"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== new Wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  # A crashing test program ends with its exit code instead of a dialog box.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
fi
# The system font is Wine's own bitmap font, which Wine finds only here.
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
cp /usr/share/wine/fonts/* /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf "$fonts/"
prepared=$SECONDS

echo "== tests under Wine on display $DISPLAY"
# One test program at a time: they share the Wine prefix and the display.
log=$out/ctest.log
status=0
ctest --test-dir "$out" --output-on-failure --timeout 600 >"$log" 2>&1 || status=$?
tr -d '\r' <"$log" >"$log.txt" && mv "$log.txt" "$log"
results=$(grep -E '^ *[0-9]+/[0-9]+ Test +#' "$log" || true)
echo "$results"
passed=0
failed=0
if [ -n "$results" ]; then
  passed=$(grep -c ' Passed ' <<<"$results" || true)
  failed=$(grep -vc ' Passed ' <<<"$results" || true)
fi
failed_programs=()
if [ "$status" -ne 0 ]; then
  # ctest failing without a failed program (none found, none built) is one failure.
  [ "$failed" -eq 0 ] && failed=1
  failed_programs+=("ctest (exit code $status, log: $log)")
  if grep -q 'Failure$' "$log"; then
    grep -B1 -A12 'Failure$' "$log" | head -n 80 || true
  else
    tail -n 40 "$log"
  fi
fi

source scripts/wine-drive.sh
source scripts/wine-viewer-tests.sh
source scripts/wine-notepad-tests.sh
source scripts/wine-installer-tests.sh

echo "== Windows build $((built - started))s, Wine set-up $((prepared - built))s, tests $((SECONDS - prepared))s"
if [ ${#failed_programs[@]} -gt 0 ]; then
  printf 'error: failed under Wine: %s\n' "${failed_programs[@]}" >&2
fi
echo "wine: $passed passed, $failed failed"
[ ${#failed_programs[@]} -eq 0 ]
