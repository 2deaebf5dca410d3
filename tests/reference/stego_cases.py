#!/usr/bin/python3
"""Writes images and the numpy estimators' results on them for the C++ test.

Usage: stego_cases.py FOLDER

FOLDER/cases.txt, one record per line, fields separated by single spaces:
  case NAME WIDTH HEIGHT CHANNELS      samples in FOLDER/NAME.raw, interleaved,
                                       rows from the top
  est CHANNEL ESTIMATOR VALUE          the estimate, or
  est CHANNEL ESTIMATOR none REASON    none, and why (REASON runs to the end);
                                       ESTIMATOR is rs, spa, ws (bias-corrected)
                                       or ws_plain
  chi CHANNEL PERCENT SAMPLES STATISTIC CATEGORIES PROBABILITY
                                       PROBABILITY is a number, "?" without scipy
                                       or "none REASON"; PERCENT 0 is the whole
                                       channel
  payload NAME WIDTH HEIGHT RATE replace|match
                                       a natural picture carrying a known payload
                                       (NAME.raw, one channel)
  gamma DOF STATISTIC Q                scipy's gammaincc(DOF / 2, STATISTIC / 2)
CHANNEL counts the colour channels; alpha gets no record.
"""
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lsb_embedding  # noqa: E402
import stego_estimators as se  # noqa: E402


def number(v):
    return repr(float(v))


def smooth(h, w, phase=0.0):
    y, x = np.mgrid[0:h, 0:w]
    return np.round(100 + 60 * np.sin(x / 6.0 + phase) * np.cos(y / 9.0) + 0.5 * x).astype(np.uint8)


def images(rng):
    noise = lambda h, w, *c: rng.integers(0, 256, (h, w) + c, dtype=np.uint8)  # noqa: E731
    yield "smooth_64x48", smooth(48, 64)
    yield "smooth_64x48_lsb50", lsb_embedding.lsb_replace(smooth(48, 64), 0.5, rng)
    yield "smooth_64x48_full", lsb_embedding.lsb_replace(smooth(48, 64), 1.0, rng)
    yield "noise_64x48", noise(48, 64)
    yield "gentle_noise_80x60", np.clip(smooth(60, 80) + rng.normal(0, 3, (60, 80)), 0, 255).round().astype(np.uint8)
    yield "flat_16x16", np.full((16, 16), 77, np.uint8)
    yield "flat_zero_9x9", np.zeros((9, 9), np.uint8)
    yield "saturated_32x32", (rng.integers(0, 2, (32, 32)) * 255).astype(np.uint8)
    yield "saturated_blocks_40x24", np.kron(rng.integers(0, 2, (6, 10)), np.ones((4, 4), int)).astype(np.uint8) * 255
    for w, h in ((1, 1), (2, 3), (3, 4), (4, 1), (1, 9), (9, 1), (3, 3), (5, 2), (4, 3), (7, 5)):
        yield f"tiny_{w}x{h}", noise(h, w)
    yield "odd_37x29", lsb_embedding.lsb_replace(smooth(29, 37, 1.0), 0.3, rng)
    yield "odd_101x7", noise(7, 101)
    yield "odd_7x101", smooth(101, 7)
    from skimage import data

    camera = data.camera()
    yield "camera_96x80", camera[200:280, 200:296]
    yield "camera_96x80_lsb30", lsb_embedding.lsb_replace(camera[200:280, 200:296], 0.3, rng)
    yield "camera_257x131_match", lsb_embedding.lsb_match(camera[100:231, 50:307], 1.0, rng)
    rgb = np.stack([smooth(30, 40), noise(30, 40), np.full((30, 40), 200, np.uint8)], axis=-1)
    yield "rgb_40x30", rgb
    astronaut = data.astronaut()[100:164, 200:277]
    yield "astronaut_rgb_77x64_lsb40", lsb_embedding.lsb_replace(astronaut, 0.4, rng)
    yield "rgba_21x13", np.concatenate([noise(13, 21, 3), np.full((13, 21, 1), 255, np.uint8)], axis=-1)
    yield "grey_alpha_13x21", np.stack([smooth(21, 13), noise(21, 13)], axis=-1)
    # Small images of few values: the equations' degenerate cases.
    found = {}
    for i in range(20000):
        h, w = int(rng.integers(1, 5)), int(rng.integers(4, 9))
        plane = rng.integers(0, int(rng.integers(2, 6)), (h, w)).astype(np.uint8) + int(rng.integers(0, 250))
        for f in (se.rs_analysis, se.sample_pair_analysis):
            estimate, reason = f(plane)
            if reason is not None and found.get(reason, 0) < 3:
                found[reason] = found.get(reason, 0) + 1
                yield f"degenerate_{i}_{w}x{h}", plane


def payloads(rng):
    """A few natural pictures at a few rates; the C++ test checks the estimates against the rate."""
    from skimage import data

    pictures = {"camera": data.camera(), "coins": data.coins(),
                "astronaut": np.ascontiguousarray(data.astronaut()[..., 1])}
    for name, cover in pictures.items():
        for rate in (0.0, 0.2, 0.6, 1.0):
            stego = lsb_embedding.lsb_replace(cover, rate, rng)
            yield f"{name}_replace_{int(rate * 100)}", cover, rate, "replace", stego
        yield f"{name}_match_100", cover, 1.0, "match", lsb_embedding.lsb_match(cover, 1.0, rng)


def main():
    folder = sys.argv[1]
    rng = np.random.default_rng(20240607)
    lines = []
    for name, img in images(rng):
        img = np.ascontiguousarray(img, dtype=np.uint8)
        channels = 1 if img.ndim == 2 else img.shape[2]
        h, w = img.shape[:2]
        img.tofile(os.path.join(folder, name + ".raw"))
        lines.append(f"case {name} {w} {h} {channels}")
        colours = 1 if channels <= 2 else 3
        for c in range(colours):
            plane = img if img.ndim == 2 else img[..., c]
            for key, f in (("rs", se.rs_analysis), ("spa", se.sample_pair_analysis), ("ws", se.weighted_stego),
                           ("ws_plain", lambda p: se.weighted_stego(p, bias_corrected=False))):
                estimate, reason = f(plane)
                value = f"none {reason}" if estimate is None else number(estimate)
                lines.append(f"est {c} {key} {value}")
            whole, profile = se.chi_square_attack(plane)
            for pct, samples, (statistic, categories, p, reason) in [(0, h * w, whole)] + \
                    [(step[0], step[1], step[2:]) for step in profile]:
                prob = f"none {reason}" if reason is not None else ("?" if p is None else number(p))
                lines.append(f"chi {c} {pct} {samples} {number(statistic)} {categories} {prob}")
    for name, cover, rate, kind, stego in payloads(rng):
        h, w = stego.shape
        stego.tofile(os.path.join(folder, name + ".raw"))
        lines.append(f"payload {name} {w} {h} {rate!r} {kind}")
    if se.upper_gamma_tail(1, 1.0) is not None:
        for dof in (1, 2, 3, 4, 7, 10, 31, 64, 127):
            for statistic in (0.0, 1e-8, 0.01, 0.5, 1.0, dof - 1.0, float(dof), dof + 2.0, 2.0 * dof, 3.0 * dof + 10,
                              60.0, 150.0, 300.0, 1000.0):
                if statistic >= 0:
                    lines.append(f"gamma {dof} {number(statistic)} {number(se.upper_gamma_tail(dof, statistic))}")
    with open(os.path.join(folder, "cases.txt"), "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
