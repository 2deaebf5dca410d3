#!/usr/bin/env bash
# `citra diff` on a 4000 x 4000 8-bit RGB pair (24-bit BMP files) against
# its budget, all in one run: at most 3 x `citra compare` of the same pair
# (with --ssim for the ssim mode, which computes the same SSIM) plus the
# PNG encoding of the picture at zlib level 1 (citra_encode_png, the
# encoder alone on the picture diff wrote). Times are medians of several
# runs (hyperfine) with the files in the page cache.
#
# Usage: bash bench/diff_maps.sh
# Environment: CITRA_BUILD_DIR (default build-diff-maps, a Release build made
# here), TMPDIR (where the ~300 MB of test files go), RUNS (default 5).
# hyperfine is installed from Debian's packages when missing (peer_tools.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-5}
build=${CITRA_BUILD_DIR:-build-diff-maps}

source bench/peer_tools.sh
install_peer_tools hyperfine

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target citra citra_encode_png >/dev/null
citra=$(realpath "$build/cli/citra")
encode=$(realpath "$build/bench/citra_encode_png")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-diff-maps-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

/usr/bin/python3 - "$scratch" <<'PY'
import sys
import numpy as np
from PIL import Image
folder = sys.argv[1]
rng = np.random.default_rng(9)
side = 4000
y, x = np.mgrid[0:side, 0:side].astype(np.float32)
base = (np.sin(x / 37.0) + np.cos(y / 23.0) + 2) / 4 * 200
a = np.stack([base, base[::-1], base[:, ::-1]], axis=-1) + rng.normal(0, 8, (side, side, 3))
a = np.clip(a, 0, 255).astype(np.uint8)
b = np.clip(a.astype(np.int16) + rng.integers(-3, 4, a.shape), 0, 255).astype(np.uint8)
b[1000:1400, 2000:2600] = 255 - b[1000:1400, 2000:2600]  # a pasted-in block
Image.fromarray(a).save(f"{folder}/a.bmp")
Image.fromarray(b).save(f"{folder}/b.bmp")
PY
a=$scratch/a.bmp
b=$scratch/b.bmp
cat "$a" "$b" >/dev/null

commands=(-n "compare" "$citra --json compare $a $b"
          -n "compare --ssim" "$citra --json --ssim compare $a $b")
for mode in abs heat lsb ssim; do
    commands+=(-n "diff $mode" "$citra --json diff $a $b -o $scratch/$mode.png --mode $mode")
done
hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$scratch/times.json" "${commands[@]}" >/dev/null

for mode in abs heat lsb ssim; do
    "$encode" "$scratch/$mode.png" "$runs" >"$scratch/$mode.encode"
done

/usr/bin/python3 - "$scratch" <<'PY'
import json, os, sys
folder = sys.argv[1]
times = {r["command"]: r["median"] for r in json.load(open(f"{folder}/times.json"))["results"]}
print("| mode | diff (s) | compare (s) | PNG encoding, level 1 (s) | budget 3 x compare + encoding (s) | diff / budget | PNG size (MB) |")
print("|---|---|---|---|---|---|---|")
for mode in ("abs", "heat", "lsb", "ssim"):
    compare = times["compare --ssim" if mode == "ssim" else "compare"]
    encode, size = open(f"{folder}/{mode}.encode").read().split()
    encode = float(encode)
    budget = 3 * compare + encode
    diff = times[f"diff {mode}"]
    print(f"| {mode} | {diff:.3f} | {compare:.3f}{' (--ssim)' if mode == 'ssim' else ''} | {encode:.3f} | "
          f"{budget:.3f} | {diff / budget:.2f} | {int(size) / 1e6:.1f} |")
PY
