#!/usr/bin/python3
"""Checks every key of `citra measure` against scikit-image and numpy.

Usage: measure_vs_skimage.py CITRA SCRATCH_PARENT

Writes pairs of files into a fresh folder under SCRATCH_PARENT: PNG at 8
and 16 bits in grey, grey+alpha, RGB and RGBA; PGM/PPM of maxval 1023;
identical pairs; a pair below 11 x 11 (no SSIM); an all-zero image (no
nc); bilevel marks as PBM and as 8- and 16-bit PNG (a bit error rate).
Lists them in a pairs file, runs `citra --csv measure --pairs` and
`citra --json measure --pairs`, and checks each pair's every key, overall
and per channel, against what scikit-image and numpy compute on the
samples the files hold:
  mse, psnr            skimage.metrics (data_range = the peak)
  ssim                 structural_similarity(gaussian_weights=True,
                       sigma=1.5, use_sample_covariance=False,
                       data_range=peak; channel_axis=2 for the overall)
  mae                  mean |a - b|
  nc                   sum(a b) / sqrt(sum(a^2) sum(b^2)) in float64
  ber                  mean(a != b) of two bilevel images (0 or the peak)
  changed_samples, change_rate, max_abs_diff, identical
at 1e-12 relative (SSIM 1e-6). Exits 1 naming every difference.
"""
import csv
import io
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import warnings

import numpy as np
from skimage.metrics import mean_squared_error, peak_signal_noise_ratio, structural_similarity

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from citra_vs_skimage import COLOUR_NAMES, png_bytes, pnm_bytes  # noqa: E402  the same file writers

FIGURES = ["mse", "psnr", "ssim", "mae", "nc", "ber", "changed_samples", "change_rate", "max_abs_diff", "identical"]
CHANNELS = ["R", "G", "B", "A", "Y"]
COLUMNS = (["original", "manipulated", "group", "width", "height", "channels", "bits", "peak"] + FIGURES
           + [f"{c}_{f}" for c in CHANNELS for f in FIGURES] + ["ssim_unavailable", "error"])
EXACT = {"width", "height", "channels", "bits", "peak", "changed_samples", "max_abs_diff", "identical"}


def pbm_bytes(marks):
    """A raw PBM (P4) of a boolean (h, w) array, True a black mark (bit 1)."""
    h, w = marks.shape
    return f"P4\n{w} {h}\n".encode() + np.packbits(marks.astype(np.uint8), axis=1).tobytes()


def figures(a, b, peak, ssim_overall):
    """The ten figures of two arrays of float64 samples."""
    difference = a - b
    mse = mean_squared_error(a, b)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # an infinite PSNR warns of the division
        psnr = peak_signal_noise_ratio(a, b, data_range=peak) if mse > 0 else math.inf
    norm = math.sqrt(float(np.sum(a * a)) * float(np.sum(b * b)))
    bilevel = bool(np.all((a == 0) | (a == peak)) and np.all((b == 0) | (b == peak)))
    changed = int(np.count_nonzero(difference))
    return {"mse": mse, "psnr": psnr, "ssim": ssim_overall, "mae": float(np.mean(np.abs(difference))),
            "nc": float(np.sum(a * b)) / norm if norm > 0 else None,
            "ber": float(np.mean(a != b)) if bilevel else None, "changed_samples": changed,
            "change_rate": changed / a.size, "max_abs_diff": int(np.max(np.abs(difference))),
            "identical": changed == 0}


def ssim_of(a, b, peak, **channel):
    return structural_similarity(a, b, gaussian_weights=True, sigma=1.5, use_sample_covariance=False,
                                 data_range=peak, **channel)


