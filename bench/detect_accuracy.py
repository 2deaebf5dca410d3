#!/usr/bin/python3
"""Accuracy of the LSB estimators on natural pictures carrying known payloads.

Usage: bench/detect_accuracy.py [--exe PATH] [--seed N]

The pictures are the never-compressed photographs bundled with
scikit-image (tests/reference/lsb_embedding.py: grey pictures, colour ones
as luminance and as one channel, and crops): 26 planes. Each carries LSB
replacement at 0 (the cover), 0.05, 0.1, 0.2, 0.4, 0.6, 0.8 and 1.0, and
LSB matching at 0.4 and 1.0, at random positions from a fixed seed. The C++
estimators (citra_detect_samples, built into build-bench/ unless --exe names
one) give the estimates, after a check that they equal the numpy reference
on a few of the planes. Writes the tables in markdown to standard output.
"""
import argparse
import os
import subprocess
import sys
import tempfile

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "reference"))
import lsb_embedding  # noqa: E402
import stego_estimators  # noqa: E402

REPLACE_RATES = (0.0, 0.05, 0.1, 0.2, 0.4, 0.6, 0.8, 1.0)
MATCH_RATES = (0.4, 1.0)
ESTIMATORS = ("rs", "spa", "ws", "ws_plain")
NAMES = {"rs": "RS", "spa": "SPA", "ws": "WS", "ws_plain": "WS plain", "chi": "chi-square"}


def build_exe():
    build = os.path.join(ROOT, "build-bench")
    subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DCITRA_UI=OFF",
                    "-DCITRA_BENCH=ON"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j2", "--target", "citra_detect_samples"], check=True,
                   stdout=subprocess.DEVNULL)
    return os.path.join(build, "bench", "citra_detect_samples")


def run_cpp(exe, planes, folder):
    """{key: {"rs": value or None, ...}} for every (key, plane)."""
    lines = []
    paths = {}
    for i, (key, plane) in enumerate(planes):
        path = os.path.join(folder, f"{i}.raw")
        np.ascontiguousarray(plane, dtype=np.uint8).tofile(path)
        paths[path] = key
        lines.append(f"{path} {plane.shape[1]} {plane.shape[0]}")
    out = subprocess.run([exe], input="\n".join(lines) + "\n", capture_output=True, text=True, check=True).stdout
    results = {}
    for line in out.splitlines():
        path, *values = line.split()
        numbers = [None if v == "none" else float(v) for v in values]
        results[paths[path]] = dict(zip(ESTIMATORS + ("chi",), numbers))
    if len(results) != len(planes):
        raise SystemExit(f"citra_detect_samples answered {len(results)} of {len(planes)} planes")
    return results


def auc(covers, stegos):
    """Mann-Whitney: the probability that a stego estimate exceeds a cover one, ties counting half."""
    covers = [c for c in covers if c is not None]
    stegos = [s for s in stegos if s is not None]
    if not covers or not stegos:
        return float("nan")
    wins = 0.0
    for s in stegos:
        for c in covers:
            wins += 1.0 if s > c else 0.5 if s == c else 0.0
    return wins / (len(covers) * len(stegos))


