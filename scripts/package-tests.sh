#!/usr/bin/env bash
# Builds the Debian package from a Release build (scripts/package.sh),
# installs it on this machine with apt-get, checks the installed programs
# and files as a user and a file manager meet them, removes it again, and
# has lintian judge it: no errors, no warnings.
#
#   scripts/package-tests.sh [BUILD-FOLDER]
#
# As root or with sudo: it installs and removes the package "tavrin".
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-$root/build/release}
out=${TAVRIN_BUILD_ROOT:-$root/build/ci}/package-tests
rm -rf "$out"
mkdir -p "$out"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive

scripts/install-deps.sh package
started=$SECONDS
echo "== the Debian package of $build"
deb=$(scripts/package.sh "$build")
packaged=$SECONDS

# A package left by an earlier run would keep apt from installing this one.
if dpkg-query -W -f='${Status}' tavrin 2>/dev/null | grep -q 'install ok installed'; then
  "${as_root[@]}" apt-get remove -y -q tavrin >/dev/null
fi
echo "== apt-get install $deb"
"${as_root[@]}" apt-get install -y -q "$deb" >"$out/install.log" 2>&1 || { cat "$out/install.log" >&2; exit 1; }
installed=$SECONDS

source scripts/virtual-display.sh
cleanup() {
  [ -n "${viewer_pid:-}" ] && kill "$viewer_pid" 2>/dev/null || true
  stop_virtual_display
}
trap cleanup EXIT
start_virtual_display "$out"

passed=0
failed=0
failed_programs=()
subject=package
shots=$out
find_page=$build/tests/viewer/page_in_screenshot
source scripts/x11-drive.sh

echo "== the installed programs"
memos=$out/memos  # no extension: the type comes from the file's first bytes
check "tavrin-file demo writes a memo file" /usr/bin/tavrin-file demo "$memos"
check "tavrin-file info reads it" /usr/bin/tavrin-file info "$memos" >"$out/info.txt"
/usr/bin/tavrin-file export "$memos" "$out/pages" >/dev/null
check "xdg-mime knows the file by its magic" \
  test "$(xdg-mime query filetype "$memos")" = application/x-tavrin-memos
check "a memo file opens in TavrinView" \
  test "$(xdg-mime query default application/x-tavrin-memos)" = tavrinview.desktop

# The thumbnailer's Exec line, run as a file manager runs it.
thumbnailer=/usr/share/thumbnailers/tavrin.thumbnailer
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
check "the thumbnailer is for the memo type" grep -qx 'MimeType=application/x-tavrin-memos;' "$thumbnailer"
thumbnail=$out/thumbnail.png
read -r -a command <<<"$exec_line"
for i in "${!command[@]}"; do
  case ${command[$i]} in
    %i) command[i]=$memos ;;
    %o) command[i]=$thumbnail ;;
    %s) command[i]=256 ;;
  esac
done
check "the thumbnailer's Exec line writes a PNG" "${command[@]}"
check "the thumbnail is 192 x 256" \
  test "$(identify -format '%w x %h' "$thumbnail" 2>/dev/null)" = "192 x 256"

check "the desktop entries are valid" \
  desktop-file-validate /usr/share/applications/tavrin.desktop /usr/share/applications/tavrinview.desktop
check "the metainfo is valid" \
  appstreamcli validate --no-net /usr/share/metainfo/org.tavrin.Tavrin.metainfo.xml \
  /usr/share/metainfo/org.tavrin.TavrinView.metainfo.xml >"$out/metainfo.txt"

# TavrinView shows the demo's current memo, 3 of 4, on the display.
/usr/bin/tavrinview "$memos" >"$out/tavrinview.log" 2>&1 &
viewer_pid=$!
window=$(wait_for_window 'TavrinView$') || window=
check "tavrinview shows a window" test -n "$window"
[ -n "$window" ] && check "tavrinview shows the demo's memo 3" \
  shows_page "$window" "$out/pages/memo-0003.png" tavrinview
kill "$viewer_pid" 2>/dev/null || true
wait "$viewer_pid" 2>/dev/null || true
viewer_pid=
checked=$SECONDS

echo "== apt-get remove tavrin"
"${as_root[@]}" apt-get remove -y -q tavrin >"$out/remove.log" 2>&1 || { cat "$out/remove.log" >&2; exit 1; }
check "the package is gone" bash -c '! dpkg-query -W -f="\${Status}" tavrin 2>/dev/null | grep -q "ok installed"'
check "its programs are gone" bash -c '! ls /usr/bin/tavrin /usr/bin/tavrinview /usr/bin/tavrin-file /usr/bin/tavrin-notify 2>/dev/null'
check "the memo type is gone with it" \
  test "$(xdg-mime query filetype "$memos")" != application/x-tavrin-memos
removed=$SECONDS

echo "== lintian"
lintian "$deb" 2>&1 | grep -v '^running with root privileges' | tee "$out/lintian.log" || true
check "lintian finds no errors and no warnings" bash -c "! grep -q '^[EW]: ' '$out/lintian.log'"

echo "== package $((packaged - started))s, apt-get install $((installed - packaged))s," \
  "checks $((checked - installed))s, apt-get remove $((removed - checked))s, lintian $((SECONDS - removed))s"
if [ ${#failed_programs[@]} -gt 0 ]; then
  printf 'error: failed: %s\n' "${failed_programs[@]}" >&2
fi
echo "package: $passed passed, $failed failed"
[ ${#failed_programs[@]} -eq 0 ]
