#!/usr/bin/env bash
# Times the LSB estimators (chi-square with its 21-step profile, RS, SPA,
# WS) on 512 x 512 grey pictures: citra_bench_detect (each estimator on one
# thread, and 10,000 detections of all four on 2 threads), then the numpy
# reference (tests/reference/stego_estimators.py, vectorised numpy) on the
# same picture, checks that they agree and prints the ratio.
# Usage: bench/detect_speed.sh [BUILD_DIR] (build-bench by default).
# Needs python3-numpy (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target citra_bench_detect >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-detect-bench-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/citra_bench_detect" --write-image="$scratch/picture.raw" | tee "$scratch/bench.txt"

/usr/bin/python3 - "$scratch" <<'PY'
import os, statistics, sys, time
import numpy as np

sys.path.insert(0, os.path.join(os.getcwd(), "tests", "reference"))
import stego_estimators as se

folder = sys.argv[1]
fields = open(f"{folder}/picture.raw.txt").read().split()
w, h = int(fields[0]), int(fields[1])
rs, spa, ws, statistic, probability = map(float, fields[2:])
plane = np.fromfile(f"{folder}/picture.raw", np.uint8).reshape(h, w)

def timed(fn, runs=7):
    real, cpu, value = [], [], None
    for _ in range(runs):
        t, c = time.perf_counter(), time.process_time()
        value = fn()
        real.append((time.perf_counter() - t) * 1000)
        cpu.append((time.process_time() - c) * 1000)
    return value, statistics.median(real), statistics.median(cpu)

# The four citra's "all" runs: the chi-square attack with its profile, RS,
# SPA and the bias-corrected WS.
four = lambda: {"chi": se.chi_square_attack(plane), "rs": se.rs_analysis(plane),  # noqa: E731
                "spa": se.sample_pair_analysis(plane), "ws": se.weighted_stego(plane)}
ref, real_ms, cpu_ms = timed(four)
(whole, _profile) = ref["chi"]
worst = max(abs(rs - ref["rs"][0]), abs(spa - ref["spa"][0]), abs(ws - ref["ws"][0]),
            abs(statistic - whole[0]) / max(1.0, whole[0]))
if whole[2] is not None:
    worst = max(worst, abs(probability - whole[2]))
print(f"\nnumpy reference, all four on the same {w}x{h} picture (median of 7): {real_ms:.1f} ms wall, {cpu_ms:.1f} ms CPU")
print(f"agreement: largest difference {worst:.2g}")
ours = None
for line in open(f"{folder}/bench.txt"):
    parts = line.split()
    if len(parts) == 4 and parts[0] == "all":
        ours = (float(parts[1]), float(parts[2]))
if ours:
    print(f"citra, one thread: {ours[0]:.3f} ms wall, {ours[1]:.3f} ms CPU; "
          f"numpy / citra: {real_ms / ours[0]:.0f} x wall, {cpu_ms / ours[1]:.0f} x CPU")
if worst > 1e-9:
    sys.exit("the C++ and the reference disagree")
PY
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
