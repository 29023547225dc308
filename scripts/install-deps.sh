#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Tavrin need, and
# only those that are missing, so that a machine with everything in place
# needs no network. With the argument "windows": those of the Windows build.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev
  qt6-base-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev liblz4-dev libpng-dev
  libcanberra-dev dbus systemd
  dunst xvfb xdotool imagemagick
)

# The Windows build and its tests under Wine, only for `install-deps.sh windows`
# (scripts/wine-tests.sh): the cross compiler, GoogleTest's sources, Python
# (Tavrin.exe's icon and button images are drawn from XPM files at build
# time), Wine with its own fonts, and a virtual display.
windows_packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest python3
  wine wine64 fonts-wine xvfb xdotool imagemagick
)
if [ "${1:-}" = windows ]; then
  packages=("${windows_packages[@]}")
fi

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
