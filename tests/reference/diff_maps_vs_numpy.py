#!/usr/bin/python3
"""Checks the pictures of `citra diff` against numpy, scikit-image and matplotlib.

Usage: diff_maps_vs_numpy.py CITRA

For pairs of 8-bit grey, RGB and RGBA and 16-bit grey PNG files and of
24-bit BMP files (read band by band), runs
`citra --json diff` in every mode and compares the PNG it writes, sample for
sample, with the documented formulas computed here by numpy:
abs  min(255, round(|d| K 255 / peak)), halves rounded up,, K = peak / largest by default;
heat viridis(min(255, round(sqrt(sum d^2) 255 K / peak))) as matplotlib gives
     its 256 colours, K likewise from the largest magnitude;
lsb  bit N of both images and their exclusive or, side by side, as 0 / 255;
ssim scikit-image's full SSIM map (mean over the colour channels) as
     round(clip(s, 0, 1) 255) inside the 5-pixel border, which repeats the
     nearest pixel.
Also the JSON line (gain, scale_max, largest) and the PNG text chunks.
Exits 1 naming every difference.
"""
import json
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image
from matplotlib import cm
from skimage.metrics import structural_similarity

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from citra_vs_skimage import png_bytes  # noqa: E402  (one PNG writer for the reference tests)

VIRIDIS = cm.get_cmap("viridis")(np.arange(256), bytes=True)[:, :3]


def half_up(x):
    """Rounding with halves away from zero (the values are never negative)."""
    return np.floor(x + 0.5)


def colour_channels(c):
    return 3 if c >= 3 else 1


def expected_abs(a, b, peak, gain):
    cc = colour_channels(a.shape[2])
    d = np.abs(a[:, :, :cc].astype(np.int64) - b[:, :, :cc].astype(np.int64))
    largest = int(d.max())
    k = gain if gain is not None else (peak / largest if largest else 1.0)
    out = np.minimum(255, half_up(d * (255.0 / (peak / k)))).astype(np.uint8)
    return out, k, peak / k, float(largest)


def expected_heat(a, b, peak, gain):
    cc = colour_channels(a.shape[2])
    d = a[:, :, :cc].astype(np.int64) - b[:, :, :cc].astype(np.int64)
    m = np.sqrt((d * d).sum(axis=2).astype(np.float64))
    largest = float(m.max())
    k = gain if gain is not None else (peak / largest if largest else 1.0)
    index = np.minimum(255, half_up(m * (255.0 / (peak / k)))).astype(np.int64)
    return VIRIDIS[index], k, peak / k, largest


def expected_lsb(a, b, plane):
    cc = colour_channels(a.shape[2])
    ba = (a[:, :, :cc].astype(np.int64) >> plane) & 1
    bb = (b[:, :, :cc].astype(np.int64) >> plane) & 1
    return (np.concatenate([ba, bb, ba ^ bb], axis=1) * 255).astype(np.uint8)


def expected_ssim(a, b, peak):
    cc = colour_channels(a.shape[2])
    _, s = structural_similarity(a.astype(np.float64), b.astype(np.float64), gaussian_weights=True, sigma=1.5,
                                 use_sample_covariance=False, data_range=peak, channel_axis=2, full=True)
    return s[:, :, :cc].mean(axis=2)


