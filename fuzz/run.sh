#!/usr/bin/env bash
# Builds the three fuzz targets with clang and runs them for the given
# number of seconds in all (default 60): as many side by side as there are
# cores, in rounds that share the time.
# Exits non-zero when a fuzzer finds a crash, a leak, a sanitizer report, a
# disagreement or a timeout; the input that caused it is kept in
# build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build-fuzz
jobs=$(nproc)
targets=(fuzz_load_picture fuzz_stream_compare fuzz_read_image)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCITRA_FUZZ=ON -DCITRA_UI=OFF -DCITRA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}" fuzz_make_seeds fuzz_make_image_seeds

work=$(mktemp -d "${TMPDIR:-/tmp}/citra-fuzz-run-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fuzz_load_picture" "$work/fuzz_stream_compare" "$work/fuzz_read_image" "$build/artifacts"

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
      cp "$f" "$work/fuzz_read_image/$name"
      { printf '\000\001\020\125\000\000'; cat "$f"; } >"$work/fuzz_stream_compare/$name"
    done
  done
else
  echo "note: BMP corpus not found at $suite; generated seeds only" >&2
fi
# The PNG suite kept in the repository, for the decoders.
for f in tests/data/pngsuite/*.png; do
  cp "$f" "$work/fuzz_read_image/pngsuite-$(basename "$f")"
done
"$build/fuzz/fuzz_make_seeds" "$work/fuzz_load_picture" "$work/fuzz_stream_compare"
"$build/fuzz/fuzz_make_image_seeds" "$work/fuzz_read_image"
# Inputs that once failed are seeds too.
for f in fuzz/regressions/*; do
  [ -f "$f" ] && [ "$(basename "$f")" != README.md ] || continue
  cp "$f" "$work/fuzz_load_picture/"
  cp "$f" "$work/fuzz_stream_compare/"
  cp "$f" "$work/fuzz_read_image/"
done

fuzz() {
  local target=$1 time=$2
  echo "$target: fuzzing for $time s with $(ls "$work/$target" | wc -l) seeds"
  "$build/fuzz/$target" \
    -max_total_time="$time" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
    "$work/$target" >"$work/$target.log" 2>&1
}

# Rounds of up to $jobs targets side by side; the rounds share the time.
status=0
rounds=$(( (${#targets[@]} + jobs - 1) / jobs ))
each=$(( seconds / rounds > 0 ? seconds / rounds : 1 ))
pids=()
for target in "${targets[@]}"; do
  fuzz "$target" "$each" & pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    for pid in "${pids[@]}"; do wait "$pid" || status=1; done
    pids=()
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
for target in "${targets[@]}"; do
  echo "== $target"
  # The whole log on failure; the closing lines and the statistics otherwise.
  if [ "$status" -ne 0 ]; then cat "$work/$target.log"; else grep -E '^(Done|stat::)' "$work/$target.log" || true; fi
done
exit "$status"
