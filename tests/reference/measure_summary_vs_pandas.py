#!/usr/bin/python3
"""The summary of `citra measure` against pandas, on the rows the same run wrote.

Usage: measure_summary_vs_pandas.py CITRA

A study of three stego folders: covers of 8-bit grey and RGB PNG files and
16-bit grey PGM files (written with numpy and Pillow); stego folder a has
partners for the 8-bit covers only (the 16-bit covers give failed pairs),
b the same with one pair identical to its cover (an infinite psnr) and one
file without a cover, c mixes 8-bit and 16-bit pairs (its group is split by
peak). Runs `citra --csv --summary=S.csv measure covers/ a/ b/ c/ > rows.csv`
and checks that every block of S.csv equals pandas' groupby(["group", "peak"])
of rows.csv over the pairs that succeeded (count, mean, std with ddof=1,
median, min, max; psnr over its finite values, the infinite ones counted) to
1e-12 relative, and the counts of pairs, failed and identical pairs.
Exits 77 (skipped) when the tool has no measure command yet.
"""
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
import pandas as pd
from PIL import Image

METRICS = ["mse", "psnr", "ssim", "mae", "nc", "ber", "change_rate"]
STATS = ["count", "mean", "sd", "median", "min", "max"]
RELATIVE = 1e-12


def write_pgm16(path, samples):
    """A binary 16-bit PGM: the header, then big-endian samples."""
    height, width = samples.shape
    with open(path, "wb") as f:
        f.write(f"P5\n{width} {height}\n65535\n".encode())
        f.write(samples.astype(">u2").tobytes())


def make_study(work, rng):
    folders = {name: os.path.join(work, name) for name in ("covers", "a", "b", "c")}
    for folder in folders.values():
        os.makedirs(folder)

    def noisy(cover, amount, peak):
        noise = rng.integers(-amount, amount + 1, cover.shape)
        return np.clip(cover.astype(np.int64) + noise, 0, peak).astype(cover.dtype)

    eight = {}
    for i in range(5):
        shape = (24 + i, 32) if i % 2 else (24 + i, 32, 3)
        eight[f"p{i}"] = rng.integers(0, 256, shape).astype(np.uint8)
    deep = {f"q{i}": rng.integers(0, 65536, (20, 28 + i)).astype(np.uint16) for i in range(3)}
    for name, cover in eight.items():
        Image.fromarray(cover).save(os.path.join(folders["covers"], name + ".png"))
    for name, cover in deep.items():
        write_pgm16(os.path.join(folders["covers"], name + ".pgm"), cover)

    for i, (name, cover) in enumerate(eight.items()):
        Image.fromarray(noisy(cover, 2 + i, 255)).save(os.path.join(folders["a"], name + ".png"))
        stego = cover if i == 0 else noisy(cover, 6 + 3 * i, 255)  # p0: identical, psnr infinite
        Image.fromarray(stego).save(os.path.join(folders["b"], name + ".png"))
        if i < 3:
            Image.fromarray(noisy(cover, 1 + i, 255)).save(os.path.join(folders["c"], name + ".png"))
    Image.fromarray(rng.integers(0, 256, (8, 8)).astype(np.uint8)).save(os.path.join(folders["b"], "orphan.png"))
    for i, (name, cover) in enumerate(deep.items()):
        write_pgm16(os.path.join(folders["c"], name + ".pgm"), noisy(cover, 300 * (i + 1), 65535))
    return folders


def close(got, expected):
    if isinstance(expected, float) and math.isnan(expected):
        return isinstance(got, float) and math.isnan(got)
    if isinstance(got, float) and math.isnan(got):
        return False
    return abs(got - expected) <= RELATIVE * max(abs(got), abs(expected))


