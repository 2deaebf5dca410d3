"""Decodes each file named on the command line with Pillow, as the second
decoder the image reader is checked against. For each file it writes one
line, "OK <channels> <bits> <width> <height> <bytes>" followed by the
samples (rows from the top, channels interleaved, 16-bit samples little
endian), or "ERR <reason>".

Pillow keeps 16 bits for grey PNG only; of 16-bit RGB, grey + alpha and
RGBA it keeps each sample's high byte. For those the full samples are put
together from two decodings of the same file by Pillow's own PNG decoder
(inflating, unfiltering, de-interlacing): one with its usual unpacker,
which takes each big-endian sample's first byte, and one with the
little-endian unpacker of the same width, which takes the second. Grey +
alpha has none, so its four bytes a pixel are read as RGBA, whole. The
layout is then the file's (grey + alpha stays two channels)."""
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


# PNG unpacker of 16-bit samples -> (Pillow mode and unpacker giving the
# high bytes, the same giving the low bytes), None: every byte whole.
SPLIT_16 = {
    "RGB;16B": (("RGB", "RGB;16B"), ("RGB", "RGB;16L")),
    "RGBA;16B": (("RGBA", "RGBA;16B"), ("RGBA", "RGBA;16L")),
    "LA;16B": (("RGBA", "RGBA"), None),
}


def decoded_with(path, mode, rawmode):
    with Image.open(path) as im:
        kind, box, offset, _ = im.tile[0]
        im.tile = [(kind, box, offset, rawmode)]
        try:
            im.mode = mode
        except AttributeError:  # a read-only property in later Pillow
            im._mode = mode
        im.load()
        return numpy.asarray(im)


def png_16_bit(path, rawmode):
    high, low = SPLIT_16[rawmode]
    first = decoded_with(path, *high).astype("<u2")
    if low is None:
        samples = (first[..., 0::2] << 8) | first[..., 1::2]
    else:
        samples = (first << 8) | decoded_with(path, *low).astype("<u2")
    height, width, channels = samples.shape
    return channels, 16, width, height, samples.astype("<u2").tobytes()


def decode(path):
    with Image.open(path) as im:
        if im.format == "PNG" and len(im.tile) == 1 and im.tile[0][3] in SPLIT_16:
            return png_16_bit(path, im.tile[0][3])
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
