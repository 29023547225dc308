#!/usr/bin/env bash
# Builds Tavrin and runs every test: a plain build, a build under
# AddressSanitizer and UndefinedBehaviorSanitizer, the benchmarks once as a
# smoke run, a short run of each fuzzer, the Windows build's tests and its
# installer under Wine, and the Debian package installed and checked.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${TAVRIN_BUILD_ROOT:-$root/build/ci}
fuzz_seconds=${TAVRIN_FUZZ_SECONDS:-60}
jobs=${TAVRIN_JOBS:-2}

scripts/install-deps.sh
scripts/build-benchmark.sh

build() {  # build NAME CMAKE-ARGS...
  local dir=$out/$1; shift
  echo "== configure and build $dir"
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir" -j "$jobs"
}

# Release: the plain build is the one the Debian package is made of, so the
# package holds the very programs these tests ran.
build plain -DCMAKE_BUILD_TYPE=Release
build asan -DCMAKE_BUILD_TYPE=Debug -DTAVRIN_SANITIZE=ON -DTAVRIN_BENCH=OFF
CC=clang CXX=clang++ build fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_FUZZ=ON \
  -DTAVRIN_SANITIZE=ON -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF

echo "== benchmarks (smoke run)"
for bench in "$out"/plain/bench/*_bench; do
  "$bench" --benchmark_min_time=0.01 >/dev/null
done

echo "== fuzzers, ${fuzz_seconds}s each"
# Every fuzzer starts from the demo file that the fuzz build writes through
# the store; findings land beside the corpus.
corpus=$out/fuzz/fuzz-corpus
for fuzzer in "$out"/fuzz/fuzz/*_fuzz; do
  name=$(basename "$fuzzer")
  mkdir -p "$corpus/$name"
  [ -f "$corpus/$name/demo.dat" ] || cp "$corpus/memo_file_fuzz/demo.dat" "$corpus/$name/"
  # Inputs of a few megabytes under a memory limit: a file that makes the
  # readers allocate far more than its size is a finding.
  "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 \
    -max_len=4194304 -rss_limit_mb=1024 -malloc_limit_mb=256 \
    -artifact_prefix="$out/fuzz/$name-" "$corpus/$name" 2>&1 | tail -n 2
done

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir "$out/asan" --output-on-failure -j "$jobs"
# The Windows build and its tests under Wine, with its installer; it fails
# when Wine or Xvfb is missing.
scripts/wine-tests.sh
# The Debian package of the plain build, installed on this machine, checked
# and removed.
scripts/package-tests.sh "$out/plain"
echo "== tests"
ctest --test-dir "$out/plain" --output-on-failure -j "$jobs"
