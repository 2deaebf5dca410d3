"""Decodes each file named on the command line with Pillow, as the second
decoder the image reader is checked against. For each file it writes one
line, "OK <channels> <bits> <width> <height> <bytes>" followed by the
samples (rows from the top, channels interleaved, 16-bit samples little
endian), or "ERR <reason>"."""
import sys

import numpy
from PIL import Image

# Pillow mode -> (mode to convert to, channels, bits)
MODES = {
    "1": ("L", 1, 8),
    "L": ("L", 1, 8),
    "LA": ("LA", 2, 8),
    "RGB": ("RGB", 3, 8),
    "RGBA": ("RGBA", 4, 8),
    "I;16": (None, 1, 16),
    "I;16B": (None, 1, 16),
    "I": (None, 1, 16),
}


def decode(path):
    with Image.open(path) as im:
        im.load()
        mode = im.mode
        # Bitmaps decode to colour whatever their palette holds.
        if im.format == "BMP" and mode != "RGBA":
            im = im.convert("RGB")
            mode = "RGB"
        if mode == "P":
            target = "RGBA" if "transparency" in im.info else "RGB"
            im = im.convert(target)
            mode = target
        if mode == "PA":
            im = im.convert("RGBA")
            mode = "RGBA"
        if mode not in MODES:
            raise ValueError("mode " + mode)
        convert, channels, bits = MODES[mode]
        if bits == 16:
            data = numpy.asarray(im).astype("<u2").tobytes()
        else:
            data = im.convert(convert).tobytes()
        return channels, bits, im.width, im.height, data


out = sys.stdout.buffer
for path in sys.argv[1:]:
    try:
        channels, bits, width, height, data = decode(path)
    except Exception as error:  # any refusal is reported, not raised
        out.write(("ERR %s\n" % str(error).replace("\n", " ")).encode())
        continue
    out.write(("OK %d %d %d %d %d\n" % (channels, bits, width, height, len(data))).encode())
    out.write(data)
out.flush()
