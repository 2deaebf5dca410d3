#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# a build under AddressSanitizer + UndefinedBehaviorSanitizer, and a short
# libFuzzer run of the picture loader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== sanitizer build (ASan + UBSan)"
CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCITRA_SANITIZE=ON -DCITRA_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzzing"
bash fuzz/run.sh "${CITRA_FUZZ_SECONDS:-60}"
