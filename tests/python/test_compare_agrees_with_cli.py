# citra.compare against the command-line tool, key for key and bit for bit,
# on the tool's own cases: every format it reads, refusals, identical pairs.
import math
import os

import numpy as np
import pytest

import citra
from citra_vs_skimage import cases, write

EXTENSION = {"png": "png", "pnm": "pnm", "tiff": "tif", "bmp": "bmp", "palette_bmp": "bmp", "jpeg": "jpg"}


def reference_pairs(folder):
    """(name, original, manipulated) files of the tool's comparison cases."""
    rng = np.random.default_rng(7)
    out = []
    for name, kind, options, a, b, _peak in cases(rng):
        ext = EXTENSION[kind]
        first = os.path.join(folder, f"{name}_a.{ext}")
        second = os.path.join(folder, f"{name}_b.{ext}")
        write(first, a, kind, **options)
        if b is None:  # a lossy round trip: the file against its own decoding
            second = os.path.join(folder, f"{name}_b.png")
            write(second, np.atleast_3d(citra.load(first)), "png")
        else:
            write(second, b, kind, **options)
        out.append((name, first, second))
    return out


def refused_pairs(folder, corpus):
    rng = np.random.default_rng(8)
    small = rng.integers(0, 256, (12, 14, 3), dtype=np.uint8)
    files = {}
    for name, samples in (("rgb", small), ("wide", small[:, :13]), ("grey", small[:, :, :1]),
                          ("rgba", np.dstack([small, small[:, :, :1]]))):
        files[name] = os.path.join(folder, f"refused_{name}.png")
        write(files[name], samples, "png")
    g, b = os.path.join(corpus, "g"), os.path.join(corpus, "b")
    return [
        ("size", files["rgb"], files["wide"]),
        ("channels", files["rgb"], files["grey"]),
        ("alpha", files["rgb"], files["rgba"]),
        ("missing", files["rgb"], os.path.join(folder, "no such file.png")),
        ("bmp_pair_24", os.path.join(g, "rgb24.bmp"), os.path.join(g, "rgb24pal.bmp")),
        ("bmp_other_depth", os.path.join(g, "rgb24.bmp"), os.path.join(g, "pal8.bmp")),
        ("bmp_bad", os.path.join(g, "rgb24.bmp"), os.path.join(b, "badrle.bmp")),
        ("bmp_truncated", os.path.join(g, "rgb24.bmp"), os.path.join(b, "shortfile.bmp")),
        ("bmp_identical", os.path.join(g, "rgb24.bmp"), os.path.join(g, "rgb24.bmp")),
        ("not_an_image", os.path.join(g, "rgb24.bmp"), os.path.abspath(__file__)),
    ]


@pytest.fixture(scope="module")
def pairs(tmp_path_factory, corpus):
    folder = str(tmp_path_factory.mktemp("pairs"))
    return reference_pairs(folder) + refused_pairs(folder, corpus)


@pytest.mark.parametrize("ssim", [False, True])
def test_every_pair_gives_the_tools_line(pairs, cli, ssim):
    mismatched = []
    for name, a, b in pairs:
        status, lines = cli(*(["--ssim"] if ssim else []), "compare", a, b)
        assert len(lines) == 1, name
        got = citra.compare(a, b, ssim=ssim, errors="row")
        if got != lines[0]:
            mismatched.append((name, got, lines[0]))
        assert (status == 0) == ("error" not in got), name
    assert not mismatched


def test_arrays_give_the_numbers_of_their_files(pairs):
    """Decoded arrays compare as the files do; only the names are gone."""
    compared = 0
    for name, a, b in pairs:
        from_files = citra.compare(a, b, ssim=True, errors="row")
        try:
            (first, peak), second = citra.load(a, return_peak=True), citra.load(b)
        except citra.ReadError:
            assert "error" in from_files, name
            continue
        from_arrays = citra.compare(first, second, ssim=True, peak=peak, errors="row")
        assert from_arrays["original"] is None and from_arrays["manipulated"] is None
        for key in set(from_files) - {"original", "manipulated"}:
            assert from_arrays.get(key) == from_files[key], (name, key)
        compared += 1
    assert compared > 40


def test_a_failed_pair_raises_with_the_tools_row(pairs):
    name, a, b = next(p for p in pairs if p[0] == "size")
    with pytest.raises(citra.PairError) as raised:
        citra.compare(a, b)
    assert str(raised.value) == "The images differ in size: 14 x 12 and 13 x 12"
    assert raised.value.row == {"original": a, "manipulated": b, "error": str(raised.value)}
    assert isinstance(raised.value, citra.Error)


def test_paths_of_every_kind_and_undecodable_names(tmp_path, cli):
    """str, bytes and PathLike name the same file; a name that is not UTF-8
    comes back as os.fsdecode gives it, as the tool's JSON writes it."""
    samples = np.arange(13 * 11 * 3, dtype=np.uint8).reshape(13, 11, 3)
    plain = tmp_path / "a.png"
    write(str(plain), samples, "png")
    odd = os.fsencode(str(tmp_path)) + b"/\xff\xfe.png"
    write(odd.decode("utf-8", "surrogateescape"), samples, "png")
    row = citra.compare(plain, odd)
    assert row["original"] == str(plain)
    assert row["manipulated"] == os.fsdecode(odd)
    assert row["standard"]["identical"]
    assert citra.compare(str(plain), os.fsdecode(odd)) == row
    status, lines = cli("compare", str(plain), os.fsdecode(odd))
    assert status == 0 and lines[0] == row


def test_identical_arrays_and_infinite_psnr():
    a = np.zeros((16, 16, 3), np.uint8)
    row = citra.compare(a, a.copy(), ssim=True)
    assert row["mse"] == 0 and row["psnr_text"] == "108.131"
    assert row["standard"]["identical"] and row["standard"]["psnr"] is None
    assert row["standard"]["ssim"] == 1.0
    assert not math.isnan(row["psnr"])
