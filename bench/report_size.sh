#!/usr/bin/env bash
# The size and time of `citra report` for a study of PAIRS pairs (default
# 1000) of 512 x 384 8-bit RGB PNG files, photograph-like (smooth shapes,
# texture and sensor noise) with an embedded change in each stego file.
#
# Usage: bash bench/report_size.sh
# Environment: CITRA_BUILD_DIR (default build-report-size, a Release build
# made here), TMPDIR (where the test files go), PAIRS.
set -euo pipefail
cd "$(dirname "$0")/.."

pairs=${PAIRS:-1000}
build=${CITRA_BUILD_DIR:-build-report-size}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF >/dev/null
cmake --build "$build" -j2 --target citra >/dev/null
citra=$(realpath "$build/cli/citra")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-report-size-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
/usr/bin/python3 - "$scratch" "$pairs" <<'PY'
import os, sys
import numpy as np
from PIL import Image
folder, pairs = sys.argv[1], int(sys.argv[2])
os.makedirs(f"{folder}/covers"); os.makedirs(f"{folder}/stego")
rng = np.random.default_rng(4)
y, x = np.mgrid[0:384, 0:512].astype(np.float32)
for i in range(pairs):
    f1, f2, f3 = 20 + i % 31, 13 + i % 17, 40 + i % 23
    base = np.stack([np.sin(x / f1 + i) + np.cos(y / f2), np.sin((x + y) / f3), np.cos(x / f2 - y / f1)], -1)
    cover = np.clip((base + 2) / 4 * 220 + rng.normal(0, 4, base.shape), 0, 255).astype(np.uint8)
    stego = cover.copy()
    flips = rng.random(cover.shape) < 0.3
    stego[flips] ^= 1  # LSB embedding in 30% of the samples
    Image.fromarray(cover).save(f"{folder}/covers/{i:04d}.png", compress_level=1)
    Image.fromarray(stego).save(f"{folder}/stego/{i:04d}.png", compress_level=1)
PY
start=$(date +%s.%N)
"$citra" report "$scratch/covers" "$scratch/stego" -o "$scratch/report.html" --no-progress
end=$(date +%s.%N)
size=$(stat -c %s "$scratch/report.html")
echo "pairs: $pairs; report: $size bytes ($(echo "scale=1; $size / 1000000" | bc) MB, $(echo "$size / $pairs" | bc) bytes a pair); time: $(echo "$end - $start" | bc) s"
