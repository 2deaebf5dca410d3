# load, histogram, ssim_map and diff against the tool's own outputs and
# against numpy and scikit-image; what arrays the module takes and refuses.
import csv
import io
import os
import tracemalloc

import numpy as np
import pytest
from PIL import Image
from skimage.metrics import structural_similarity

import citra
from citra_vs_skimage import write


@pytest.fixture(scope="module")
def pair(tmp_path_factory):
    """A smooth RGB picture and a noisy copy, as PNG files and arrays."""
    folder = tmp_path_factory.mktemp("pair")
    rng = np.random.default_rng(3)
    y, x = np.mgrid[0:48, 0:61]
    a = np.stack([(np.sin(x / (5 + k)) + np.cos(y / 7) + 2) * 60 for k in range(3)], -1).astype(np.uint8)
    b = np.clip(a + rng.integers(-9, 10, a.shape), 0, 255).astype(np.uint8)
    paths = str(folder / "a.png"), str(folder / "b.png")
    write(paths[0], a, "png")
    write(paths[1], b, "png")
    return a, b, paths


def test_load_matches_the_samples_written(tmp_path, corpus):
    rng = np.random.default_rng(4)
    for channels in (1, 2, 3, 4):
        for bits, dtype in ((8, np.uint8), (16, np.uint16)):
            samples = rng.integers(0, 1 << bits, (9, 7, channels)).astype(dtype)
            path = str(tmp_path / f"{channels}_{bits}.png")
            write(path, samples, "png", bits=bits)
            got = citra.load(path)
            # A grey file is height x width.
            want = samples[:, :, 0] if channels == 1 else samples
            assert got.dtype == dtype and got.shape == want.shape and np.array_equal(got, want), path
    ppm = str(tmp_path / "ten_bits.pgm")
    write(ppm, rng.integers(0, 1024, (5, 6, 1)).astype(np.uint16), "pnm", maxval=1023)
    samples, peak = citra.load(ppm, return_peak=True)
    assert peak == 1023 and samples.shape == (5, 6)
    bmp = os.path.join(corpus, "g", "rgb24.bmp")
    assert np.array_equal(citra.load(bmp), np.asarray(Image.open(bmp).convert("RGB")))


@pytest.mark.parametrize("name", ["missing.png", "text.png", "text.tif", "text.jpg", "text.pgm"])
def test_load_fails_with_the_tools_message(tmp_path, cli, name):
    path = tmp_path / name
    if name != "missing.png":
        path.write_bytes(b"just some text, not a picture\n" * 4)
    with pytest.raises(citra.ReadError) as raised:
        citra.load(path)
    # The tool decodes the original first, so its message is the pair's.
    _, lines = cli("compare", str(path), str(path))
    assert str(raised.value) == lines[0]["error"]
    assert str(raised.value).startswith(str(path) + ": ")


def test_load_refuses_a_kind_it_does_not_read(tmp_path):
    path = tmp_path / "picture.xyz"
    path.write_bytes(b"BM")
    with pytest.raises(citra.ReadError, match=r"picture\.xyz: unsupported file extension \(\.xyz\)"):
        citra.load(path)


def cli_histogram(run_tool, path, *args):
    done = run_tool("--csv", "histogram", *args, path)
    assert done.returncode == 0, done.stderr
    rows = list(csv.reader(io.StringIO(done.stdout.decode())))
    return rows[0], np.array([[int(v) for v in row] for row in rows[1:]], dtype=np.uint64)


@pytest.mark.parametrize("bins", [None, 16])
def test_histogram_is_the_tools_table(pair, corpus, tmp_path, run_tool, bins):
    grey16 = str(tmp_path / "grey16.png")
    write(grey16, np.random.default_rng(5).integers(0, 65536, (20, 30, 1)).astype(np.uint16), "png", bits=16)
    for path in (pair[2][0], os.path.join(corpus, "g", "rgb24.bmp"), os.path.join(corpus, "g", "pal8.bmp"), grey16):
        header, table = cli_histogram(run_tool, path, *(["--bins", str(bins)] if bins else []))
        got = citra.histogram(path, bins=bins)
        assert got["channels"] == header[1:], path
        assert np.array_equal(got["bin_starts"], table[:, 0]), path
        assert np.array_equal(got["counts"], table[:, 1:].T), path


