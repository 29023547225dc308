# What the scripts that drive the Windows programs under Wine share: the Linux
# tools they check with, and the helpers of scripts/x11-drive.sh.
#
# Sourced by scripts/wine-tests.sh, with its display, Wine prefix, `out`
# folder and pass/fail counters in place. Each driving script names its
# `subject` (for the failure list) and its `shots` folder.

linux=${TAVRIN_BUILD_ROOT:-$root/build/ci}/plain
echo "== the Linux tools the checks use, in $linux"
# The same build type as scripts/test.sh gives it, or this would build it anew.
cmake -S "$root" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$linux" -j "$jobs" tavrin-file page_in_screenshot tavrinview tavrin >/dev/null
tool=$linux/src/tools/tavrin-file
find_page=$linux/tests/viewer/page_in_screenshot
linux_viewer=$linux/src/viewer/qt/tavrinview
linux_notepad=$linux/bin/tavrin

source scripts/x11-drive.sh
