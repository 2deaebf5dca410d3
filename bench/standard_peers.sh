#!/usr/bin/env bash
# The field's metrics side by side with other tools, all measured in one run
# on files made for it:
#   - a 4000 x 4000 8-bit RGB PNG pair: `citra compare` (MSE, PSNR and the
#     counts) against decoding the two files alone (citra_decode_pair, the
#     same decoder on two threads, as citra decodes one pair, and nothing
#     else), ImageMagick's `compare -metric PSNR`
#     ffmpeg's psnr filter, and OpenCV in-process (cv2.imread of both files
#     and cv2.PSNR, timed inside Python, so without Python's start);
#   - the same pixels as 24-bit BMP files: `citra --ssim compare` against
#     ffmpeg's ssim filter and scikit-image's structural_similarity (the
#     SSIM call alone, on arrays already in memory);
#   - 10,000 pairs of 512 x 512 8-bit PGM files in a covers and a stego
#     folder, as steganalysis sets come: `citra compare COVERS STEGO` with
#     -j 1 on one core and -j 2 on two, and its peak memory.
# First it checks that the tools agree on the numbers. Times are medians of
# several runs (hyperfine) with the files in the page cache.
#
# Usage: bash bench/standard_peers.sh
# Environment: CITRA_BUILD_DIR (default build-standard-peers, a Release
# build made here), TMPDIR (where the ~5.5 GB of test files go), RUNS (runs
# per fast measurement, default 10), PAIRS (PGM pairs, default 10000).
#
# ImageMagick, ffmpeg, OpenCV's Python module, hyperfine and GNU time are
# installed from Debian's packages when missing; they are tools of this
# benchmark only.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-10}
pairs=${PAIRS:-10000}
build=${CITRA_BUILD_DIR:-build-standard-peers}

source bench/peer_tools.sh
install_peer_tools

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target citra citra_decode_pair >/dev/null
citra=$(realpath "$build/cli/citra")
decode=$(realpath "$build/bench/citra_decode_pair")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-standard-peers-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
allow_large_magick_pictures "$scratch/magick"

# --- files -------------------------------------------------------------------
/usr/bin/python3 - "$scratch" "$pairs" <<'PY'
import os, sys
import numpy as np
from PIL import Image

folder, pairs = sys.argv[1], int(sys.argv[2])
rng = np.random.default_rng(9)
side = 4000
y, x = np.mgrid[0:side, 0:side].astype(np.float32)
base = (np.sin(x / 37.0) + np.cos(y / 23.0) + 2) / 4 * 200
a = np.stack([base, base[::-1], base[:, ::-1]], axis=-1) + rng.normal(0, 8, (side, side, 3))
a = np.clip(a, 0, 255).astype(np.uint8)
b = np.clip(a.astype(np.int16) + rng.integers(-3, 4, a.shape), 0, 255).astype(np.uint8)
for name, pixels in (("a", a), ("b", b)):
    Image.fromarray(pixels).save(f"{folder}/{name}.png")
    Image.fromarray(pixels).save(f"{folder}/{name}.bmp")
    pixels.tofile(f"{folder}/{name}.raw")

# Covers: textured greyscale pictures; stego: +-1 on about 40% of samples.
os.makedirs(f"{folder}/covers")
os.makedirs(f"{folder}/stego")
header = b"P5\n512 512\n255\n"
ys, xs = np.mgrid[0:512, 0:512].astype(np.float32)
for i in range(pairs):
    phase = i * 0.37
    cover = (np.sin(xs / (9 + i % 17) + phase) + np.cos(ys / (7 + i % 13)) + 2) / 4 * 220
    cover = np.clip(cover + rng.normal(0, 6, cover.shape), 0, 255).astype(np.uint8)
    step = rng.integers(-1, 2, cover.shape) * (rng.random(cover.shape) < 0.4)
    stego = np.clip(cover.astype(np.int16) + step, 0, 255).astype(np.uint8)
    name = f"{i:05d}.pgm"
    with open(f"{folder}/covers/{name}", "wb") as f:
        f.write(header + cover.tobytes())
    with open(f"{folder}/stego/{name}", "wb") as f:
        f.write(header + stego.tobytes())
