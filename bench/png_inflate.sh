#!/usr/bin/env bash
# Decoding a 4000 x 4000 8-bit RGB PNG pair, photograph-like (scikit-image's
# astronaut scaled up with noise, the second file the first with +-2 on
# every sample; written by Pillow at compress_level 6), side by side in one
# run:
#   before  citra_decode_pair --libspng: libspng inflating and unfiltering
#   after   citra_decode_pair: the image data inflated by libdeflate and
#           unfiltered by png_inflate.cpp
#   floor   citra_inflate_floor: each file read, its IDAT data joined and
#           inflated by libdeflate, nothing else
# each on two threads, one file each, as citra decodes a pair; `before` and
# `after` again on the same pair rewritten with all image data in one IDAT
# chunk (Pillow writes chunks of 64 KiB, which libdeflate needs joined
# first: the peak memory differs by that copy). Runs take turns, the files
# are read into the page cache (cat > /dev/null) before each; medians of
# RUNS runs of wall-clock time, CPU time (user + system) and peak resident
# memory. `before` and `after` must print the same sum of samples.
#
# Usage: bash bench/png_inflate.sh
# Environment: CITRA_BUILD_DIR (default build-png-inflate, a Release build
# made here), TMPDIR (where the two ~26 MB files go), RUNS (default 7).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-7}
build=${CITRA_BUILD_DIR:-build-png-inflate}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target citra_decode_pair citra_inflate_floor >/dev/null
decode=$(realpath "$build/bench/citra_decode_pair")
floor=$(realpath "$build/bench/citra_inflate_floor")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-png-inflate-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

/usr/bin/python3 - "$scratch" <<'PY'
import sys
import numpy as np
from PIL import Image
from skimage import data

folder = sys.argv[1]
rng = np.random.default_rng(5)
side = 4000
base = np.asarray(Image.fromarray(data.astronaut()).resize((side, side), Image.BICUBIC)).astype(np.int16)
a = np.clip(base + rng.normal(0, 3, base.shape).round().astype(np.int16), 0, 255).astype(np.uint8)
b = np.clip(a.astype(np.int16) + rng.integers(-2, 3, a.shape), 0, 255).astype(np.uint8)
Image.fromarray(a).save(f"{folder}/a.png", compress_level=6)
Image.fromarray(b).save(f"{folder}/b.png", compress_level=6)

# The same files with their image data in one IDAT chunk.
import struct, zlib
for name in ("a", "b"):
    data = open(f"{folder}/{name}.png", "rb").read()
    at, parts, idat = 8, [data[:8]], b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        if kind == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        else:
            if kind == b"IEND":
                crc = struct.pack(">I", zlib.crc32(b"IDAT" + idat))
                parts.append(struct.pack(">I", len(idat)) + b"IDAT" + idat + crc)
            parts.append(data[at:at + 12 + length])
        at += 12 + length
    open(f"{folder}/{name}-one-idat.png", "wb").write(b"".join(parts))
PY

/usr/bin/python3 - "$scratch" "$runs" "$decode" "$floor" <<'PY'
import os, statistics, struct, subprocess, sys, time, zlib

folder, runs, decode, floor = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
files = [f"{folder}/a.png", f"{folder}/b.png"]
joined = [f"{folder}/a-one-idat.png", f"{folder}/b-one-idat.png"]

def describe(path):
    data = open(path, "rb").read()
    at, chunks, idat, rows = 8, 0, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        if kind == b"IHDR":
            width, height = struct.unpack(">II", data[at + 8:at + 16])
        if kind == b"IDAT":
            chunks += 1
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    rows = zlib.decompress(idat)
    stride = len(rows) // height
    filters = [rows[r * stride] for r in range(height)]
    counts = ", ".join(f"{name} {filters.count(i)}" for i, name in enumerate(("None", "Sub", "Up", "Average", "Paeth")))
    return f"{os.path.getsize(path):,} bytes, {chunks} IDAT chunks, row filters: {counts}"

variants = [
    ("before: libspng", [decode, "--libspng"] + files),
    ("after: libdeflate + own filter undo", [decode] + files),
    ("floor: libdeflate inflating the IDAT data alone", [floor] + files),
    ("before, one IDAT chunk a file", [decode, "--libspng"] + joined),
    ("after, one IDAT chunk a file", [decode] + joined),
]
results = {name: {"wall": [], "cpu": [], "rss": []} for name, _ in variants}
outputs = {}
for run in range(runs):
    for name, command in variants[run % len(variants):] + variants[:run % len(variants)]:
        subprocess.run(["cat"] + command[-2:], stdout=subprocess.DEVNULL, check=True)
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=subprocess.PIPE)
        out = process.stdout.read()
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
        if status != 0:
            sys.exit(f"{command} failed (status {status})")
        outputs.setdefault(name, set()).add(out.strip())
        results[name]["wall"].append(wall * 1000)
        results[name]["cpu"].append((usage.ru_utime + usage.ru_stime) * 1000)
        results[name]["rss"].append(usage.ru_maxrss / 1024)

before, after = variants[0][0], variants[1][0]
for a, b in ((before, after), (before, variants[3][0]), (before, variants[4][0])):
    if outputs[a] != outputs[b] or len(outputs[a]) != 1:
        sys.exit(f"{a} and {b} disagree: {outputs[a]} against {outputs[b]}")

for path in files:
    print(f"- {os.path.basename(path)}: {describe(path)}")
print(f"- same sum of samples before and after: {outputs[before].pop().decode()}")
print(f"- {os.cpu_count()} CPUs; {runs} runs each, medians")
print()
print("| decoding both files | wall ms | CPU ms | peak RSS MiB | before / this (wall) | this / floor (wall) |")
print("|---|---|---|---|---|---|")
floor_wall = statistics.median(results[variants[2][0]]["wall"])
for i, (name, _) in enumerate(variants):
    r = results[name]
    wall = statistics.median(r["wall"])
    base_wall = statistics.median(results[variants[3 if i >= 3 else 0][0]]["wall"])
    print(f"| {name} | {wall:.0f} | {statistics.median(r['cpu']):.0f} | {statistics.median(r['rss']):.0f} "
          f"| {base_wall / wall:.2f} x | {wall / floor_wall:.2f} x |")
PY
