#!/usr/bin/env bash
# Builds Google Benchmark as a release library (optimised, NDEBUG) from Debian's
# source package (1.7.1-1, the version Debian 12 ships), into build/deps/benchmark,
# where CMake looks for it first. Debian's own libbenchmark is built without
# NDEBUG: it checks its own assertions while timing and warns on every run
# that its timings may be affected. Nothing happens when the library is there.
set -euo pipefail
cd "$(dirname "$0")/.."
deps=$PWD/build/deps
prefix=$deps/benchmark
[ -f "$prefix/lib/cmake/benchmark/benchmarkConfig.cmake" ] && exit 0

echo "== Google Benchmark from Debian's source package, release build"
work=$deps/benchmark-source
rm -rf "$work"
mkdir -p "$work/lists/partial" "$work/archives/partial"
# A source list of its own, so that the machine's apt configuration is left as it is.
echo "deb-src http://deb.debian.org/debian bookworm main" > "$work/sources.list"
apt_options=(
  -o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
  -o Dir::State::Lists="$work/lists" -o Dir::Cache::Archives="$work/archives"
  -o APT::Sandbox::User="$(id -un)" -q
)
apt-get "${apt_options[@]}" update >/dev/null
# apt-get checks the downloaded files against the signed source index.
(cd "$work" && apt-get "${apt_options[@]}" source --download-only benchmark=1.7.1-1 >/dev/null)
mkdir "$work/source"
tar -xzf "$work"/benchmark_*.orig.tar.gz -C "$work/source" --strip-components=1
cmake -S "$work/source" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
  -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_WERROR=OFF \
  -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_INSTALL_DOCS=OFF >/dev/null
ninja -C "$work/build" -j "${TAVRIN_JOBS:-2}" install >/dev/null
rm -rf "$work"
