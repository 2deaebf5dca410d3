#!/usr/bin/env bash
# Decoded pictures against the floor of reading them, side by side in one
# run, files warm in the page cache (read again before each run), medians
# of 5 runs:
# - a 4000 x 4000 RGB PNG pair: compare against inflating both files' image
#   data with libdeflate alone (citra_inflate_floor);
# - diff --mode heat of that pair;
# - report against compare --ssim, on a PNG study and a PGM study;
# - a study of 512 x 512 PGM pairs against reading the files alone into one
#   reused buffer (citra_read_floor), with peak memory.
# With a second citra (OLD, e.g. a build of an earlier commit) each figure
# gets its "before" beside it.
#
# Usage: OLD=/path/to/old/citra bash bench/decoded_speed.sh [BUILD_DIR] [PGM_PAIRS]   (build, 10000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pairs=${2:-10000}
citra=$(realpath "$build/cli/citra")
floor=$(realpath "$build/bench/citra_inflate_floor")
reader=$(realpath "$build/bench/citra_read_floor")
old=${OLD:-}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-decoded-bench-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

/usr/bin/python3 - "$scratch" "$pairs" <<'PY'
import os, sys
import numpy as np
from PIL import Image
root, pairs = sys.argv[1], int(sys.argv[2])
rng = np.random.default_rng(5)

def photo(n, seed):
    # Smooth shapes and fine noise, as a photograph has: neither flat nor random.
    r = np.random.default_rng(seed)
    y, x = np.mgrid[0:n, 0:n] / n
    base = np.stack([np.sin(6 * x + 2 * y), np.cos(5 * y - 3 * x), np.sin(9 * x * y)], axis=2)
    img = (base * 90 + 128 + r.normal(0, 6, (n, n, 3))).clip(0, 255).astype(np.uint8)
    return img

a = photo(4000, 1)
b = a.copy()
b[rng.random(a.shape) < 0.2] ^= 1
Image.fromarray(a).save(os.path.join(root, "big_a.png"), compress_level=6)
Image.fromarray(b).save(os.path.join(root, "big_b.png"), compress_level=6)
for folder in ("png_covers", "png_stego", "covers", "stego", "small_covers", "small_stego"):
    os.mkdir(os.path.join(root, folder))
for i in range(8):
    c = photo(1500, 10 + i)
    s = c ^ (rng.random(c.shape) < 0.3).astype(np.uint8)
    Image.fromarray(c).save(os.path.join(root, "png_covers", f"{i}.png"), compress_level=6)
    Image.fromarray(s).save(os.path.join(root, "png_stego", f"{i}.png"), compress_level=6)
head = b"P5\n512 512\n255\n"
for i in range(pairs):
    c = rng.integers(0, 256, (512, 512), dtype=np.uint8)
    s = c ^ (rng.random(c.shape) < 0.3).astype(np.uint8)
    for folder, img in (("covers", c), ("stego", s)):
        with open(os.path.join(root, folder, f"{i:05d}.pgm"), "wb") as f:
            f.write(head + img.tobytes())
    if i < 200:
        for folder, img in (("small_covers", c), ("small_stego", s)):
            with open(os.path.join(root, folder, f"{i:05d}.pgm"), "wb") as f:
                f.write(head + img.tobytes())
PY

warm() { cat "$@" > /dev/null; }
median() {
  local times=()
  for _ in 1 2 3 4 5; do
    warm "${files[@]}"
    local start=$EPOCHREALTIME
    "$@" > /dev/null
    times+=("$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f", b - a }')")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n 3p
}
# Peak resident memory in MiB of one run.
peak() { warm "${files[@]}"; /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.0f", $1 / 1024 }'; }
row() { printf '| %s | %s | %s | %s |\n' "$@"; }

echo "| what | citra | before | floor or other |"
echo "|---|---|---|---|"
files=("$scratch/big_a.png" "$scratch/big_b.png")
f=$(median "$floor" "${files[@]}")
n=$(median "$citra" --json compare "${files[@]}")
o=-; [ -z "$old" ] || o=$(median "$old" --json compare "${files[@]}")
row "4000 x 4000 RGB PNG pair, compare" "$n s ($(awk -v n="$n" -v f="$f" 'BEGIN{printf "%.2f", n/f}') x floor)" "$o s" "inflate alone $f s"
out="$scratch/heat.png"
n=$(median "$citra" diff "${files[@]}" -o "$out" --mode heat)
o=-; [ -z "$old" ] || o=$(median "$old" diff "${files[@]}" -o "$out" --mode heat)
row "the same pair, diff --mode heat" "$n s" "$o s" "-"

for study in png pgm; do
  if [ $study = png ]; then covers=$scratch/png_covers stego=$scratch/png_stego; else covers=$scratch/small_covers stego=$scratch/small_stego; fi
  files=("$covers"/* "$stego"/*)
  c=$(median "$citra" --json --ssim compare "$covers" "$stego")
  r=$(median "$citra" report "$covers" "$stego" -o "$scratch/r.html")
  o=-; [ -z "$old" ] || o=$(median "$old" report "$covers" "$stego" -o "$scratch/r.html")
  row "report, $(ls "$covers" | wc -l) $study pairs" "$r s ($(awk -v r="$r" -v c="$c" 'BEGIN{printf "%.2f", r/c}') x compare --ssim)" "$o s" "compare --ssim $c s"
done

files=("$scratch"/covers/* "$scratch"/stego/*)
f=$(median "$reader" "$scratch/covers" "$scratch/stego")
n=$(median "$citra" --json -j 2 compare "$scratch/covers" "$scratch/stego")
o=-; [ -z "$old" ] || o=$(median "$old" --json -j 2 compare "$scratch/covers" "$scratch/stego")
row "$pairs 512 x 512 PGM pairs, compare -j 2" "$n s ($(awk -v n="$n" -v f="$f" 'BEGIN{printf "%.2f", n/f}') x floor)" "$o s" "reading alone $f s"
pn=$(peak "$citra" --json -j 2 compare "$scratch/covers" "$scratch/stego")
po=-; [ -z "$old" ] || po=$(peak "$old" --json -j 2 compare "$scratch/covers" "$scratch/stego")
row "the same study, peak memory" "$pn MiB" "$po MiB" "-"
