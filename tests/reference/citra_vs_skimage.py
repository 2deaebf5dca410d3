#!/usr/bin/python3
"""Checks `citra --json --ssim compare` against scikit-image, file to number.

Usage: citra_vs_skimage.py CITRA

Writes pairs of files of every format citra reads (PNG grey, grey+alpha,
RGB, RGBA at 8 and 16 bits; PGM/PPM binary and plain with maxvals 255,
1023, 65535; TIFF uncompressed, LZW, Deflate, PackBits; 24-bit and 8-bit
palette BMP; a JPEG round trip), runs citra on each pair and compares its
"standard" object with scikit-image's mean_squared_error,
peak_signal_noise_ratio and structural_similarity on the samples the files
hold (a JPEG's as Pillow decodes it). Pairs that must be refused are
checked for the message. Exits 1 naming every difference.
"""
import json
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

import numpy as np
from PIL import Image
from skimage.metrics import mean_squared_error, peak_signal_noise_ratio, structural_similarity

COLOUR_NAMES = {1: ["Y"], 2: ["Y", "A"], 3: ["R", "G", "B"], 4: ["R", "G", "B", "A"]}


def png_bytes(samples, bits):
    """A PNG of an (h, w, c) array, written here: Pillow cannot write 16-bit colour."""
    h, w, c = samples.shape
    colour_type = {1: 0, 2: 4, 3: 2, 4: 6}[c]
    raw = samples.astype(">u2" if bits == 16 else np.uint8).reshape(h, -1).view(np.uint8)
    rows = b"".join(b"\0" + raw[y].tobytes() for y in range(h))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", w, h, bits, colour_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def pnm_bytes(samples, maxval, plain):
    h, w, c = samples.shape
    magic = {(1, False): "P5", (3, False): "P6", (1, True): "P2", (3, True): "P3"}[(c, plain)]
    head = f"{magic}\n# written by the test\n{w} {h}\n{maxval}\n".encode()
    if plain:
        return head + "\n".join(" ".join(str(v) for v in row) for row in samples.reshape(h, -1)).encode() + b"\n"
    return head + samples.astype(">u2" if maxval > 255 else np.uint8).tobytes()


def write(path, samples, kind, **options):
    h, w, c = samples.shape
    if kind == "png":
        data = png_bytes(samples, options.get("bits", 8))
        with open(path, "wb") as f:
            f.write(data)
    elif kind == "pnm":
        with open(path, "wb") as f:
            f.write(pnm_bytes(samples, options["maxval"], options.get("plain", False)))
    else:
        mode = {1: "L", 2: "LA", 3: "RGB", 4: "RGBA"}[c]
        image = Image.fromarray(samples[:, :, 0] if c == 1 else samples, mode)
        if kind == "palette_bmp":
            image.convert("P", palette=Image.ADAPTIVE, colors=256).save(path, "BMP")
        elif kind == "jpeg":
            image.save(path, "JPEG", quality=options.get("quality", 75))
        elif kind == "tiff":
            image.save(path, "TIFF", compression=options.get("compression"))
        else:
            image.save(path, kind.upper())


def decoded(path, samples):
    """The samples citra should see in `path`: those written, or Pillow's decoding of a lossy or palette file."""
    if path.endswith((".jpg", "_p.bmp")):
        image = Image.open(path)
        image = image.convert("RGB") if image.mode == "P" else image
        array = np.asarray(image)
        return array[:, :, None] if array.ndim == 2 else array
    return samples


