# citra.measure against numpy and scikit-image on arrays of every layout
# and depth; two paths against their decoded arrays; what it takes (Pillow
# images, grey as height x width or height x width x 1) and how a failed
# pair ends.
import math

import numpy as np
import pytest
from PIL import Image
from skimage.metrics import mean_squared_error, peak_signal_noise_ratio, structural_similarity

import citra
from citra_vs_skimage import write

FIGURES = ["mse", "psnr", "ssim", "mae", "nc", "ber", "changed_samples", "change_rate", "max_abs_diff", "identical"]
CHANNEL_NAMES = {1: "Y", 2: "YA", 3: "RGB", 4: "RGBA"}
COLUMNS = (["original", "manipulated", "group", "width", "height", "channels", "bits", "peak"] + FIGURES +
           [f"{c}_{k}" for c in "RGBAY" for k in FIGURES] + ["ssim_unavailable", "error"])
SSIM_OPTIONS = dict(gaussian_weights=True, sigma=1.5, use_sample_covariance=False)


def figures(a, b, peak, ssim):
    """The figures of two height x width x channels arrays (or of one
    channel as height x width), from numpy and scikit-image."""
    a64, b64 = a.astype(np.float64), b.astype(np.float64)
    mse = mean_squared_error(a64, b64)
    changed = int(np.count_nonzero(a != b))
    bilevel = all(np.isin(x, (0, peak)).all() for x in (a, b))
    energy = np.sum(a64 * a64) * np.sum(b64 * b64)
    out = {
        "mse": mse,
        "psnr": math.inf if mse == 0 else peak_signal_noise_ratio(a64, b64, data_range=peak),
        "ssim": None,
        "mae": float(np.mean(np.abs(a64 - b64))),
        "nc": float(np.sum(a64 * b64) / math.sqrt(energy)) if energy else None,
        "ber": float(np.mean(a != b)) if bilevel else None,
        "changed_samples": changed,
        "change_rate": changed / a.size,
        "max_abs_diff": int(np.max(np.abs(a64 - b64))),
        "identical": changed == 0,
    }
    if ssim:
        axis = {"channel_axis": -1} if a.ndim == 3 else {}
        out["ssim"] = structural_similarity(a64, b64, data_range=peak, **axis, **SSIM_OPTIONS)
    return out


def expected_row(a, b, peak, ssim=True):
    a3, b3 = np.atleast_3d(a), np.atleast_3d(b)
    channels = a3.shape[2]
    row = dict.fromkeys(COLUMNS)
    row.update(group="", width=a3.shape[1], height=a3.shape[0], channels=channels, bits=8 * a.dtype.itemsize,
               peak=peak)
    row.update(figures(a3, b3, peak, ssim))
    for c, name in enumerate(CHANNEL_NAMES[channels]):
        row.update({f"{name}_{k}": v for k, v in figures(a3[:, :, c], b3[:, :, c], peak, ssim).items()})
    return row


def assert_rows_agree(got, want):
    assert list(got) == COLUMNS
    for key in COLUMNS:
        g, w = got[key], want[key]
        if isinstance(w, float) and math.isfinite(w):
            tolerance = 1e-6 if key.endswith("ssim") else 1e-12
            assert type(g) is float and g == pytest.approx(w, rel=tolerance, abs=tolerance), key
        else:  # None, int, bool, str and infinity: exactly, of the same type
            assert type(g) is type(w) and g == w, key


def noisy(rng, shape, dtype, peak, kind):
    """A picture and a manipulated copy of the given kind."""
    if kind == "bilevel":
        a = (rng.random(shape) < 0.5).astype(dtype) * dtype(peak)
        b = a.copy()
        flips = rng.random(shape) < 0.05
        b[flips] = dtype(peak) - b[flips]
        return a, b
    a = rng.integers(0, peak + 1, shape).astype(dtype)
    if kind == "dark":  # all zero: no NC
        a[...] = 0
    b = np.clip(a.astype(np.int64) + rng.integers(-20, 21, shape) * (rng.random(shape) < 0.3), 0, peak).astype(dtype)
    if kind == "identical":
        b = a.copy()
    elif kind == "green_only":  # one channel changed, the others identical
        b = a.copy()
        b[:, :, 1] = np.clip(a[:, :, 1].astype(np.int64) + 1, 0, peak).astype(dtype)
    return a, b