def test_histogram_of_an_array_counts_every_sample():
    rng = np.random.default_rng(6)
    samples = rng.integers(0, 1024, (33, 17, 2)).astype(np.uint16)
    got = citra.histogram(samples, peak=1023, bins=64)
    assert got["channels"] == ["grey", "alpha"] and got["peak"] == 1023
    for c in range(2):
        assert np.array_equal(got["counts"][c], np.bincount(samples[:, :, c].ravel() // 16, minlength=64))
    plain = citra.histogram(samples[:, :, 0])
    assert plain["counts"].shape == (1, 256)
    assert np.array_equal(plain["counts"][0], np.bincount(samples[:, :, 0].ravel() // 256, minlength=256))


def test_ssim_map_is_scikit_images_map(pair):
    a, b, _ = pair
    got = citra.ssim_map(a, b)
    assert got.dtype == np.float32 and got.shape == a.shape[:2]
    want = np.mean([structural_similarity(a[:, :, c].astype(float), b[:, :, c].astype(float), gaussian_weights=True,
                                          sigma=1.5, use_sample_covariance=False, data_range=255, full=True)[1]
                    for c in range(3)], axis=0)
    assert np.allclose(got[5:-5, 5:-5], want[5:-5, 5:-5], atol=1e-6)
    # Its inner mean is compare's SSIM; the border repeats its neighbour.
    assert abs(got[5:-5, 5:-5].mean(dtype=np.float64) - citra.compare(a, b, ssim=True)["standard"]["ssim"]) < 1e-6
    assert np.array_equal(got[0, 5:-5], got[5, 5:-5]) and np.array_equal(got[:, 0], got[:, 5])


@pytest.mark.parametrize("mode, options", [
    ("abs", []), ("abs", ["--gain", "7"]), ("heat", []), ("lsb", ["--plane", "1"]), ("ssim", [])])
def test_diff_is_the_tools_picture(pair, cli, tmp_path, mode, options):
    a, b, paths = pair
    out = str(tmp_path / f"{mode}.png")
    status, lines = cli("diff", *paths, "-o", out, "--mode", mode, *options)
    assert status == 0
    line = lines[0]
    gain = float(options[1]) if options[:1] == ["--gain"] else None
    plane = int(options[1]) if options[:1] == ["--plane"] else 0
    for operands in (paths, (a, b)):
        got = citra.diff(*operands, mode=mode, gain=gain, plane=plane)
        # Shape and all: a grey picture is height x width, as Pillow reads it.
        assert np.array_equal(got["image"], np.asarray(Image.open(out)))
        assert {k: v for k, v in got.items() if k not in ("image", "description")} == \
            {k: v for k, v in line.items() if k not in ("original", "manipulated", "output")}
        assert got["description"]["Title"] == Image.open(out).text["Title"]


@pytest.mark.parametrize("bits, mode", [(8, "abs"), (16, "abs"), (8, "lsb")])
def test_grey_images_and_pictures_are_height_x_width(tmp_path, cli, bits, mode):
    rng = np.random.default_rng(12)
    dtype = np.uint8 if bits == 8 else np.uint16
    a = rng.integers(0, 1 << bits, (14, 15, 1)).astype(dtype)
    b = a ^ (rng.random(a.shape) < 0.2).astype(dtype)
    paths = str(tmp_path / "a.png"), str(tmp_path / "b.png")
    write(paths[0], a, "png", bits=bits)
    write(paths[1], b, "png", bits=bits)
    assert citra.load(paths[0]).shape == (14, 15)
    out = str(tmp_path / "diff.png")
    status, _ = cli("diff", *paths, "-o", out, "--mode", mode)
    assert status == 0
    picture = np.asarray(Image.open(out))
    assert picture.ndim == 2
    for operands in (paths, (a, b), (a[:, :, 0], b[:, :, 0])):
        assert np.array_equal(citra.diff(*operands, mode=mode)["image"], picture)


def test_pairs_the_core_refuses_raise_pair_error():
    a = np.zeros((20, 20, 3), np.uint8)
    for call in (lambda: citra.ssim_map(a, a[:, :19]), lambda: citra.ssim_map(a[:8, :8], a[:8, :8]),
                 lambda: citra.diff(a, a, mode="lsb", plane=8), lambda: citra.diff(a, a[:, :, :1])):
        with pytest.raises(citra.PairError):
            call()


@pytest.mark.parametrize("make, error, words", [
    (lambda: np.zeros((4, 4, 3), np.float32), TypeError, "float32"),
    (lambda: np.zeros((4, 4, 3), np.int16), TypeError, "int16"),
    (lambda: np.zeros((4, 4, 5), np.uint8), ValueError, "5"),
    (lambda: np.zeros((2, 4, 4, 3), np.uint8), ValueError, "4 dimensions"),
    (lambda: [[1, 2], [3, 4]], TypeError, "int64"),  # as numpy.asarray sees it
    (lambda: {"not": "an image"}, TypeError, "dict"),
    (lambda: np.full((4, 4), 300, np.uint16), ValueError, "above the peak 255"),
])
def test_arrays_the_core_cannot_take(make, error, words):
    with pytest.raises(error) as raised:
        citra.compare(make(), np.zeros((4, 4, 3), np.uint8), peak=255)
    assert words in str(raised.value)


def test_empty_and_odd_arrays_are_refused_or_read_as_they_stand():
    with pytest.raises(citra.PairError, match="empty"):
        citra.compare(np.zeros((0, 5, 3), np.uint8), np.zeros((0, 5, 3), np.uint8))
    rng = np.random.default_rng(9)
    a = rng.integers(0, 65536, (30, 40, 3)).astype(np.uint16)
    b = rng.integers(0, 65536, (30, 40, 3)).astype(np.uint16)
    want = citra.compare(a, b, ssim=True)
    # Fortran order, a strided view and the other byte order: copied once,
    # same numbers.
    assert citra.compare(np.asfortranarray(a), b.byteswap().view(b.dtype.newbyteorder()), ssim=True) == want
    wide = np.zeros((30, 80, 3), np.uint16)
    wide[:, ::2] = a
    assert citra.compare(wide[:, ::2], b, ssim=True) == want


def test_contiguous_arrays_are_not_copied():
    """numpy reports its allocations to tracemalloc: a copy of either input
    would show as a peak of its size."""
    rng = np.random.default_rng(10)
    a = rng.integers(0, 256, (1000, 1000, 3), dtype=np.uint8)
    b = rng.integers(0, 256, (1000, 1000, 3), dtype=np.uint8)
    tracemalloc.start()
    try:
        citra.compare(a, b, ssim=True)
        citra.histogram(a)
        _, peak = tracemalloc.get_traced_memory()
        tracemalloc.reset_peak()
        citra.compare(np.asfortranarray(a), b)
        _, copied = tracemalloc.get_traced_memory()
    finally:
        tracemalloc.stop()
    assert peak < a.nbytes // 10
    assert copied >= a.nbytes  # the check sees a copy when there is one