def expected_row(a, b, peak, bits):
    """Every column but the paths, group and error, from the (h, w, c) sample arrays."""
    h, w, c = a.shape
    a64, b64 = a.astype(np.float64), b.astype(np.float64)
    large = min(h, w) >= 11
    row = dict.fromkeys(COLUMNS)
    row.update(width=w, height=h, channels=c, bits=bits, peak=peak)
    row["ssim_unavailable"] = None if large else "a reason"  # checked for being there, not for its words
    row.update(figures(a64, b64, peak, ssim_of(a64, b64, peak, channel_axis=2) if large else None))
    for k, name in enumerate(COLOUR_NAMES[c]):
        x, y = a64[:, :, k], b64[:, :, k]
        for key, value in figures(x, y, peak, ssim_of(x, y, peak) if large else None).items():
            row[f"{name}_{key}"] = value
    return row


def cases(rng):
    """(name, extension, writer, a, b, peak, bits): a, b the samples citra must see."""

    def png(bits):
        return lambda samples: png_bytes(samples, bits)

    def pnm(maxval):
        return lambda samples: pnm_bytes(samples, maxval, False)

    def smooth(h, w, c, peak):
        y, x = np.mgrid[0:h, 0:w]
        base = (np.sin(x / 5.0) + np.cos(y / 3.0) + 2) / 4 * peak
        a = np.stack([np.clip(base * (1 - 0.2 * k), 0, peak) for k in range(c)], axis=-1).round()
        return a, np.clip(a + rng.normal(0, peak / 25, a.shape), 0, peak).round()

    for bits in (8, 16):
        peak = (1 << bits) - 1
        dtype = np.uint8 if bits == 8 else np.uint16
        for c in (1, 2, 3, 4):
            a, b = smooth(23, 30, c, peak)
            yield f"png{bits}_{c}c", "png", png(bits), a.astype(dtype), b.astype(dtype), peak, bits
        a, _ = smooth(16, 13, 3, peak)
        yield f"png{bits}_identical", "png", png(bits), a.astype(dtype), a.astype(dtype), peak, bits
    for c in (1, 3):
        a, b = smooth(19, 21, c, 1023)
        yield f"pnm1023_{c}c", "pgm" if c == 1 else "ppm", pnm(1023), a.astype(np.uint16), b.astype(np.uint16), 1023, 16
    a, _ = smooth(12, 17, 3, 1023)
    yield "pnm1023_identical", "ppm", pnm(1023), a.astype(np.uint16), a.astype(np.uint16), 1023, 16
    a, b = smooth(7, 9, 3, 255)
    yield "png8_7x9_no_ssim", "png", png(8), a.astype(np.uint8), b.astype(np.uint8), 255, 8
    a, _ = smooth(15, 15, 1, 255)
    yield "png8_all_zero_no_nc", "png", png(8), np.zeros_like(a, dtype=np.uint8), a.astype(np.uint8), 255, 8
    # Bilevel marks: a few flipped.
    marks = rng.random((20, 27)) < 0.3
    flipped = marks ^ (rng.random(marks.shape) < 0.05)
    white = lambda m: np.where(m, 0, 255).astype(np.uint8)[:, :, None]  # PBM: 1 is black
    yield "pbm_marks", "pbm", lambda samples: pbm_bytes(samples[:, :, 0] == 0), white(marks), white(flipped), 255, 8
    yield "png8_marks", "png", png(8), white(marks), white(flipped), 255, 8
    marks3 = rng.random((14, 18, 3)) < 0.5
    flipped3 = marks3 ^ (rng.random(marks3.shape) < 0.1)
    yield ("png16_rgb_marks", "png", png(16), (marks3 * 65535).astype(np.uint16), (flipped3 * 65535).astype(np.uint16),
           65535, 16)


def number(text):
    return None if text == "" else float(text)


def compare(name, source, got, want):
    problems = []
    for key in COLUMNS:
        if key in ("original", "manipulated", "group"):
            continue
        g, w = got[key], want[key]
        if key in ("ssim_unavailable", "error"):
            bad = (g is not None) != (w is not None)
        elif w is None or g is None:
            bad = (g is None) != (w is None)
        elif key in EXACT:
            bad = g != w
        elif math.isinf(w):
            bad = not (isinstance(g, float) and math.isinf(g) and g > 0)
        else:
            tolerance = 1e-6 if key.endswith("ssim") else 1e-12
            bad = abs(g - w) > tolerance * abs(w)
        if bad:
            problems.append(f"{name} ({source}): {key} is {g!r}, expected {w!r}")
    return problems


