#!/usr/bin/python3
"""Checks `citra histogram --csv` against numpy and looks into its plots.

Usage: histogram_plots_check.py CITRA

- CSV rows of 8-bit RGB, 8-bit grey + alpha and 16-bit grey PNG files, with
  and without --bins, against numpy's bincount folded into the documented
  bins (bin i starts at floor(i (peak + 1) / bins)).
- SVG plots: well-formed XML with a viewBox; one line (path) per channel (per
  file, and per channel in the difference panel); each channel's highest
  point lies at its most frequent bin; the file names (holding & < > " ')
  read back as given; axis names and legend present.
- PNG plots: decodable, of the plot's size, the channel colours drawn.
Exits 1 naming every difference.
"""
import csv
import io
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from citra_vs_skimage import png_bytes  # noqa: E402

SVG = "{http://www.w3.org/2000/svg}"
COLOURS = {"red": (214, 39, 40), "green": (44, 160, 44), "blue": (31, 119, 180)}


def path_points(d):
    """The points of a path "Mx y l dx dy dx dy ..." (the only form citra writes)."""
    numbers = [float(n) for n in re.findall(r"-?\d+(?:\.\d+)?", d)]
    if not d.startswith("M"):
        raise ValueError("path not starting with M: " + d[:20])
    xs, ys = [numbers[0]], [numbers[1]]
    for i in range(2, len(numbers), 2):
        xs.append(xs[-1] + numbers[i])
        ys.append(ys[-1] + numbers[i + 1])
    return xs, ys


def binned(samples, peak, bins):
    per_value = np.bincount(samples.ravel(), minlength=peak + 1)[:peak + 1]
    starts = [i * (peak + 1) // bins for i in range(bins)]
    edges = starts + [peak + 1]
    return starts, [int(per_value[edges[i]:edges[i + 1]].sum()) for i in range(bins)]


def main():
    citra = sys.argv[1]
    problems = []
    rng = np.random.default_rng(5)
    with tempfile.TemporaryDirectory() as work:
        files = {
            "rgb8": (rng.integers(0, 256, (30, 40, 3)), 8, 255, ["red", "green", "blue"]),
            "greyalpha8": (rng.integers(0, 256, (20, 25, 2)), 8, 255, ["grey", "alpha"]),
            "grey16": (rng.integers(0, 65536, (25, 30, 1)), 16, 65535, ["grey"]),
        }
        paths = {}
        for name, (samples, bits, peak, channels) in files.items():
            paths[name] = os.path.join(work, name + ".png")
            with open(paths[name], "wb") as f:
                f.write(png_bytes(samples, bits))
            for bins in (None, 7, 256):
                args = [citra, "--csv", "histogram", paths[name]] + (["--bins", str(bins)] if bins else [])
                run = subprocess.run(args, capture_output=True, text=True)
                label = f"{name} bins={bins}"
                if run.returncode != 0:
                    problems.append(f"{label}: exit {run.returncode}: {run.stderr}")
                    continue
                rows = list(csv.reader(io.StringIO(run.stdout)))
                if rows[0] != ["value"] + channels:
                    problems.append(f"{label}: header {rows[0]}")
                    continue
                chosen = bins or min(256, peak + 1)
                for ch, channel in enumerate(channels):
                    starts, counts = binned(samples[:, :, ch], peak, chosen)
                    got_starts = [int(r[0]) for r in rows[1:]]
                    got = [int(r[1 + ch]) for r in rows[1:]]
                    if got_starts != starts or got != counts:
                        problems.append(f"{label}: {channel} counts differ from numpy")

        # Plots: one file, and two overlaid, under awkward names.
        odd = os.path.join(work, "a&b <c> \"d\" 'e'.png")
        samples = rng.integers(0, 256, (30, 40, 3))
        samples[:, :, 0] = np.where(rng.random((30, 40)) < 0.5, 17, samples[:, :, 0])  # red peaks at 17
        with open(odd, "wb") as f:
            f.write(png_bytes(samples, 8))
        for second in (None, paths["rgb8"]):
            for kind in ("svg", "png"):
                out = os.path.join(work, f"plot_{second is not None}.{kind}")
                args = [citra, "histogram", odd] + ([second] if second else []) + ["--plot", out]
                run = subprocess.run(args, capture_output=True, text=True)
                label = f"plot {kind} second={second is not None}"
                if run.returncode != 0:
                    problems.append(f"{label}: exit {run.returncode}: {run.stderr}")
                    continue
                height = 670 if second else 440
                if kind == "png":
                    picture = Image.open(out).convert("RGB")
                    if picture.size != (800, height):
                        problems.append(f"{label}: size {picture.size}")
                    pixels = set(picture.getdata())
                    for channel, colour in COLOURS.items():
                        if colour not in pixels:
                            problems.append(f"{label}: no pixel of the {channel} line's colour")
                    continue
                root = ET.parse(out).getroot()
                if root.get("viewBox") != f"0 0 800 {height}":
                    problems.append(f"{label}: viewBox {root.get('viewBox')}")
                texts = ["".join(t.itertext()) for t in root.iter(SVG + "text")]
                title = os.path.basename(odd)
                if not any(title in t for t in texts) or (second and not any(second in t for t in texts)):
                    problems.append(f"{label}: file names not in the texts: {texts[:3]}")
                for needed in ("count", "value", "red", "green", "blue"):
                    if needed not in texts:
                        problems.append(f"{label}: no text '{needed}'")
                lines = [p for p in root.iter(SVG + "path") if len(path_points(p.get("d"))[0]) == 256]
                if len(lines) != (9 if second else 3):
                    problems.append(f"{label}: {len(lines)} lines of 256 points")
                    continue
                # The first three lines are the first file's red, green, blue.
                for ch, line in enumerate(lines[:3]):
                    xs, ys = path_points(line.get("d"))
                    if abs(xs[-1] - xs[0] - (800 - 84 - 24) * 255 / 255) > 0.01:
                        problems.append(f"{label}: channel {ch} does not span the value axis: {xs[0]} to {xs[-1]}")
                    counts = np.bincount(samples[:, :, ch].ravel(), minlength=256)
                    if int(np.argmin(ys)) != int(np.argmax(counts)):
                        problems.append(f"{label}: channel {ch} highest at bin {np.argmin(ys)}, "
                                        f"most frequent value {np.argmax(counts)}")
                if second and not all(l.get("stroke-dasharray") for l in lines[3:6]):
                    problems.append(f"{label}: the second file's lines are not dashed")
    for p in problems:
        print(p)
    print(f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