@pytest.mark.parametrize("shape, dtype, peak, kind", [
    ((40, 37), np.uint8, 255, "noise"),            # grey, height x width
    ((33, 45, 1), np.uint16, 65535, "noise"),      # grey, height x width x 1
    ((31, 29, 3), np.uint8, 255, "noise"),
    ((30, 30, 3), np.uint16, 1023, "noise"),       # 10-bit samples in uint16
    ((28, 35, 4), np.uint8, 255, "noise"),         # alpha in the overall SSIM too
    ((25, 26, 2), np.uint16, 65535, "noise"),      # grey and alpha
    ((24, 30), np.uint8, 255, "bilevel"),
    ((20, 24, 3), np.uint16, 1, "bilevel"),
    ((16, 18, 3), np.uint8, 255, "identical"),
    ((22, 21, 3), np.uint16, 4095, "green_only"),
    ((19, 23), np.uint8, 255, "dark"),
])
def test_arrays_give_numpy_and_scikit_images_figures(shape, dtype, peak, kind):
    a, b = noisy(np.random.default_rng(sum(shape) + peak), shape, dtype, peak, kind)
    given_peak = None if peak == np.iinfo(dtype).max else peak
    assert_rows_agree(citra.measure(a, b, peak=given_peak), expected_row(a, b, peak))
    assert_rows_agree(citra.measure(a, b, peak=given_peak, ssim=False, threads=1),
                      expected_row(a, b, peak, ssim=False))


def test_identical_images_have_an_infinite_psnr():
    a = np.random.default_rng(20).integers(0, 256, (12, 13, 3), dtype=np.uint8)
    row = citra.measure(a, a.copy())
    assert row["psnr"] == math.inf and row["R_psnr"] == math.inf
    assert row["identical"] is True and row["ssim"] == 1.0 and row["changed_samples"] == 0


def test_grey_as_height_x_width_and_x_1_are_the_same_image():
    rng = np.random.default_rng(21)
    a, b = noisy(rng, (26, 27), np.uint16, 65535, "noise")
    assert citra.measure(a, b) == citra.measure(a[:, :, None], b[:, :, None]) == citra.measure(a, b[:, :, None])


@pytest.mark.parametrize("dtype, channels", [(np.uint8, 0), (np.uint8, 3), (np.uint8, 4), (np.uint16, 0)])
def test_pillow_images_are_taken_as_numpy_sees_them(dtype, channels):
    shape = (17, 19, channels) if channels else (17, 19)
    a, b = noisy(np.random.default_rng(22), shape, dtype, np.iinfo(dtype).max, "noise")
    if dtype == np.uint16:
        a, b = a.astype("<u2"), b.astype("<u2")  # Pillow's I;16 is little-endian
    pictures = Image.fromarray(a), Image.fromarray(b)
    assert citra.measure(*pictures) == citra.measure(a, b)


def test_too_small_for_ssim_says_why():
    a, b = noisy(np.random.default_rng(23), (8, 9, 3), np.uint8, 255, "noise")
    row = citra.measure(a, b)
    assert row["ssim"] is None and row["R_ssim"] is None and "11 x 11" in row["ssim_unavailable"]
    assert citra.measure(a, b, ssim=False)["ssim_unavailable"] is None