def from_json(line):
    row = json.loads(line)
    if list(row) != COLUMNS:
        return None, [f"JSON keys {list(row)}"]
    # An infinite PSNR is null with identical true beside it.
    for prefix in [""] + [c + "_" for c in CHANNELS]:
        if row[prefix + "identical"] is True:
            if row[prefix + "psnr"] is not None:
                return None, [f"JSON {prefix}psnr of an identical pair is {row[prefix + 'psnr']!r}, not null"]
            row[prefix + "psnr"] = math.inf
    return row, []


def from_csv(fields):
    row = {}
    for key, text in fields.items():
        if key in ("original", "manipulated", "group"):
            row[key] = text
        elif key in ("ssim_unavailable", "error"):
            row[key] = text or None
        elif key.endswith("identical"):
            row[key] = {"true": True, "false": False, "": None}[text]
        elif key in EXACT:
            row[key] = None if text == "" else int(text)
        else:
            row[key] = number(text)
    return row


def main():
    citra, scratch_parent = sys.argv[1], sys.argv[2]
    os.makedirs(scratch_parent, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="measure-vs-skimage-", dir=scratch_parent)
    problems = []
    try:
        rng = np.random.default_rng(1993)
        listed = []
        pairs_text = "original,manipulated,group\n"
        for name, extension, writer, a, b, peak, bits in cases(rng):
            paths = []
            for side, samples in (("a", a), ("b", b)):
                path = os.path.join(folder, f"{name} {side}.{extension}")  # a space in every name
                with open(path, "wb") as out:
                    out.write(writer(samples))
                paths.append(path)
            pairs_text += f"{paths[0]},{paths[1]},{name}\n"
            listed.append((name, paths, expected_row(a, b, peak, bits)))
        pairs = os.path.join(folder, "pairs, listed.csv")
        with open(pairs, "w") as out:
            out.write(pairs_text)

        runs = {}
        for form in ("--csv", "--json"):
            run = subprocess.run([citra, form, "measure", "--pairs", pairs], capture_output=True, text=True)
            if run.returncode != 0 or run.stderr:
                problems.append(f"citra {form} measure: exit status {run.returncode}: {run.stderr}")
            runs[form] = run.stdout
        csv_rows = list(csv.DictReader(io.StringIO(runs["--csv"])))
        if runs["--csv"].split("\n", 1)[0] != ",".join(COLUMNS):
            problems.append("CSV header: " + runs["--csv"].split("\n", 1)[0])
        json_lines = runs["--json"].splitlines()
        if len(csv_rows) != len(listed) or len(json_lines) != len(listed):
            problems.append(f"{len(listed)} pairs, {len(csv_rows)} CSV rows, {len(json_lines)} JSON lines")
        else:
            for (name, paths, want), fields, line in zip(listed, csv_rows, json_lines):
                got_csv = from_csv(fields)
                got_json, found = from_json(line)
                problems += [f"{name}: {p}" for p in found]
                for source, got in (("csv", got_csv), ("json", got_json)):
                    if got is None:
                        continue
                    if [got["original"], got["manipulated"], got["group"]] != paths + [name]:
                        problems.append(f"{name} ({source}): paths {got['original']!r}, {got['manipulated']!r}")
                    problems += compare(name, source, got, want)
                if got_json is not None and got_csv != got_json:
                    problems.append(f"{name}: CSV and JSON differ: "
                                    + ", ".join(k for k in COLUMNS if got_csv[k] != got_json[k]))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for problem in problems:
        print(problem)
    print(f"{len(listed)} pairs checked key by key, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
