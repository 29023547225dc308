#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Tavrin need, and
# only those that are missing, so that a machine with everything in place
# needs no network. With the argument "windows": those of the Windows build;
# with "package": those of the Debian package's checks.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config python3
  clang libclang-rt-14-dev
  qt6-base-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev liblz4-dev libpng-dev
  libcanberra-dev dbus systemd
  dunst xvfb xdotool imagemagick
  dpkg-dev desktop-file-utils appstream poppler-utils
)
# python3 draws the icons from their XPM files; dpkg-dev (dpkg-shlibdeps)
# gives the Debian package its dependencies; desktop-file-utils and appstream
# judge the desktop entries and metainfo; poppler-utils (pdftoppm, pdftotext)
# draws back the PDFs that tavrin-file exports.

# The Windows build and its tests under Wine, only for `install-deps.sh windows`
# (scripts/wine-tests.sh): the cross compiler, GoogleTest's sources, Python
# (Tavrin.exe's icon and button images are drawn from XPM files at build
# time), Wine with its own fonts, a virtual display, and NSIS for the installer.
windows_packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest python3
  wine wine64 fonts-wine xvfb xdotool imagemagick nsis
)
# The checks of the installed Debian package, only for `install-deps.sh
# package` (scripts/package-tests.sh): lintian, xdg-mime with the freedesktop
# MIME database reader it uses outside a desktop session, and ImageMagick to
# take screenshots.
package_test_packages=(
  lintian xdg-utils libfile-mimeinfo-perl imagemagick
)
case "${1:-}" in
  windows) packages=("${windows_packages[@]}") ;;
  package) packages=("${package_test_packages[@]}") ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "error: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