@pytest.mark.parametrize("b, words", [
    (np.zeros((20, 21, 3), np.uint8), "size"),
    (np.zeros((20, 20), np.uint8), ""),
    (np.zeros((20, 20, 3), np.uint16), ""),
    (np.zeros((20, 20, 4), np.uint8), ""),
])
def test_a_pair_that_differs_fails(b, words):
    a = np.zeros((20, 20, 3), np.uint8)
    row = citra.measure(a, b, errors="return")
    assert row["error"] and words in row["error"]
    assert list(row) == COLUMNS
    assert all(row[k] is None for k in COLUMNS if k not in ("group", "error")) and row["group"] == ""
    with pytest.raises(citra.PairError) as raised:
        citra.measure(a, b)
    assert str(raised.value) == row["error"] and raised.value.row == row
    with pytest.raises(ValueError, match="errors"):
        citra.measure(a, b, errors="row")


@pytest.mark.parametrize("make, error, words", [
    (lambda: [[1, 2], [3, 4]], TypeError, "int64"),
    (lambda: None, TypeError, "NoneType"),
    (lambda: np.zeros((4, 4, 3), np.float64), TypeError, "float64"),
    (lambda: np.zeros((4, 4, 5), np.uint8), ValueError, "5"),
])
def test_operands_it_cannot_take(make, error, words):
    with pytest.raises(error) as raised:
        citra.measure(make(), np.zeros((4, 4, 3), np.uint8))
    assert words in str(raised.value)


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    """Pairs of files of several kinds, with the peak to give their arrays."""
    folder = tmp_path_factory.mktemp("measure_files")
    rng = np.random.default_rng(24)
    out = {}
    for name, kind, ext, shape, dtype, options in (
            ("rgb8", "png", "png", (23, 31, 3), np.uint8, {}),
            ("grey16", "png", "png", (21, 18, 1), np.uint16, {"bits": 16}),
            ("rgba8", "png", "png", (19, 22, 4), np.uint8, {}),
            ("ten_bits", "pnm", "pgm", (20, 20, 1), np.uint16, {"maxval": 1023}),
            ("bmp", "bmp", "bmp", (15, 17, 3), np.uint8, {})):
        peak = options.get("maxval", np.iinfo(dtype).max)
        a, b = noisy(rng, shape, dtype, peak, "noise")
        paths = str(folder / f"{name}_a.{ext}"), str(folder / f"{name}_b.{ext}")
        write(paths[0], a, kind, **options)
        write(paths[1], b, kind, **options)
        out[name] = paths
    return out


@pytest.mark.parametrize("name", ["rgb8", "grey16", "rgba8", "ten_bits", "bmp"])
def test_two_paths_measure_as_their_decoded_arrays(files, name):
    first, second = files[name]
    from_files = citra.measure(first, second)
    (a, peak), b = citra.load(first, return_peak=True), citra.load(second)
    from_arrays = citra.measure(a, b, peak=peak)
    assert from_files["original"] == first and from_files["manipulated"] == second
    assert from_arrays["original"] is None and from_arrays["manipulated"] is None
    assert {k: v for k, v in from_files.items() if k not in ("original", "manipulated")} == \
        {k: v for k, v in from_arrays.items() if k not in ("original", "manipulated")}
    assert from_files["changed_samples"] > 0
    # A path beside an array: the path's name, the array's None.
    mixed = citra.measure(first, b, peak=peak)
    assert mixed["original"] == first and mixed["manipulated"] is None and mixed["mse"] == from_files["mse"]


def test_a_file_that_cannot_be_read_fails_the_pair(files, tmp_path):
    missing = str(tmp_path / "missing.png")
    row = citra.measure(files["rgb8"][0], missing, errors="return")
    assert row["original"] == files["rgb8"][0] and row["manipulated"] == missing
    assert row["error"].startswith(missing + ": ") and row["mse"] is None
    with pytest.raises(citra.PairError, match="missing.png") as raised:
        citra.measure(missing, np.zeros((23, 31, 3), np.uint8))
    assert raised.value.row["original"] == missing and raised.value.row["manipulated"] is None
