#!/usr/bin/env bash
# Builds both fuzz targets with clang and runs them for the given number of
# seconds in all (default 60): side by side for the whole time when there
# are two cores or more, else one after the other for half of it each.
# Exits non-zero when a fuzzer finds a crash, a leak, a sanitizer report, a
# disagreement or a timeout; the input that caused it is kept in
# build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build-fuzz
jobs=$(nproc)
targets=(fuzz_load_picture fuzz_stream_compare)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCITRA_FUZZ=ON -DCITRA_UI=OFF -DCITRA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}" fuzz_make_seeds

work=$(mktemp -d "${TMPDIR:-/tmp}/citra-fuzz-run-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fuzz_load_picture" "$work/fuzz_stream_compare" "$build/artifacts"

# Seeds: the shared BMP corpus when present, plus generated files. The
# comparison target gets each bitmap behind control bytes asking for a pair
# with a changed copy, in bands of 1 + 0x0100 bytes.
suite="${CITRA_BMPSUITE_DIR:-$(cmake -L -N "$build" | sed -n 's/^CITRA_SHARED_DIR:PATH=//p')/bmpsuite}"
if [ -d "$suite" ]; then
  for folder in g q b; do
    [ -d "$suite/$folder" ] || continue
    for f in "$suite/$folder"/*.bmp; do
      [ -e "$f" ] || continue
      name="$folder-$(basename "$f")"
      cp "$f" "$work/fuzz_load_picture/$name"
      { printf '\000\001\020\125\000\000'; cat "$f"; } >"$work/fuzz_stream_compare/$name"
    done
  done
else
  echo "note: BMP corpus not found at $suite; generated seeds only" >&2
fi
"$build/fuzz/fuzz_make_seeds" "$work/fuzz_load_picture" "$work/fuzz_stream_compare"
# Inputs that once failed are seeds too.
for f in fuzz/regressions/*; do
  [ -f "$f" ] && [ "$(basename "$f")" != README.md ] || continue
  cp "$f" "$work/fuzz_load_picture/"
  cp "$f" "$work/fuzz_stream_compare/"
done

fuzz() {
  local target=$1 time=$2
  echo "$target: fuzzing for $time s with $(ls "$work/$target" | wc -l) seeds"
  "$build/fuzz/$target" \
    -max_total_time="$time" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
    "$work/$target" >"$work/$target.log" 2>&1
}

status=0
if [ "$jobs" -ge 2 ]; then
  fuzz fuzz_load_picture "$seconds" & first=$!
  fuzz fuzz_stream_compare "$seconds" & second=$!
  wait "$first" || status=1
  wait "$second" || status=1
else
  half=$(( (seconds + 1) / 2 ))
  fuzz fuzz_load_picture "$half" || status=1
  fuzz fuzz_stream_compare "$half" || status=1
fi
for target in "${targets[@]}"; do
  echo "== $target"
  # The whole log on failure; the closing lines and the statistics otherwise.
  if [ "$status" -ne 0 ]; then cat "$work/$target.log"; else grep -E '^(Done|stat::)' "$work/$target.log" || true; fi
done
exit "$status"
