#!/usr/bin/env bash
# citra measure against citra --ssim compare on the same pairs, side by side
# in one run, files warm in the page cache (read again before each run):
# a 4000 x 4000 RGB PNG pair, and a study of grey 512 x 512 PGM pairs.
# Medians of 5 runs each.
#
# Usage: bash bench/measure_vs_compare.sh [BUILD_DIR] [PAIRS]   (default build, 2000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pairs=${2:-2000}
citra=$(realpath "$build/cli/citra")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-measure-bench-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

/usr/bin/python3 - "$scratch" "$pairs" <<'PY'
import os, sys
import numpy as np
from PIL import Image
root, pairs = sys.argv[1], int(sys.argv[2])
rng = np.random.default_rng(5)
y, x = np.mgrid[0:4000, 0:4000]
a = np.stack([(x * 255 // 3999), (y * 255 // 3999), ((x + y) % 256)], axis=2).astype(np.uint8)
b = a.copy()
b[rng.random(a.shape) < 0.2] ^= 1
Image.fromarray(a).save(os.path.join(root, "big_a.png"), compress_level=1)
Image.fromarray(b).save(os.path.join(root, "big_b.png"), compress_level=1)
for folder in ("covers", "stego"):
    os.mkdir(os.path.join(root, folder))
head = b"P5\n512 512\n255\n"
for i in range(pairs):
    c = rng.integers(0, 256, (512, 512), dtype=np.uint8)
    s = c ^ (rng.random(c.shape) < 0.3).astype(np.uint8)
    for folder, img in (("covers", c), ("stego", s)):
        with open(os.path.join(root, folder, f"{i:05d}.pgm"), "wb") as f:
            f.write(head + img.tobytes())
PY

warm() { cat "$@" > /dev/null; }
# Median wall time in seconds of 5 runs of the command.
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

files=("$scratch/big_a.png" "$scratch/big_b.png")
c=$(median "$citra" --json --ssim compare "${files[@]}")
m=$(median "$citra" --json measure "${files[@]}")
awk -v c="$c" -v m="$m" 'BEGIN { printf "4000 x 4000 RGB PNG pair: compare --ssim %.3f s, measure %.3f s, ratio %.3f\n", c, m, m / c }'

files=("$scratch"/covers/*.pgm "$scratch"/stego/*.pgm)
c=$(median "$citra" --json --ssim -j 2 compare "$scratch/covers" "$scratch/stego")
m=$(median "$citra" --json -j 2 measure "$scratch/covers" "$scratch/stego")
awk -v n="$pairs" -v c="$c" -v m="$m" 'BEGIN { printf "%d pairs of 512 x 512 PGM, -j 2: compare --ssim %.3f s (%.0f pairs/s), measure %.3f s (%.0f pairs/s)\n", n, c, n / c, m, n / m }'
