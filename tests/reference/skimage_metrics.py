#!/usr/bin/python3
"""Writes image pairs and scikit-image's metrics of them for the C++ test.

Usage: skimage_metrics.py FOLDER

FOLDER/cases.txt has one line per pair:
  name width height channels bits peak mse psnr ssim|- then, per channel,
  mse psnr ssim|-, and last skimage's own channel_axis mean over all channels
  (or -).
'ssim' is skimage's structural_similarity over every channel, alpha
included. Each pair's
samples are in FOLDER/<name>.a and <name>.b: interleaved, rows from the top,
8-bit or little-endian 16-bit.
"""
import sys
import warnings

import numpy as np
from skimage.metrics import mean_squared_error, peak_signal_noise_ratio, structural_similarity


def ssim(a, b, peak):
    return structural_similarity(a, b, gaussian_weights=True, sigma=1.5, use_sample_covariance=False,
                                 data_range=peak, channel_axis=-1)


def number(v):
    return "-" if v is None else repr(float(v))


def pairs(rng):
    def noise(h, w, c, bits, peak, spread):
        dtype = np.uint8 if bits == 8 else np.uint16
        a = rng.integers(0, peak + 1, (h, w, c))
        b = np.clip(a + rng.integers(-spread, spread + 1, a.shape), 0, peak)
        return a.astype(dtype), b.astype(dtype)

    def smooth(h, w, c, bits, peak):
        dtype = np.uint8 if bits == 8 else np.uint16
        y, x = np.mgrid[0:h, 0:w]
        base = (np.sin(x / 7.0) + np.cos(y / 5.0) + 2) / 4 * peak
        a = np.stack([np.clip(base + 0.1 * peak * ch, 0, peak) for ch in range(c)], axis=-1).round()
        b = np.clip(a + rng.normal(0, peak / 40, a.shape), 0, peak).round()
        return a.astype(dtype), b.astype(dtype)

    for bits, peak in ((8, 255), (8, 100), (16, 65535), (16, 1023)):
        for c in (1, 2, 3, 4):
            tag = f"{bits}b{peak}p{c}c"
            yield f"noise_64x48_{tag}", bits, peak, *noise(48, 64, c, bits, peak, max(1, peak // 8))
            yield f"smooth_37x29_{tag}", bits, peak, *smooth(29, 37, c, bits, peak)
            a, b = noise(13, 8, c, bits, peak, 3)
            yield f"small_8x13_{tag}", bits, peak, a, b
            a, _ = noise(11, 11, c, bits, peak, 1)
            b = a.copy()
            b[5, 5, c - 1] ^= 1
            yield f"onebit_11x11_{tag}", bits, peak, a, b
            yield f"identical_12x11_{tag}", bits, peak, a[:, :1].repeat(12, axis=1)[:11], a[:, :1].repeat(12, axis=1)[:11]
    # Several tiles across and strips down, and edge shapes.
    yield "wide_300x77_rgb8", 8, 255, *noise(77, 300, 3, 8, 255, 40)
    yield "tall_11x200_rgba16", 16, 65535, *smooth(200, 11, 4, 16, 65535)
    yield "strip_1x1000_grey8", 8, 255, *noise(1000, 1, 1, 8, 255, 20)
    yield "strip_1000x1_grey8", 8, 255, *noise(1, 1000, 1, 8, 255, 20)
    yield "square_7x7_rgb8", 8, 255, *noise(7, 7, 3, 8, 255, 20)
    yield "square_10x10_grey16", 16, 65535, *noise(10, 10, 1, 16, 65535, 999)
    yield "tiny_1x1_rgb8", 8, 255, *noise(1, 1, 3, 8, 255, 200)
    z = np.zeros((16, 16, 3), np.uint8)
    yield "extreme_16x16_rgb8", 8, 255, z, z + 255
    z = np.zeros((16, 16, 1), np.uint16)
    yield "extreme_16x16_grey16", 16, 65535, z, z + 65535


def main():
    folder = sys.argv[1]
    rng = np.random.default_rng(20040401)
    lines = []
    for name, bits, peak, a, b in pairs(rng):
        h, w, c = a.shape
        with np.errstate(divide="ignore"), warnings.catch_warnings():
            warnings.simplefilter("ignore")
            mse = mean_squared_error(a, b)
            psnr = peak_signal_noise_ratio(a, b, data_range=peak)
            per = []
            for ch in range(c):
                per.append([mean_squared_error(a[..., ch], b[..., ch]),
                            peak_signal_noise_ratio(a[..., ch], b[..., ch], data_range=peak)])
        try:
            whole = ssim(a, b, peak)
            channel_ssim = [ssim(a[..., ch:ch + 1], b[..., ch:ch + 1], peak) for ch in range(c)]
        except ValueError:
            whole = None
            channel_ssim = [None] * c
        overall = whole
        fields = [name, w, h, c, bits, peak, number(mse), number(psnr), number(overall)]
        for ch in range(c):
            fields += [number(per[ch][0]), number(per[ch][1]), number(channel_ssim[ch])]
        fields.append(number(whole))
        lines.append(" ".join(str(f) for f in fields))
        dtype = "<u2" if bits == 16 else "u1"
        a.astype(dtype).tofile(f"{folder}/{name}.a")
        b.astype(dtype).tofile(f"{folder}/{name}.b")
    with open(f"{folder}/cases.txt", "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
