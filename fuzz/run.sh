#!/usr/bin/env bash
# Builds the picture-loader fuzzer with clang and runs it for the given
# number of seconds (default 60). Exits non-zero when the fuzzer finds a
# crash, a leak, a sanitizer report or a timeout; the input that caused it
# is kept in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build-fuzz
jobs=$(nproc)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCITRA_FUZZ=ON -DCITRA_UI=OFF -DCITRA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_load_picture fuzz_make_seeds

work=$(mktemp -d "${TMPDIR:-/tmp}/citra-fuzz-run-XXXXXX")
trap 'rm -rf "$work"' EXIT
corpus="$work/corpus"
mkdir -p "$corpus" "$build/artifacts"

# Seeds: the shared BMP corpus when present, plus generated files.
suite="${CITRA_BMPSUITE_DIR:-$(cmake -L -N "$build" | sed -n 's/^CITRA_SHARED_DIR:PATH=//p')/bmpsuite}"
if [ -d "$suite" ]; then
  for folder in g q b; do
    [ -d "$suite/$folder" ] || continue
    for f in "$suite/$folder"/*.bmp; do
      [ -e "$f" ] && cp "$f" "$corpus/$folder-$(basename "$f")"
    done
  done
else
  echo "note: BMP corpus not found at $suite; generated seeds only" >&2
fi
"$build/fuzz/fuzz_make_seeds" "$corpus"

echo "fuzzing for $seconds s with $(ls "$corpus" | wc -l) seeds"
"$build/fuzz/fuzz_load_picture" \
  -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
  -artifact_prefix="$build/artifacts/" -print_final_stats=1 \
  "$corpus"