def pair(shape, bits, seed):
    if shape == (16, 16, 1):
        # Differences 0 to 255, one of each: heat draws every colour of the map.
        return np.zeros(shape, np.int64), np.arange(256).reshape(shape), 255
    rng = np.random.default_rng(seed)
    peak = 65535 if bits == 16 else 255
    h, w, c = shape
    # A smooth picture, so SSIM has structure to lose, plus a little noise.
    y, x = np.mgrid[0:h, 0:w]
    base = (np.sin(x / 7.0)[:, :, None] + np.cos(y / 5.0)[:, :, None] + np.arange(c) * 0.3) * 0.25 + 0.5
    a = np.clip(base * peak + rng.normal(0, peak * 0.02, (h, w, c)), 0, peak).astype(np.int64)
    b = a.copy()
    b[h // 4:h // 2, w // 3:2 * w // 3] += rng.integers(-peak // 8, peak // 8, (h // 2 - h // 4, 2 * w // 3 - w // 3, c))
    b[::3, ::4] ^= 1  # a sprinkling of changed least significant bits
    b = np.clip(b, 0, peak)
    if c in (2, 4):
        a[:, :, -1] = peak
        b[:, :, -1] = peak
        b[:5, :5, -1] = 0  # alpha differences, which abs and heat leave out
    return a, b, peak


def main():
    citra = sys.argv[1]
    problems = []
    cases = [
        ("rgb8", (40, 56, 3), 8),
        ("grey8", (33, 47, 1), 8),
        ("rgba8", (24, 30, 4), 8),
        ("grey16", (29, 35, 1), 16),
        ("ramp", (16, 16, 1), 8),
        # Two 24-bit bitmaps are read band by band (bands of about 1 MiB):
        # wide enough for several bands.
        ("bmp24", (200, 2000, 3), 8),
    ]
    runs = [("abs", None, None), ("abs", 7.5, None), ("heat", None, None), ("heat", 3.0, None),
            ("lsb", None, None), ("lsb", None, 2), ("ssim", None, None)]
    with tempfile.TemporaryDirectory() as work:
        for seed, (name, shape, bits) in enumerate(cases):
            a, b, peak = pair(shape, bits, seed)
            kind = "bmp" if name.startswith("bmp") else "png"
            pa, pb = os.path.join(work, f"{name}_a.{kind}"), os.path.join(work, f"{name}_b.{kind}")
            for path, samples in ((pa, a), (pb, b)):
                if kind == "bmp":
                    Image.fromarray(samples.astype(np.uint8)).save(path)
                    continue
                with open(path, "wb") as f:
                    f.write(png_bytes(samples, bits))
            for mode, gain, plane in runs:
                label = f"{name} {mode} gain={gain} plane={plane}"
                out = os.path.join(work, f"{name}_{mode}_{gain}_{plane}.png")
                args = [citra, "--json", "diff", pa, pb, "-o", out, "--mode", mode]
                if gain is not None:
                    args += ["--gain", str(gain)]
                if plane is not None:
                    args += ["--plane", str(plane)]
                run = subprocess.run(args, capture_output=True, text=True)
                if run.returncode != 0:
                    problems.append(f"{label}: exit {run.returncode}: {run.stdout}{run.stderr}")
                    continue
                line = json.loads(run.stdout)
                picture = Image.open(out)
                got = np.asarray(picture)
                if got.ndim == 2:
                    got = got[:, :, None]
                if mode == "abs":
                    want, k, scale, largest = expected_abs(a, b, peak, gain)
                elif mode == "heat":
                    want, k, scale, largest = expected_heat(a, b, peak, gain)
                elif mode == "lsb":
                    want = expected_lsb(a, b, plane or 0)
                else:
                    s = expected_ssim(a, b, peak)
                    inner = (slice(5, -5), slice(5, -5))
                    got2 = got[:, :, 0].astype(np.float64)
                    # The map is kept in single precision (4 bytes a pixel):
                    # where skimage's value lies within 1e-4 of 255 of a
                    # rounding boundary either neighbour is right.
                    exact = np.clip(s, 0, 1) * 255
                    off = np.abs(got2[inner] - exact[inner])
                    if off.max() > 0.5 + 1e-4:
                        problems.append(f"{label}: SSIM map off by {off.max():.6f} of 255 inside the border")
                    edge = got2.copy()
                    edge[:5, :] = edge[5, :]
                    edge[-5:, :] = edge[-6, :]
                    edge[:, :5] = edge[:, 5:6]
                    edge[:, -5:] = edge[:, -6:-5]
                    if not np.array_equal(edge, got2):
                        problems.append(f"{label}: the border does not repeat the nearest computed pixel")
                    if name != "ramp" and s[5:-5, 5:-5].min() > 0.9:
                        problems.append(f"{label}: the fixture does not lower SSIM enough to test the map")
                    continue
                if got.shape != want.shape or not np.array_equal(got, want):
                    bad = np.argwhere(got != want) if got.shape == want.shape else "shape " + str(got.shape)
                    problems.append(f"{label}: {len(bad) if not isinstance(bad, str) else bad} samples differ from numpy")
                if mode in ("abs", "heat"):
                    for key, value in (("gain", k), ("scale_max", scale), ("largest", largest)):
                        if not np.isclose(line.get(key, np.nan), value, rtol=1e-12, atol=0):
                            problems.append(f"{label}: {key} {line.get(key)} != {value}")
                    if picture.text.get("citra.scale_max") is None or \
                            not np.isclose(float(picture.text["citra.scale_max"]), scale, rtol=1e-12):
                        problems.append(f"{label}: text chunk citra.scale_max {picture.text.get('citra.scale_max')}")
                    if largest == 0:
                        problems.append(f"{label}: the fixture has no differences")
    for p in problems:
        print(p)
    print(f"{len(cases) * len(runs)} pictures checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