PY
sync
cat "$scratch"/*.png "$scratch"/*.bmp "$scratch"/covers/* "$scratch"/stego/* > /dev/null

a_png=$scratch/a.png; b_png=$scratch/b.png; a_bmp=$scratch/a.bmp; b_bmp=$scratch/b.bmp

# --- agreement ---------------------------------------------------------------
echo "## Agreement"
echo
citra_line=$("$citra" --json --ssim compare "$a_png" "$b_png")
citra_bmp_line=$("$citra" --json --ssim compare "$a_bmp" "$b_bmp")
im_psnr=$(/usr/bin/compare -metric PSNR "$a_png" "$b_png" null: 2>&1 || true)
ff_psnr=$(ffmpeg -hide_banner -nostats -i "$a_png" -i "$b_png" -lavfi psnr -f null - 2>&1 | grep -o 'average:[0-9.inf]*' || true)
ff_ssim=$(ffmpeg -hide_banner -nostats -i "$a_bmp" -i "$b_bmp" -lavfi ssim -f null - 2>&1 | grep -o 'All:[0-9.]*' || true)
cv_psnr=$(/usr/bin/python3 -c 'import cv2, sys; print(cv2.PSNR(cv2.imread(sys.argv[1]), cv2.imread(sys.argv[2])))' "$a_png" "$b_png")
/usr/bin/python3 - "$citra_line" "$citra_bmp_line" "$im_psnr" "$ff_psnr" "$ff_ssim" "$cv_psnr" <<'PY'
import json, sys
png, bmp = json.loads(sys.argv[1]), json.loads(sys.argv[2])
s = png["standard"]
print(f"- citra, PNG pair: PSNR per sample {s['psnr']:.6f} dB, MSE {s['mse']:.6f}, SSIM {s['ssim']:.9f}")
print(f"- citra, BMP pair of the same pixels: PSNR {bmp['standard']['psnr']:.6f} dB, SSIM {bmp['standard']['ssim']:.9f}"
      f" (identical standard objects: {png['standard'] == bmp['standard']})")
print(f"- ImageMagick compare -metric PSNR: {sys.argv[3].strip()}")
print(f"- ffmpeg psnr filter: {sys.argv[4].strip()}")
print(f"- OpenCV cv2.PSNR: {float(sys.argv[6]):.6f} dB")
print(f"- ffmpeg ssim filter: {sys.argv[5].strip()} (ffmpeg's own SSIM: 8 x 8 blocks without Gaussian weights, so not the same number)")
PY
/usr/bin/python3 - "$scratch" "$citra_bmp_line" <<'PY'
import json, sys, time
import numpy as np
from skimage.metrics import structural_similarity
folder = sys.argv[1]
a = np.fromfile(f"{folder}/a.raw", np.uint8).reshape(4000, 4000, 3)
b = np.fromfile(f"{folder}/b.raw", np.uint8).reshape(4000, 4000, 3)
ssim = structural_similarity(a, b, gaussian_weights=True, sigma=1.5, use_sample_covariance=False,
                             data_range=255, channel_axis=-1)
ours = json.loads(sys.argv[2])["standard"]["ssim"]
print(f"- scikit-image structural_similarity: {ssim!r}; citra {ours!r}; difference {abs(ssim - ours):.1e}")
PY
echo

# --- times -------------------------------------------------------------------
hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$scratch/fast.json" \
  -n "citra compare (PNG)" "$citra --json compare $a_png $b_png" \
  -n "decode both PNG files (floor)" "$decode $a_png $b_png" \
  -n "citra --ssim compare (BMP)" "$citra --json --ssim compare $a_bmp $b_bmp" \
  -n "citra compare (BMP, no SSIM)" "$citra --json compare $a_bmp $b_bmp" >/dev/null
hyperfine --style none --warmup 1 --runs 3 --export-json "$scratch/peers.json" \
  -n "ImageMagick compare -metric PSNR (PNG)" "/usr/bin/compare -metric PSNR $a_png $b_png null: 2>/dev/null; true" \
  -n "ffmpeg psnr (PNG)" "ffmpeg -v error -nostats -i $a_png -i $b_png -lavfi psnr -f null -" \
  -n "ffmpeg ssim (BMP)" "ffmpeg -v error -nostats -i $a_bmp -i $b_bmp -lavfi ssim -f null -" >/dev/null
skimage_ms=$(/usr/bin/python3 - "$scratch" <<'PY'
import statistics, sys, time
import numpy as np
from skimage.metrics import structural_similarity
folder = sys.argv[1]
a = np.fromfile(f"{folder}/a.raw", np.uint8).reshape(4000, 4000, 3)
b = np.fromfile(f"{folder}/b.raw", np.uint8).reshape(4000, 4000, 3)
times = []
for _ in range(3):
    t = time.perf_counter()
    structural_similarity(a, b, gaussian_weights=True, sigma=1.5, use_sample_covariance=False,
                          data_range=255, channel_axis=-1)
    times.append((time.perf_counter() - t) * 1000)
print(f"{statistics.median(times):.1f}")
PY
)
opencv_ms=$(/usr/bin/python3 - "$a_png" "$b_png" "$runs" <<'PY'
import statistics, sys, time
import cv2
a_png, b_png, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
times = []
for _ in range(runs + 1):  # the first run warms up
    t = time.perf_counter()
    cv2.PSNR(cv2.imread(a_png, cv2.IMREAD_UNCHANGED), cv2.imread(b_png, cv2.IMREAD_UNCHANGED))
    times.append((time.perf_counter() - t) * 1000)
print(f"{statistics.median(times[1:]):.1f}")
PY
)
hyperfine -N --style none --warmup 1 --runs 3 --export-json "$scratch/study.json" \
  -n "citra -j 2, $pairs PGM pairs" "$citra --csv -j 2 compare $scratch/covers $scratch/stego" \
  -n "citra -j 1 on 1 core, $pairs PGM pairs" "taskset -c 0 $citra --csv -j 1 compare $scratch/covers $scratch/stego" >/dev/null
peak_kib=$(/usr/bin/time -f %M "$citra" --csv -j 2 compare "$scratch/covers" "$scratch/stego" 2>&1 >/dev/null | tail -1)

/usr/bin/python3 - "$scratch" "$skimage_ms" "$pairs" "$peak_kib" "$opencv_ms" <<'PY'
import json, sys
folder, skimage_ms, pairs, peak_kib = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
opencv_ms = float(sys.argv[5])
t = {}
for name in ("fast", "peers", "study"):
    for r in json.load(open(f"{folder}/{name}.json"))["results"]:
        t[r["command"]] = r["median"] * 1000
ours = t["citra compare (PNG)"]
floor = t["decode both PNG files (floor)"]
ssim = t["citra --ssim compare (BMP)"]
rows = [
    ("4000 x 4000 PNG pair: `citra compare` vs decoding both files alone", ours, floor, f"{ours / floor:.2f} x", "at most 1.3 x", ours / floor <= 1.3),
    ("same pair: ImageMagick `compare -metric PSNR` vs citra", ours, t["ImageMagick compare -metric PSNR (PNG)"],
     f"{t['ImageMagick compare -metric PSNR (PNG)'] / ours:.1f} x faster", "at least 10 x", t["ImageMagick compare -metric PSNR (PNG)"] / ours >= 10),
    ("same pair: ffmpeg psnr filter vs citra", ours, t["ffmpeg psnr (PNG)"],
     f"{t['ffmpeg psnr (PNG)'] / ours:.1f} x faster", "at least 6 x", t["ffmpeg psnr (PNG)"] / ours >= 6),
    ("same pair: OpenCV in-process (cv2.imread of both, cv2.PSNR; no interpreter start) vs citra (whole run)", ours,
     opencv_ms, f"{opencv_ms / ours:.1f} x faster", "at least 2 x", opencv_ms / ours >= 2),
    ("4000 x 4000 BMP pair: scikit-image SSIM (the call alone) vs `citra --ssim compare` (whole run)", ssim, skimage_ms,
     f"{skimage_ms / ssim:.1f} x faster", "at least 50 x", skimage_ms / ssim >= 50),
    ("same pair: ffmpeg ssim filter vs `citra --ssim compare`", ssim, t["ffmpeg ssim (BMP)"],
     f"{t['ffmpeg ssim (BMP)'] / ssim:.1f} x faster", "at least 2 x", t["ffmpeg ssim (BMP)"] / ssim >= 2),
]
print("| measurement | ours (ms) | baseline / peer (ms) | ratio | goal | met? |")
print("|---|---:|---:|---|---|---|")
for name, a, b, ratio, goal, met in rows:
    print(f"| {name} | {a:.1f} | {b:.1f} | {ratio} | {goal} | {'yes' if met else 'no'} |")
print()
print(f"`citra compare` of the BMP pair without SSIM: {t['citra compare (BMP, no SSIM)']:.1f} ms.")
print()
two = t[f"citra -j 2, {pairs} PGM pairs"]
one = t[f"citra -j 1 on 1 core, {pairs} PGM pairs"]
print(f"{pairs} pairs of 512 x 512 PGM: {two / 1000:.2f} s with -j 2 on 2 cores ({two * 1000 / pairs:.0f} us per pair, "
      f"{pairs / two * 1000:.0f} pairs/s); {one / 1000:.2f} s with -j 1 on one core ({one * 1000 / pairs:.0f} us per pair, "
      f"{pairs / one * 1000:.0f} pairs/s); peak memory with -j 2: {peak_kib / 1024:.1f} MiB.")
PY
echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Tools: $(/usr/bin/compare -version | head -1 | cut -d' ' -f2-4); $(ffmpeg -version | head -1 | cut -d' ' -f1-3); OpenCV $(/usr/bin/python3 -c 'import cv2; print(cv2.__version__)'); $(hyperfine --version)"