def expected(a, b, peak):
    a64, b64 = a.astype(np.float64), b.astype(np.float64)
    channels = a.shape[2]
    result = {"mse": mean_squared_error(a64, b64), "changed_samples": int(np.count_nonzero(a != b)),
              "max_abs_diff": int(np.max(np.abs(a64 - b64))), "peak": peak, "channels": {}}
    result["psnr"] = None if result["mse"] == 0 else peak_signal_noise_ratio(a64, b64, data_range=peak)
    per_channel_ssim = []
    for c, name in enumerate(COLOUR_NAMES[channels]):
        mse = mean_squared_error(a64[:, :, c], b64[:, :, c])
        ssim = None
        if min(a.shape[:2]) >= 11:
            ssim = structural_similarity(a64[:, :, c], b64[:, :, c], gaussian_weights=True, sigma=1.5,
                                         use_sample_covariance=False, data_range=peak)
            per_channel_ssim.append(ssim)
        result["channels"][name] = {"mse": mse, "psnr": None if mse == 0 else 10 * math.log10(peak * peak / mse),
                                    "ssim": ssim}
    # Over every channel, alpha included, as structural_similarity gives it
    # for the decoded array with channel_axis.
    result["ssim"] = None
    if per_channel_ssim:
        result["ssim"] = structural_similarity(a64, b64, gaussian_weights=True, sigma=1.5, use_sample_covariance=False,
                                               data_range=peak, channel_axis=2)
    return result


def differences(name, got, want):
    found = []

    def close(key, g, w, tolerance):
        if (g is None) != (w is None) or (g is not None and abs(g - w) > tolerance * max(1.0, abs(w))):
            found.append(f"{name}: {key} is {g!r}, scikit-image says {w!r}")

    close("mse", got["mse"], want["mse"], 1e-12)
    close("psnr", got["psnr"], want["psnr"], 1e-12)
    close("ssim", got["ssim"], want["ssim"], 1e-6)
    for key in ("changed_samples", "max_abs_diff", "peak"):
        if got[key] != want[key]:
            found.append(f"{name}: {key} is {got[key]}, expected {want[key]}")
    if got["identical"] != (want["changed_samples"] == 0):
        found.append(f"{name}: identical is {got['identical']}")
    if list(got["channels"]) != list(want["channels"]):
        found.append(f"{name}: channels {list(got['channels'])}, expected {list(want['channels'])}")
    else:
        for channel, values in want["channels"].items():
            for key, tolerance in (("mse", 1e-12), ("psnr", 1e-12), ("ssim", 1e-6)):
                close(f"{channel} {key}", got["channels"][channel][key], values[key], tolerance)
    return found


