#!/usr/bin/env bash
# `citra compare` side by side with other ways of getting the same numbers,
# all measured in one run on files made for it:
#   - an 8000 x 8000 24-bit pair (192,000,054 bytes each): citra against
#     `cat ORIGINAL MANIPULATED > /dev/null` (only reading the two files from
#     the page cache), ImageMagick's `compare -metric MSE` and ffmpeg's psnr
#     filter; citra's peak memory;
#   - 50 pairs of 1920 x 1080: citra on one core (-j 1) against two (-j 2).
# First it checks that all tools agree on the numbers. Times are medians of
# several runs (hyperfine); the summary is a markdown table.
#
# Usage: bash bench/compare_peers.sh
# Environment: CITRA_BUILD_DIR (default build-peers, a Release build made
# here), TMPDIR (where the ~0.7 GB of test files go), RUNS (runs per fast
# measurement, default 15).
#
# ImageMagick, ffmpeg, hyperfine and GNU time are installed from Debian's
# packages when missing; they are tools of this benchmark only.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-15}
build=${CITRA_BUILD_DIR:-build-peers}

# --- tools -------------------------------------------------------------------
source bench/peer_tools.sh
install_peer_tools
im_compare=/usr/bin/compare

if [ ! -x "$build/cli/citra" ] || [ -z "${CITRA_BUILD_DIR:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=OFF >/dev/null
  cmake --build "$build" -j2 --target citra >/dev/null
fi
citra=$(realpath "$build/cli/citra")

# --- files -------------------------------------------------------------------
scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-peers-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
c++ -O2 -std=c++20 -Itests/core bench/make_bmp_set.cpp -o "$scratch/make_bmp_set"
big_o=$scratch/large_original.bmp
big_m=$scratch/large_manipulated.bmp
"$scratch/make_bmp_set" 8000 8000 "$big_o" "$big_m"
mkdir "$scratch/batch"
batch_o=$scratch/batch_original.bmp
batch_files=()
for i in $(seq -w 1 50); do batch_files+=("$scratch/batch/frame_$i.bmp"); done
"$scratch/make_bmp_set" 1920 1080 "$batch_o" "${batch_files[@]}"

allow_large_magick_pictures "$scratch/magick"

# Written back to disk first, so that no writeback runs during the timings;
# then every file read once, so that all are in the page cache.
sync "$big_o" "$big_m" "$batch_o" "${batch_files[@]}"
cat "$big_o" "$big_m" "$batch_o" "${batch_files[@]}" >/dev/null

# --- the numbers agree ---------------------------------------------------------
# citra: MSE summed over the three bytes of a pixel, in 8-bit units.
ours_json=$("$citra" --json compare "$big_o" "$big_m")
ours_mse=$(/usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)["mse"])' <<<"$ours_json")
ours_psnr=$(/usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)["psnr"])' <<<"$ours_json")
# ImageMagick prints "absolute (normalized)"; the normalized MSE is the mean
# over the channels of (difference / quantum range)^2, so in 8-bit units
# per channel it is normalized x 255^2, and ours is 3 times that.
im_out=$("$im_compare" -precision 17 -metric MSE "$big_o" "$big_m" null: 2>&1 || true)
im_norm=$(sed -nE 's/.*\(([0-9.eE+-]+)\).*/\1/p' <<<"$im_out")
if [ -z "$im_norm" ]; then echo "ImageMagick gave no MSE: $im_out" >&2; exit 1; fi
# ffmpeg's psnr filter writes per-channel MSEs in 8-bit units (two decimals)
# and their mean mse_avg: ours is 3 x mse_avg = mse_r + mse_g + mse_b.
ffmpeg -nostdin -hide_banner -loglevel error -i "$big_o" -i "$big_m" \
  -lavfi "psnr=stats_file=$scratch/psnr.log" -f null - 
