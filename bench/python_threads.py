#!/usr/bin/env python3
"""Two Python threads calling citra against one: the GIL is released while
the core computes, so on two cores two threads should take about half the
time of one for the same calls.

Usage: PYTHONPATH=build/python python3 bench/python_threads.py [SIZE] [CALLS]
Each call compares a SIZE x SIZE RGB pair of arrays on one core thread
(threads=1); one Python thread makes CALLS calls, then two threads make
CALLS / 2 each. Medians of 5 runs, wall-clock time.
"""
import statistics
import sys
import threading
import time

import numpy as np

import citra


def timed(work, threads, calls):
    def share():
        for _ in range(calls // threads):
            work()

    pool = [threading.Thread(target=share) for _ in range(threads)]
    start = time.perf_counter()
    for t in pool:
        t.start()
    for t in pool:
        t.join()
    return time.perf_counter() - start


def main():
    size = int(sys.argv[1]) if len(sys.argv) > 1 else 2000
    calls = int(sys.argv[2]) if len(sys.argv) > 2 else 8
    rng = np.random.default_rng(1)
    a = rng.integers(0, 256, (size, size, 3), dtype=np.uint8)
    b = np.clip(a.astype(np.int16) + rng.integers(-4, 5, a.shape), 0, 255).astype(np.uint8)
    works = {
        "compare (MSE, PSNR)": lambda: citra.compare(a, b, threads=1),
        "compare with SSIM": lambda: citra.compare(a, b, ssim=True, threads=1),
        "ssim_map": lambda: citra.ssim_map(a, b, threads=1),
        "histogram": lambda: citra.histogram(a),
    }
    print(f"{size} x {size} RGB pair, {calls} calls")
    print(f"{'call':22} {'1 thread':>10} {'2 threads':>10} {'speed-up':>9}")
    for name, work in works.items():
        work()  # warm: pages of the arrays and the code
        one = statistics.median(timed(work, 1, calls) for _ in range(5))
        two = statistics.median(timed(work, 2, calls) for _ in range(5))
        print(f"{name:22} {one * 1000:8.0f} ms {two * 1000:8.0f} ms {one / two:8.2f}x")


if __name__ == "__main__":
    main()
