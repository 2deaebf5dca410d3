#!/usr/bin/env bash
# Makes the README's pictures of citra's drawings from a made-up picture
# pair: a smooth scene and a copy with a message hidden in the least
# significant bits of a block and a pasted-in patch.
# Usage: bash docs/make_pictures.sh [path/to/citra]   (default build/cli/citra)
# Needs chromium for the report's screenshot (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
citra=$(realpath "${1:-build/cli/citra}")
out=$(realpath docs/pictures)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/covers" "$work/stego" "$out"

/usr/bin/python3 - "$work" <<'PY'
import sys
import numpy as np
from PIL import Image
work = sys.argv[1]
rng = np.random.default_rng(11)
h, w = 192, 256
y, x = np.mgrid[0:h, 0:w].astype(np.float32)
sky = np.stack([90 + y * 0.4, 140 + y * 0.3, 220 - y * 0.2], -1)
hill = (y > 120 + 20 * np.sin(x / 30.0))[..., None]
ground = np.stack([60 + x * 0.1, 120 + 0 * x, 50 + 0 * x], -1)
sun = ((x - 190) ** 2 + (y - 45) ** 2 < 400)[..., None]
scene = np.where(hill, ground, sky)
scene = np.where(sun, np.array([250, 220, 90], np.float32), scene)
cover = np.clip(scene + rng.normal(0, 3, scene.shape), 0, 255).astype(np.uint8)
stego = cover.copy()
bits = rng.integers(0, 2, (64, 96, 3)).astype(np.uint8)
stego[100:164, 20:116] = (stego[100:164, 20:116] & 0xFE) | bits  # a hidden message
stego[30:60, 150:180] = np.clip(stego[30:60, 150:180].astype(int) + 25, 0, 255)  # a pasted-in patch
Image.fromarray(cover).save(f"{work}/covers/pemandangan.bmp")
Image.fromarray(stego).save(f"{work}/stego/pemandangan.bmp")
Image.fromarray(cover).save(f"{work}/covers/kota.png")
Image.fromarray(np.clip(cover.astype(int) + rng.integers(-2, 3, cover.shape), 0, 255).astype(np.uint8)).save(
    f"{work}/stego/kota.png")
PY

a=$work/covers/pemandangan.bmp
b=$work/stego/pemandangan.bmp
for mode in abs heat lsb ssim; do
    "$citra" diff "$a" "$b" -o "$out/diff-$mode.png" --mode "$mode" >/dev/null
done
"$citra" histogram "$a" "$b" --plot "$out/histograms.png" >/dev/null
(cd "$work" && "$citra" report covers stego -o report.html --no-progress >/dev/null)
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$work/profile" \
    --window-size=1100,1500 --screenshot="$out/report.png" "file://$work/report.html" 2>/dev/null
ls -l "$out"