ff_line=$(head -n1 "$scratch/psnr.log")
ff_avg=$(sed -nE 's/.*mse_avg:([0-9.]+).*/\1/p' <<<"$ff_line")
ff_sum=$(awk '{for(i=1;i<=NF;i++){split($i,kv,":"); if(kv[1]=="mse_r"||kv[1]=="mse_g"||kv[1]=="mse_b") s+=kv[2]}} END{printf "%.2f", s}' <<<"$ff_line")

echo "## Agreement on the 8000 x 8000 pair"
echo
awk -v ours="$ours_mse" -v psnr="$ours_psnr" -v norm="$im_norm" -v avg="$ff_avg" -v sum="$ff_sum" 'BEGIN {
  im = 3 * 65025 * norm; ff = 3 * avg
  printf "- citra: MSE %.6f, PSNR %.6f dB\n", ours, psnr
  printf "- ImageMagick: normalized MSE %s -> 3 x 255^2 x normalized = %.6f (relative difference %.1e)\n", norm, im, (im - ours) / ours
  printf "- ffmpeg: mse_avg %s -> 3 x mse_avg = %.2f; mse_r + mse_g + mse_b = %s (printed with two decimals)\n", avg, ff, sum
  ok = (im - ours < 1e-6 * ours && ours - im < 1e-6 * ours) && (ff - ours <= 0.0151 && ours - ff <= 0.0151) && (sum - ours <= 0.0151 && ours - sum <= 0.0151)
  print ""
  if (!ok) { print "The tools disagree: no timing."; exit 1 }
  print "All three agree."
}'
echo

"$citra" -j 1 --json compare "$batch_o" "$scratch/batch" >"$scratch/batch_j1.txt"
"$citra" -j 2 --json compare "$batch_o" "$scratch/batch" >"$scratch/batch_j2.txt"
cmp -s "$scratch/batch_j1.txt" "$scratch/batch_j2.txt" || { echo "-j 1 and -j 2 differ" >&2; exit 1; }
[ "$(wc -l <"$scratch/batch_j1.txt")" -eq 50 ] || { echo "batch: expected 50 lines" >&2; exit 1; }

# --- timings ---------------------------------------------------------------------
# hyperfine sends each command's output to /dev/null; -N runs it without a shell.
median() {  # hyperfine CSV: command,mean,stddev,median,user,system,min,max (the command may be quoted and hold commas)
  awk -F, 'NR > 1 { print $(NF - 4) }' "$1"
}
time_pair() {  # name, runs, warmup, command...
  local name=$1 n=$2 w=$3
  shift 3
  hyperfine -N --style none --runs "$n" --warmup "$w" --export-csv "$scratch/$name.csv" "$@" >"$scratch/$name.log" 2>&1 ||
    { cat "$scratch/$name.log" >&2; exit 1; }
}

time_pair cat "$runs" 3 "cat $big_o $big_m"
time_pair citra "$runs" 3 "$citra compare $big_o $big_m"
time_pair ffmpeg 5 1 "ffmpeg -nostdin -hide_banner -loglevel error -i $big_o -i $big_m -lavfi psnr -f null -"
# compare exits with 1 when the pictures differ: -i keeps that from counting as a failure.
time_pair magick 3 1 -i "$im_compare -metric MSE $big_o $big_m null:"
time_pair batch1 10 2 "taskset -c 0 $citra -j 1 compare $batch_o $scratch/batch"
time_pair batch2 10 2 "taskset -c 0,1 $citra -j 2 compare $batch_o $scratch/batch"

# Peak resident memory of the large pair: the largest of five runs.
peak_kib=0
for _ in 1 2 3 4 5; do
  kib=$(/usr/bin/time -f %M "$citra" compare "$big_o" "$big_m" 2>&1 >/dev/null | tail -n1)
  [ "$kib" -gt "$peak_kib" ] && peak_kib=$kib
done
file_bytes=$(stat -c %s "$big_o")

