#!/usr/bin/env bash
# Builds the benchmarks and the citra tool (Release, in build-bench/) and runs
# them on a generated 24-bit pair; prints every figure next to its baseline
# and a summary table at the end. Extra arguments go to the benchmark
# program, e.g. --size=4000 or --benchmark_filter=Histogram.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target citra_bench citra >/dev/null

# The test images go into a folder of their own, removed however the run ends.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-bench-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
TMPDIR="$scratch" "$build/bench/citra_bench" "$@"
