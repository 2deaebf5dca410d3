#!/usr/bin/env python3
"""Pairs per second of a study: citra.dask.compare on a local cluster of 1
and 2 worker processes (one thread each) against the command-line tool
with -j 1 and -j 2 on the same pairs, in the same run. The rows are checked
against the tool's lines.

Usage: PYTHONPATH=build/python python3 bench/dask_study.py CITRA [PAIRS] [SIZE] [--ssim]
Writes PAIRS pairs of SIZE x SIZE grey PGM files (default 2000 of 512 x 512)
into a temporary folder, removed at the end. Best of 3 runs each; the
cluster's start is timed apart.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import citra.dask


def write_study(root, pairs, size):
    rng = np.random.default_rng(2)
    covers, stego = os.path.join(root, "covers"), os.path.join(root, "stego")
    os.mkdir(covers)
    os.mkdir(stego)
    head = f"P5\n{size} {size}\n255\n".encode()
    for i in range(pairs):
        a = rng.integers(0, 256, (size, size), dtype=np.uint8)
        b = a ^ (rng.random(a.shape) < 0.05).astype(np.uint8)  # a few least significant bits flipped
        for folder, samples in ((covers, a), (stego, b)):
            with open(os.path.join(folder, f"{i:06}.pgm"), "wb") as f:
                f.write(head + samples.tobytes())
    return covers, stego


def best(run, times=3):
    seconds = []
    for _ in range(times):
        start = time.perf_counter()
        result = run()
        seconds.append(time.perf_counter() - start)
    return min(seconds), result


def main():
    import distributed

    args = [a for a in sys.argv[1:] if a != "--ssim"]
    ssim = "--ssim" in sys.argv
    exe = args[0]
    pairs = int(args[1]) if len(args) > 1 else 2000
    size = int(args[2]) if len(args) > 2 else 512
    with tempfile.TemporaryDirectory() as root:
        covers, stego = write_study(root, pairs, size)
        print(f"{pairs} pairs of {size} x {size} PGM{' with SSIM' if ssim else ''}")
        rows = {}
        for jobs in (1, 2):
            command = [exe, "--json", *(["--ssim"] if ssim else []), "compare", "-j", str(jobs), covers, stego]
            seconds, out = best(lambda: subprocess.run(command, capture_output=True, check=True).stdout)
            rows["cli"] = [json.loads(line) for line in out.decode().splitlines()]
            print(f"citra -j {jobs}:                {pairs / seconds:8.0f} pairs/s ({seconds:.2f} s)")
        for workers in (1, 2):
            start = time.perf_counter()
            with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                          dashboard_address=None, silence_logs=40) as cluster, \
                    distributed.Client(cluster) as client:
                started = time.perf_counter() - start
                seconds, got = best(lambda: citra.dask.compare(covers, stego, client, ssim=ssim, frame=False))
                assert got == rows["cli"], "the rows differ from the tool's lines"
                print(f"dask, {workers} worker(s):       {pairs / seconds:8.0f} pairs/s ({seconds:.2f} s; "
                      f"cluster started in {started:.1f} s)")
        print("every row equals the tool's line")


if __name__ == "__main__":
    main()
