#!/usr/bin/env bash
# Small files that declare far more than they hold, each read once with
# `citra histogram FILE` under /usr/bin/time: exit status, first line of the
# message, wall time and peak resident memory. histogram decodes the whole
# file and reports a decoder's error (info, for a JPEG, shows what the
# desktop program's header reader says and keeps a decoding error to
# itself); a BMP is read band by band, as the desktop program reads it. A
# reader should refuse what the data cannot hold before it allocates, and
# spend on the rest only what the data justify.
#   bash bench/hostile_inputs.sh
#   CITRA=build-dec/cli/citra bash bench/hostile_inputs.sh   # a citra already built
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -n "${CITRA:-}" ]; then
  citra=$CITRA
else
  build=build-bench
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCITRA_UI=OFF -DCITRA_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target citra >/dev/null
  citra=$build/cli/citra
fi
[ -x /usr/bin/time ] || { echo "hostile_inputs.sh: /usr/bin/time is missing" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/citra-hostile-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/files"

# Writes the files and lists them, one "name<TAB>what it declares" a line.
/usr/bin/python3 - "$scratch/files" >"$scratch/list" <<'EOF'
import io
import struct
import sys
import zlib

from PIL import Image

out = sys.argv[1]


def save(name, data, declares):
    with open(out + "/" + name, "wb") as f:
        f.write(data)
    print(name + "\t" + declares)


def zeros_deflated(count):
    """A zlib stream of count zero bytes, made without holding them."""
    z = zlib.compressobj(9)
    block = bytes(1 << 20)
    parts = []
    while count > 0:
        n = min(count, len(block))
        parts.append(z.compress(block[:n]))
        count -= n
    parts.append(z.flush())
    return b"".join(parts)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, colour, idat, before=b"", after=b""):
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + before + chunk(b"IDAT", idat) + after +
            chunk(b"IEND", b""))


huge = zeros_deflated(900_000_000)

data = png(65536, 16384, 0, zlib.compress(bytes(100), 9))
assert len(data) == 69, len(data)
save("rows.png", data, "65536 x 16384 grey, 100 bytes of rows")

header = b"P2\n20000 20000\n65535\n"
save("ascii.pgm", header + b"0 " * ((219 - len(header)) // 2) + b"0" * ((219 - len(header)) % 2),
     "20000 x 20000, 16-bit")

save("profile.png", png(1, 1, 0, zlib.compress(b"\0\0"), before=chunk(b"iCCP", b"icc\0\0" + huge)),
     "1 x 1, colour profile of 900 MB")

text = zeros_deflated(200_000_000)
save("text.png", png(1, 1, 0, zlib.compress(b"\0\0"),
                     after=b"".join(chunk(b"zTXt", b"note%d\0\0" % i + text) for i in range(5))),
     "1 x 1, 5 x 200 MB of text after the rows")

# One strip, deflate, no predictor: the IFD's entries in tag order.
side = 30000
entries = [(256, 4, side), (257, 4, side), (258, 3, 8), (259, 3, 8), (262, 3, 1), (273, 4, 0),
           (277, 3, 1), (278, 4, side), (279, 4, len(huge))]
strip = 8 + 2 + 12 * len(entries) + 4
ifd = struct.pack("<H", len(entries))
for tag, kind, value in entries:
    value = strip if tag == 273 else value
    ifd += struct.pack("<HHI", tag, kind, 1) + (struct.pack("<HH", value, 0) if kind == 3 else struct.pack("<I", value))
save("strip.tif", b"II*\0" + struct.pack("<I", 8) + ifd + struct.pack("<I", 0) + huge,
     "30000 x 30000 grey, one deflate strip")

picture = Image.new("RGB", (64, 48))
picture.putdata([((x * 37) % 256, (y * 53) % 256, (x * y) % 256) for y in range(48) for x in range(64)])
buffer = io.BytesIO()
picture.save(buffer, "JPEG", quality=75, progressive=True)
jpeg = bytearray(buffer.getvalue())
sof = jpeg.index(b"\xff\xc2")
jpeg[sof + 5:sof + 9] = struct.pack(">HH", 16000, 16000)
save("progressive.jpg", bytes(jpeg), "16000 x 16000 colour, progressive")

save("raw.pgm", b"P5 20000 20000 255\n" + bytes(1000), "20000 x 20000, 1000 bytes of samples")

picture = Image.new("RGB", (64, 64), (10, 200, 30))
buffer = io.BytesIO()
picture.save(buffer, "BMP")
bmp = buffer.getvalue()
save("half.bmp", bmp[:len(bmp) // 2], "64 x 64, 24-bit, cut to half")
EOF

echo "| file | declares | size (bytes) | exit | message | wall (s) | peak RSS (MiB) |"
echo "|---|---|---|---|---|---|---|"
while IFS=$'\t' read -r name declares; do
  file=$scratch/files/$name
  status=0
  /usr/bin/time -f '%e %M' -o "$scratch/time" "$citra" histogram "$file" >"$scratch/out" 2>"$scratch/err" || status=$?
  # The file's error is a line of its own among the counts.
  message=$(cat "$scratch/err" "$scratch/out" | { grep -m 1 'error' || true; } | sed "s|$scratch/files/||g; s/|/\\\\|/g")
  read -r wall rss < <(tail -n 1 "$scratch/time")
  printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$name" "$declares" "$(stat -c %s "$file")" "$status" \
    "${message:--}" "$wall" "$(awk -v k="$rss" 'BEGIN { printf "%.0f", k / 1024 }')"
done <"$scratch/list"
