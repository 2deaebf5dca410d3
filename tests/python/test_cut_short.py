"""A BMP file that lacks pixel data: loading, measuring and counting refuse
it naming what it holds and needs; compare keeps the desktop program's
numbers as the tool gives them, with a warning and no field's metrics."""
import struct

import numpy as np
import pytest

import citra


def bmp(width, height, pixels):
    stride = (3 * width + 3) // 4 * 4
    header = struct.pack("<2sIHHI", b"BM", 54 + stride * height, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 2835, 2835, 0, 0)
    return header + info + pixels


@pytest.fixture
def pair(tmp_path):
    rng = np.random.default_rng(7)
    raw = rng.integers(0, 256, 64 * 192, dtype=np.uint8).tobytes()
    whole = tmp_path / "s.bmp"
    whole.write_bytes(bmp(64, 64, raw))
    cut = tmp_path / "s_cut.bmp"
    cut.write_bytes(bmp(64, 64, raw)[:54 + 6144])
    return str(whole), str(cut)


@pytest.mark.parametrize("call", [
    lambda whole, cut: citra.load(cut),
    lambda whole, cut: citra.measure(whole, cut),
    lambda whole, cut: citra.histogram(cut),
])
def test_the_fields_calls_refuse_it(pair, call):
    with pytest.raises(citra.Error, match="file cut short: holds 6144 of the 12288 bytes of pixel data"):
        call(*pair)


def test_compare_keeps_the_desktop_numbers_with_a_warning(pair, cli):
    whole, cut = pair
    with pytest.warns(RuntimeWarning, match="s_cut.bmp: file cut short: holds 6144"):
        row = citra.compare(whole, cut)
    status, lines = cli("compare", whole, cut)
    assert status == 0
    assert row == lines[0]
    assert "standard" not in row
    assert row["mse"] > 0
