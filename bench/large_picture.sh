#!/usr/bin/env bash
# The tool on an 8000 x 8000 24-bit pair against cat of the same files, in
# the same run: citra info, citra --json histogram, citra compare, and a
# batch of 50 pairs against the large original (50 names of one
# manipulated file, so the batch measures the original's load and the
# streamed pairs, not the disk). Medians of 7 runs, the page cache warm.
# Prints whether transparent huge pages are on; run it once with
# /sys/kernel/mm/transparent_hugepage/enabled at madvise and once at never
# to see what they give.
#   bash bench/large_picture.sh [SIZE]
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-8000}

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target citra make_bmp_set >/dev/null
citra=$build/cli/citra

scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-large-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
"$build/bench/make_bmp_set" "$size" "$size" "$scratch/a.bmp" "$scratch/b.bmp"
mkdir "$scratch/batch"
for i in $(seq -w 1 50); do ln -s "$scratch/b.bmp" "$scratch/batch/frame_$i.bmp"; done
cat "$scratch/a.bmp" "$scratch/b.bmp" >/dev/null

# Median wall-clock milliseconds of 7 runs of the command (output dropped).
median_ms() {
  local times=()
  for _ in 1 2 3 4 5 6 7; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 4p | awk '{ printf "%.1f", $1 / 1000 }'
}

cat_a=$(median_ms cat "$scratch/a.bmp")
cat_ab=$(median_ms cat "$scratch/a.bmp" "$scratch/b.bmp")
info=$(median_ms "$citra" info "$scratch/a.bmp")
histogram=$(median_ms "$citra" --json histogram "$scratch/a.bmp")
compare=$(median_ms "$citra" --json compare "$scratch/a.bmp" "$scratch/b.bmp")
batch=$(median_ms "$citra" -j 2 --json compare "$scratch/a.bmp" "$scratch/batch")
[ "$("$citra" -j 2 --json compare "$scratch/a.bmp" "$scratch/batch" | wc -l)" = 50 ] || { echo "batch: not 50 lines" >&2; exit 1; }

echo "$size x $size 24-bit pair, $(stat -c %s "$scratch/a.bmp") bytes a file; huge pages: $(cat /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null || echo unknown)"
awk -v ca="$cat_a" -v cab="$cat_ab" -v i="$info" -v h="$histogram" -v c="$compare" -v b="$batch" 'BEGIN {
  printf "| what | ms | floor | ratio | goal |\n|---|---|---|---|---|\n"
  printf "| cat a.bmp | %.1f | | | |\n", ca
  printf "| cat a.bmp b.bmp | %.1f | | | |\n", cab
  printf "| citra info a.bmp | %.1f | cat a.bmp | %.2f x | 2 x |\n", i, i / ca
  printf "| citra --json histogram a.bmp | %.1f | cat a.bmp | %.2f x | 6 x |\n", h, h / ca
  printf "| citra --json compare a.bmp b.bmp | %.1f | cat a.bmp b.bmp | %.2f x | 1.5 x |\n", c, c / cab
  printf "| citra -j 2 compare a.bmp batch/ (50 pairs) | %.1f | | | |\n", b
}'