def fmt(v, digits=3):
    return "-" if v is None or np.isnan(v) else f"{v:.{digits}f}"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", help="citra_detect_samples to use (default: build it in build-bench/)")
    parser.add_argument("--seed", type=int, default=2025)
    args = parser.parse_args()
    exe = args.exe or build_exe()

    pictures = lsb_embedding.natural_images()
    planes = []
    for index, (name, cover) in enumerate(pictures):
        for r, rate in enumerate(REPLACE_RATES):
            rng = np.random.default_rng([args.seed, index, r])
            planes.append(((name, "replace", rate), lsb_embedding.lsb_replace(cover, rate, rng)))
        for r, rate in enumerate(MATCH_RATES):
            rng = np.random.default_rng([args.seed, index, 100 + r])
            planes.append(((name, "match", rate), lsb_embedding.lsb_match(cover, rate, rng)))

    with tempfile.TemporaryDirectory(prefix="citra-detect-accuracy-") as folder:
        results = run_cpp(exe, planes, folder)

    # The C++ against the reference on the first pictures, every variant.
    worst = 0.0
    checked = 0
    for key, plane in planes[: 3 * (len(REPLACE_RATES) + len(MATCH_RATES))]:
        for est, fn in (("rs", stego_estimators.rs_analysis), ("spa", stego_estimators.sample_pair_analysis),
                        ("ws", stego_estimators.weighted_stego),
                        ("ws_plain", lambda p: stego_estimators.weighted_stego(p, bias_corrected=False))):
            ref, _ = fn(plane)
            ours = results[key][est]
            if (ref is None) != (ours is None):
                raise SystemExit(f"{key} {est}: C++ {ours}, reference {ref}")
            if ref is not None:
                worst = max(worst, abs(ref - ours))
                checked += 1
    if worst > 1e-9:
        raise SystemExit(f"the C++ differs from the reference by {worst:g}")

    names = [name for name, _ in pictures]

    def values(est, kind, rate):
        return [results[(n, kind, rate)][est] for n in names]

    print(f"{len(pictures)} planes from scikit-image's photographs "
          f"({', '.join(f'{n} {p.shape[1]}x{p.shape[0]}' for n, p in pictures)}); seed {args.seed}. "
          f"The C++ equals the numpy reference on {checked} estimates (largest difference {worst:.1e}).\n")

    print("#### LSB replacement: absolute error of the raw estimate (median / 90th percentile)\n")
    print("| rate | " + " | ".join(NAMES[e] for e in ESTIMATORS) + " | chi-square probability (median) |")
    print("|---|" + "---|" * (len(ESTIMATORS) + 1))
    goals = {e: True for e in ESTIMATORS}
    for rate in REPLACE_RATES:
        cells = []
        for est in ESTIMATORS:
            got = values(est, "replace", rate)
            errors = [abs(v - rate) for v in got if v is not None]
            missing = sum(v is None for v in got)
            med = float(np.median(errors)) if errors else float("nan")
            p90 = float(np.percentile(errors, 90)) if errors else float("nan")
            if rate <= 0.6 and not med <= 0.03:
                goals[est] = False
            cells.append(f"{fmt(med)} / {fmt(p90)}" + (f" ({missing} none)" if missing else ""))
        chi = [v for v in values("chi", "replace", rate) if v is not None]
        cells.append(fmt(float(np.median(chi)) if chi else float("nan")))
        print(f"| {rate:g} | " + " | ".join(cells) + " |")

    print("\n#### Covers and small payloads\n")
    print("| estimator | cover estimate median | cover estimate 90th pct | AUC at 0.05 | AUC at 0.1 |")
    print("|---|---|---|---|---|")
    cover_median = {}
    for est in ESTIMATORS + ("chi",):
        covers = values(est, "replace", 0.0)
        known = [v for v in covers if v is not None]
        med = float(np.median(known)) if known else float("nan")
        cover_median[est] = med
        print(f"| {NAMES[est]} | {fmt(med)} | {fmt(float(np.percentile(known, 90)) if known else float('nan'))} | "
              f"{fmt(auc(covers, values(est, 'replace', 0.05)))} | {fmt(auc(covers, values(est, 'replace', 0.1)))} |")

    print("\n#### LSB matching: the raw estimate (median / 90th percentile), AUC against the covers\n")
    print("| rate | " + " | ".join(NAMES[e] for e in ESTIMATORS + ("chi",)) + " |")
    print("|---|" + "---|" * (len(ESTIMATORS) + 1))
    for rate in MATCH_RATES:
        cells = []
        for est in ESTIMATORS + ("chi",):
            got = [v for v in values(est, "match", rate) if v is not None]
            cells.append(f"{fmt(float(np.median(got)))} / {fmt(float(np.percentile(got, 90)))}, "
                         f"AUC {fmt(auc(values(est, 'replace', 0.0), values(est, 'match', rate)))}")
        print(f"| {rate:g} | " + " | ".join(cells) + " |")
    saturated = [(n, float(np.mean((p == 0) | (p == 255)))) for n, p in pictures]
    print("\nPlanes with more than 2% of their samples at 0 or 255 (where LSB matching can only move one way, "
          "which is LSB replacement): " +
          ", ".join(f"{n} {100 * s:.0f}%" for n, s in saturated if s > 0.02) + ".")

    print("\n#### Goals\n")
    for est in ESTIMATORS:
        print(f"- {NAMES[est]}: median absolute error <= 0.03 at every rate up to 0.6: "
              f"{'met' if goals[est] else 'missed'}")
    for est in ("ws", "ws_plain"):
        med = cover_median[est]
        print(f"- {NAMES[est]}: median estimate on covers <= 0.02: {'met' if med <= 0.02 else 'missed'} ({med:.4f})")


if __name__ == "__main__":
    main()
