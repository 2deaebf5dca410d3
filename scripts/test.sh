#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# a build under AddressSanitizer + UndefinedBehaviorSanitizer, and a short
# libFuzzer run of the picture loader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)

# Runs ctest in build folder $1 (the rest: environment settings), prints the
# output of failed tests, then the skipped ones with their reasons; returns
# ctest's status.
run_tests() {
  local dir=$1
  shift
  local status=0
  env "$@" ctest --test-dir "$dir" --output-on-failure -j"$jobs" --output-junit junit.xml || status=$?
  bash scripts/skipped_tests.sh "$dir/junit.xml"
  return "$status"
}

# Configure output shows notices, warnings and errors (such as why the
# end-to-end tests are skipped), not the routine status lines.
echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release --log-level=NOTICE
cmake --build build -j"$jobs"
run_tests build

echo "== sanitizer build (ASan + UBSan)"
CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCITRA_SANITIZE=ON -DCITRA_BENCH=OFF --log-level=NOTICE
cmake --build build-asan -j"$jobs"
run_tests build-asan ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp"

echo "== fuzzing"
bash fuzz/run.sh "${CITRA_FUZZ_SECONDS:-60}"