# --- report ----------------------------------------------------------------------
echo "## Machine"
echo
echo "- CPU: $(sed -nE 's/^model name\s*:\s*//p' /proc/cpuinfo | head -n1), $(nproc) cores available"
echo "- Memory: $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "- Kernel: $(uname -r); load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "- Tools: $("$im_compare" -version | head -n1 | sed 's/^Version: //; s/ https.*//'); $(ffmpeg -version | head -n1 | sed 's/ Copyright.*//'); $(hyperfine --version)"
echo
echo "## Results"
echo
awk -v cat="$(median "$scratch/cat.csv")" -v ours="$(median "$scratch/citra.csv")" \
    -v ff="$(median "$scratch/ffmpeg.csv")" -v im="$(median "$scratch/magick.csv")" \
    -v b1="$(median "$scratch/batch1.csv")" -v b2="$(median "$scratch/batch2.csv")" \
    -v peak="$peak_kib" -v bytes="$file_bytes" -v runs="$runs" 'BEGIN {
  ms = 1000
  print "| measurement | ours | baseline / peer | ratio | goal | met? |"
  print "|---|---|---|---|---|---|"
  r = ours / cat
  printf "| 8000 x 8000 pair, median of %d: `citra compare` vs `cat` of both files | %.0f ms | %.0f ms | %.2f x | at most 2 x | %s |\n", runs, ours*ms, cat*ms, r, (r <= 2 ? "yes" : "no")
  r = im / ours
  printf "| same pair, median of 3: ImageMagick `compare -metric MSE` vs citra | %.0f ms | %.0f ms | %.1f x faster | at least 20 x | %s |\n", ours*ms, im*ms, r, (r >= 20 ? "yes" : "no")
  r = ff / ours
  printf "| same pair, median of 5: ffmpeg psnr filter vs citra | %.0f ms | %.0f ms | %.1f x faster | at least 10 x | %s |\n", ours*ms, ff*ms, r, (r >= 10 ? "yes" : "no")
  r = b1 / b2
  printf "| 50 pairs of 1920 x 1080, median of 10: 2 cores (`-j 2`) vs 1 core (`-j 1`, `taskset -c 0`) | %.0f ms | %.0f ms | %.2f x faster | at least 1.7 x | %s |\n", b2*ms, b1*ms, r, (r >= 1.7 ? "yes" : "no")
  limit = 2 * bytes / 1048576 + 64
  mib = peak / 1024
  printf "| peak memory of the 8000 x 8000 pair (largest of 5 runs) vs both files + 64 MiB | %.1f MiB | %.1f MiB | %.2f | at most 1 | %s |\n", mib, limit, mib / limit, (mib <= limit ? "yes" : "no")
}'
echo
echo "Details (hyperfine: median and range of wall-clock time; user and system CPU time are means):"
echo
echo "| run | median | min … max | user | system |"
echo "|---|---|---|---|---|"
for name in cat citra magick ffmpeg batch1 batch2; do
  case $name in
    cat) label="cat ORIGINAL MANIPULATED (8000 x 8000)" ;;
    citra) label="citra compare ORIGINAL MANIPULATED (8000 x 8000)" ;;
    magick) label="ImageMagick compare -metric MSE (8000 x 8000)" ;;
    ffmpeg) label="ffmpeg -lavfi psnr (8000 x 8000)" ;;
    batch1) label="citra -j 1 on 1 core, 50 pairs of 1920 x 1080" ;;
    batch2) label="citra -j 2 on 2 cores, 50 pairs of 1920 x 1080" ;;
  esac
  awk -F, -v label="$label" 'NR > 1 {
    printf "| %s | %.1f ms | %.1f … %.1f ms | %.1f ms | %.1f ms |\n", label, $(NF-4)*1000, $(NF-1)*1000, $NF*1000, $(NF-3)*1000, $(NF-2)*1000
  }' "$scratch/$name.csv"
done
