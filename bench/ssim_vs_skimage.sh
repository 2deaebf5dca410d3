#!/usr/bin/env bash
# Times ComputeStandardMetrics (with and without SSIM) and scikit-image's
# structural_similarity / mean_squared_error / peak_signal_noise_ratio on the
# same generated RGB pair, in one run, checks that they agree and prints the
# speed ratio. Usage: bench/ssim_vs_skimage.sh [SIDE] (4000 by default).
# Needs python3-skimage and python3-numpy (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
side=${1:-4000}

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target citra_bench_standard >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-ssim-bench-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/citra_bench_standard" --size="$side" --write-pair="$scratch" | tee "$scratch/bench.txt"

/usr/bin/python3 - "$scratch" <<'PY'
import statistics, sys, time
import numpy as np
from skimage.metrics import mean_squared_error, peak_signal_noise_ratio, structural_similarity

folder = sys.argv[1]
fields = open(f"{folder}/metrics.txt").read().split()
w, h = int(fields[0]), int(fields[1])
mse, psnr, ssim, *channel_ssim = map(float, fields[2:])
a = np.fromfile(f"{folder}/a.raw", np.uint8).reshape(h, w, 3)
b = np.fromfile(f"{folder}/b.raw", np.uint8).reshape(h, w, 3)

def timed(fn, runs):
    real, cpu, value = [], [], None
    for _ in range(runs):
        t, c = time.perf_counter(), time.process_time()
        value = fn()
        real.append((time.perf_counter() - t) * 1000)
        cpu.append((time.process_time() - c) * 1000)
    return value, (statistics.median(real), statistics.median(cpu))

sk_ssim, ssim_ms = timed(lambda: structural_similarity(
    a, b, gaussian_weights=True, sigma=1.5, use_sample_covariance=False, data_range=255, channel_axis=-1), 3)
sk_mse, mse_ms = timed(lambda: (mean_squared_error(a, b), peak_signal_noise_ratio(a, b, data_range=255)), 3)

ours = {}
for line in open(f"{folder}/bench.txt"):
    parts = line.split()
    if len(parts) == 4 and parts[3] == "ms":
        ours[parts[0]] = (float(parts[1]), float(parts[2]))

print(f"\nscikit-image on the same {w}x{h} pair (medians of 3 runs; real ms, CPU ms):")
print(f"  structural_similarity          {ssim_ms[0]:10.2f} {ssim_ms[1]:10.2f} ms")
print(f"  mean_squared_error + psnr      {mse_ms[0]:10.2f} {mse_ms[1]:10.2f} ms")
print("agreement: |SSIM - skimage| = %.3g, MSE relative %.3g, PSNR relative %.3g" % (
    abs(ssim - sk_ssim), abs(mse - sk_mse[0]) / sk_mse[0], abs(psnr - sk_mse[1]) / sk_mse[1]))
print("  (citra SSIM %.17g, skimage %.17g)" % (ssim, sk_ssim))
for name, base in (("WithSsim", ssim_ms), ("WithSsimOneThread", ssim_ms), ("MseAndPsnr", mse_ms),
                   ("MseAndPsnrOneThread", mse_ms)):
    if name in ours:
        print(f"  skimage / citra {name:22s} real {base[0] / ours[name][0]:8.1f}x   CPU {base[1] / ours[name][1]:8.1f}x")
PY
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