def cases(rng):
    def noisy(h, w, c, peak, spread):
        a = rng.integers(0, peak + 1, (h, w, c))
        return a, np.clip(a + rng.integers(-spread, spread + 1, a.shape), 0, peak)

    def smooth(h, w, c, peak):
        y, x = np.mgrid[0:h, 0:w]
        base = (np.sin(x / 6.0) + np.cos(y / 4.0) + 2) / 4 * peak
        a = np.stack([np.clip(base * (1 - 0.15 * k), 0, peak) for k in range(c)], axis=-1).round()
        return a, np.clip(a + rng.normal(0, peak / 30, a.shape), 0, peak).round()

    for c in (1, 2, 3, 4):
        for bits in (8, 16):
            peak = (1 << bits) - 1
            dtype = np.uint8 if bits == 8 else np.uint16
            a, b = smooth(31, 40, c, peak)
            yield f"png{bits}_{c}c_smooth", "png", dict(bits=bits), a.astype(dtype), b.astype(dtype), peak
            a, b = noisy(17, 23, c, peak, peak // 9)
            yield f"png{bits}_{c}c_noise", "png", dict(bits=bits), a.astype(dtype), b.astype(dtype), peak
    a, _ = noisy(14, 12, 3, 255, 1)
    flipped = a.copy()
    flipped[7, 3, 1] ^= 1
    yield "png8_rgb_one_bit", "png", {}, a.astype(np.uint8), flipped.astype(np.uint8), 255
    yield "png8_rgb_identical", "png", {}, a.astype(np.uint8), a.astype(np.uint8), 255
    yield "png8_rgb_7x7_no_ssim", "png", {}, *[x.astype(np.uint8) for x in noisy(7, 7, 3, 255, 30)], 255
    for maxval in (255, 1023, 65535):
        for c in (1, 3):
            for plain in (False, True):
                a, b = smooth(19, 25, c, maxval)
                dtype = np.uint8 if maxval <= 255 else np.uint16
                tag = "plain" if plain else "raw"
                yield f"pnm{maxval}_{c}c_{tag}", "pnm", dict(maxval=maxval, plain=plain), a.astype(dtype), b.astype(dtype), maxval
    for compression in (None, "tiff_lzw", "tiff_deflate", "packbits"):
        for c in (1, 3, 4):
            a, b = smooth(21, 33, c, 255)
            yield f"tiff_{compression}_{c}c", "tiff", dict(compression=compression), a.astype(np.uint8), b.astype(np.uint8), 255
    a, b = smooth(24, 29, 3, 255)
    yield "bmp24", "bmp", {}, a.astype(np.uint8), b.astype(np.uint8), 255
    yield "bmp8_palette", "palette_bmp", {}, a.astype(np.uint8), b.astype(np.uint8), 255
    for c in (1, 3):
        a, _ = smooth(40, 48, c, 255)
        yield f"jpeg_round_trip_{c}c", "jpeg", dict(quality=70), a.astype(np.uint8), None, 255


def main():
    citra = sys.argv[1]
    rng = np.random.default_rng(20041)
    problems = []
    checked = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, kind, options, a, b, peak in cases(rng):
            extension = {"png": "png", "tiff": "tif", "bmp": "bmp", "palette_bmp": "bmp", "jpeg": "jpg",
                         "pnm": "pgm" if a.shape[2] == 1 else "ppm"}[kind]
            if kind == "jpeg":
                # The original lossless, the manipulated its JPEG copy.
                path_a = os.path.join(folder, f"{name}_a.png")
                write(path_a, a, "png")
                path_b = os.path.join(folder, f"{name}_b.jpg")
                write(path_b, a, "jpeg", **options)
            else:
                suffix = "_p" if kind == "palette_bmp" else ""
                path_a = os.path.join(folder, f"{name}_a{suffix}.{extension}")
                path_b = os.path.join(folder, f"{name}_b{suffix}.{extension}")
                write(path_a, a, kind, **options)
                write(path_b, b, kind, **options)
            samples_a, samples_b = decoded(path_a, a), decoded(path_b, b if b is not None else a)
            run = subprocess.run([citra, "--json", "--ssim", "compare", path_a, path_b], capture_output=True, text=True)
            if run.returncode != 0:
                problems.append(f"{name}: exit status {run.returncode}: {run.stdout}{run.stderr}")
                continue
            line = json.loads(run.stdout)
            problems += differences(name, line["standard"], expected(samples_a, samples_b, peak))
            if min(a.shape[:2]) < 11 and "ssim_unavailable" not in line["standard"]:
                problems.append(f"{name}: no reason for the missing SSIM")
            checked += 1
        # Pairs that cannot be compared: the message says what differs.
        a8 = rng.integers(0, 256, (12, 12, 3)).astype(np.uint8)
        refused = [
            ("size", a8, a8[:, :11], "png", "png", "differ in size"),
            ("channels", a8, a8[:, :, :1], "png", "png", "differ in channels"),
            ("alpha", a8, np.concatenate([a8, a8[:, :, :1]], axis=2), "png", "png", "differ in channels"),
            ("depth", a8, a8.astype(np.uint16) * 257, "png", "png", "differ in bit depth"),
        ]
        for name, x, y, kind_x, kind_y, message in refused:
            path_x = os.path.join(folder, f"refused_{name}_a.png")
            path_y = os.path.join(folder, f"refused_{name}_b.png")
            write(path_x, x, kind_x, bits=16 if x.dtype == np.uint16 else 8)
            write(path_y, y, kind_y, bits=16 if y.dtype == np.uint16 else 8)
            run = subprocess.run([citra, "--json", "compare", path_x, path_y], capture_output=True, text=True)
            line = json.loads(run.stdout)
            if run.returncode != 1 or message not in line.get("error", ""):
                problems.append(f"refused {name}: status {run.returncode}, {run.stdout.strip()}")
            checked += 1
    for problem in problems:
        print(problem)
    print(f"{checked} pairs checked, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