def main():
    citra = os.path.abspath(sys.argv[1])
    probe = subprocess.run([citra, "measure"], capture_output=True, text=True)
    if "unknown command 'measure'" in probe.stderr:
        print("Skipped: this citra has no measure command yet")
        return 77
    problems = []
    rng = np.random.default_rng(11)
    with tempfile.TemporaryDirectory() as work:
        folders = make_study(work, rng)
        summary_path = os.path.join(work, "S.csv")
        rows_path = os.path.join(work, "rows.csv")
        with open(rows_path, "wb") as rows_file:
            run = subprocess.run([citra, "--csv", f"--summary={summary_path}", "measure", folders["covers"],
                                  folders["a"], folders["b"], folders["c"]], stdout=rows_file, stderr=subprocess.PIPE,
                                 text=False, cwd=work)
        if run.returncode != 1:  # failed pairs: exit status 1
            problems.append(f"citra measure: exit {run.returncode}, {run.stderr.decode(errors='replace')!r}")
        if not os.path.exists(summary_path):
            print(f"no summary written: {run.stderr.decode(errors='replace')}")
            return 1
        rows = pd.read_csv(rows_path, keep_default_na=False, na_values=[""])
        summary = pd.read_csv(summary_path, keep_default_na=False, na_values=[""])

    failed = rows[rows["error"].notna()]
    ok = rows[rows["error"].isna()].copy()
    ok["peak"] = ok["peak"].astype(int)
    ok["identical"] = ok["identical"].astype(str).str.lower() == "true"
    groups = list(dict.fromkeys(rows["group"]))  # first-seen order

    # The study must hold what it is meant to test.
    if not (failed["group"] == folders["a"]).any():
        problems.append("the study has no failed pair in group a")
    if ok[ok["group"] == folders["c"]]["peak"].nunique() != 2:
        problems.append("group c does not mix two peaks")
    if not np.isinf(ok["psnr"]).any():
        problems.append("the study has no infinite psnr")

    # pandas' blocks, in the order the summary must give them.
    expected_blocks = []
    for group in groups:
        peaks = sorted(ok[ok["group"] == group]["peak"].astype(int).unique())
        expected_blocks += [(group, p) for p in peaks] or [(group, 0)]
    got_blocks = list(dict.fromkeys(zip(summary["group"], summary["peak"].astype(int))))
    if got_blocks != expected_blocks:
        problems.append(f"blocks {got_blocks}, pandas {expected_blocks}")

    finite = ok.copy()
    finite["psnr"] = finite["psnr"].where(np.isfinite(finite["psnr"]))
    stats = finite.groupby(["group", "peak"])[METRICS].agg(["count", "mean", "std", "median", "min", "max"])
    infinite = ok.assign(inf=np.isinf(ok["psnr"])).groupby(["group", "peak"])["inf"].sum()
    pairs = ok.groupby(["group", "peak"]).size()
    identical = ok.groupby(["group", "peak"])["identical"].sum()

    checked = 0
    for _, row in summary.iterrows():
        group, peak, metric = row["group"], int(row["peak"]), row["metric"]
        where = f"{os.path.basename(group)} peak {peak} {metric}"
        in_group = ok[ok["group"] == group]
        first_peak = int(in_group["peak"].min()) if len(in_group) else 0
        group_failed = int((failed["group"] == group).sum())
        split = in_group["peak"].nunique() > 1
        expected_failed = group_failed if peak == first_peak else 0
        expected_pairs = int(pairs.get((group, peak), 0)) + expected_failed
        for column, expected in (("failed", expected_failed), ("pairs", expected_pairs),
                                 ("identical", int(identical.get((group, peak), 0))),
                                 ("infinite", int(infinite.get((group, peak), 0)) if metric == "psnr" else 0)):
            if int(row[column]) != expected:
                problems.append(f"{where}: {column} {row[column]}, pandas {expected}")
        if str(row["split_by_peak"]).lower() != str(split).lower():
            problems.append(f"{where}: split_by_peak {row['split_by_peak']}, expected {split}")
        if peak == 0:
            if int(row["count"]) != 0:
                problems.append(f"{where}: count {row['count']} in a block of failed pairs")
            continue
        want = stats.loc[(group, peak), metric]
        for stat, pandas_name in zip(STATS, ["count", "mean", "std", "median", "min", "max"]):
            got = float(row[stat]) if not pd.isna(row[stat]) else math.nan
            expected = float(want[pandas_name])
            if stat != "count" and int(want["count"]) == 0:
                expected = math.nan
            if not close(got, expected):
                problems.append(f"{where}: {stat} {got!r}, pandas {expected!r}")
            checked += 1
    if checked < 100:
        problems.append(f"only {checked} statistics compared")

    for p in problems:
        print(p)
    print(f"{checked} statistics compared, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
