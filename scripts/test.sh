#!/usr/bin/env bash
# Builds Tavrin and runs every test: a plain build and its tests first, so
# that a broken change fails fast, then the Debian package of that build
# installed and checked, a build under AddressSanitizer and
# UndefinedBehaviorSanitizer with its tests, the benchmarks once as a smoke
# run, a short run of each fuzzer, and the Windows build's tests and its
# installer under Wine. Each phase's wall time is printed as it ends, and all
# of them at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${TAVRIN_BUILD_ROOT:-$root/build/ci}
fuzz_seconds=${TAVRIN_FUZZ_SECONDS:-40}
jobs=${TAVRIN_JOBS:-2}

timings=()
phase_started=$SECONDS
# phase NAME COMMAND...: runs the command as one timed phase.
phase() {
  local name=$1; shift
  echo "== $name"
  phase_started=$SECONDS
  "$@"
  local took=$((SECONDS - phase_started))
  timings+=("$(printf '%5ds  %s' "$took" "$name")")
  echo "== $name: ${took}s"
}
report_timings() {
  echo "== wall time by phase"
  printf '%s\n' "${timings[@]}"
  echo "== in all: ${SECONDS}s"
}
trap report_timings EXIT

build() {  # build NAME CMAKE-ARGS...
  local dir=$out/$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir" -j "$jobs"
}

run_benchmarks() {
  for bench in "$out"/plain/bench/*_bench; do
    "$bench" --benchmark_min_time=0.01 >/dev/null
  done
}

# Every fuzzer starts from the demo file that the fuzz build writes through
# the store; findings land beside the corpus. They run $jobs at a time, each
# on a core of its own (all run equally long, so the first started ends
# first), and each one's last lines are printed when all have ended.
run_fuzzers() {
  local corpus=$out/fuzz/fuzz-corpus fuzzer name pids=() names=() waited=0 failed=0
  for fuzzer in "$out"/fuzz/fuzz/*_fuzz; do
    name=$(basename "$fuzzer")
    mkdir -p "$corpus/$name"
    [ -f "$corpus/$name/demo.dat" ] || cp "$corpus/memo_file_fuzz/demo.dat" "$corpus/$name/"
    if [ $((${#pids[@]} - waited)) -ge "$jobs" ]; then
      wait "${pids[$waited]}" || failed=1
      waited=$((waited + 1))
    fi
    # Inputs of a few megabytes under a memory limit: a file that makes the
    # readers allocate far more than its size is a finding.
    "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 \
      -max_len=4194304 -rss_limit_mb=1024 -malloc_limit_mb=256 \
      -artifact_prefix="$out/fuzz/$name-" "$corpus/$name" >"$out/fuzz/$name.log" 2>&1 &
    pids+=("$!")
    names+=("$name")
  done
  while [ "$waited" -lt "${#pids[@]}" ]; do
    wait "${pids[$waited]}" || failed=1
    waited=$((waited + 1))
  done
  for name in "${names[@]}"; do
    echo "$name:"
    tail -n 2 "$out/fuzz/$name.log"
  done
  return "$failed"
}

phase "install what is missing" scripts/install-deps.sh
phase "Google Benchmark, release build" scripts/build-benchmark.sh
# Release: the plain build is the one the Debian package is made of, so the
# package holds the very programs these tests ran.
phase "plain build" build plain -DCMAKE_BUILD_TYPE=Release
phase "plain tests" ctest --test-dir "$out/plain" --output-on-failure -j "$jobs"
phase "Debian package, installed, checked and removed" scripts/package-tests.sh "$out/plain"
phase "sanitizer build" build asan -DCMAKE_BUILD_TYPE=Debug -DTAVRIN_SANITIZE=ON -DTAVRIN_BENCH=OFF
phase "tests under AddressSanitizer and UndefinedBehaviorSanitizer" \
  ctest --test-dir "$out/asan" --output-on-failure -j "$jobs"
phase "benchmarks (smoke run)" run_benchmarks
CC=clang CXX=clang++ phase "fuzzer build" build fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVRIN_FUZZ=ON -DTAVRIN_SANITIZE=ON -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF
phase "fuzzers, ${fuzz_seconds}s each" run_fuzzers
# The Windows build and its tests under Wine, with its installer; it fails
# when Wine or Xvfb is missing.
phase "Windows build and its tests under Wine" scripts/wine-tests.sh
