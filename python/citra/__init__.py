"""citra: how far a manipulated image has drifted from its original.

The core of the command-line tool ``citra`` as a Python module: the same
readers, limits and messages, the same numbers to the last bit.

Images are numpy arrays, rows from the top, uint8 or uint16 samples:
height x width for grey, height x width x channels for 2 (grey and alpha),
3 (RGB) or 4 (RGBA); height x width x 1 is taken as grey too. ``load``
returns a grey file as height x width. Wherever an image is taken, a path
(str, bytes or os.PathLike) may stand for it and is read as ``load`` reads
it, and any other object is taken as ``numpy.asarray`` sees it (a Pillow
image in mode L, I;16, LA, RGB or RGBA, for instance; convert a palette
image first, or its indices are taken as grey). Arrays are read where they
lie when C-contiguous (copied once otherwise), and the GIL is released
while the core computes, so Python threads run in parallel.

``peak`` (arrays only) is the largest value a sample may take: by default
255 for uint8 and 65535 for uint16; for 10-bit data in uint16 give 1023.

Errors: ``citra.ReadError`` for a file that cannot be read,
``citra.PairError`` for a pair that gives no result; both derive from
``citra.Error``. Arguments of the wrong type or shape raise TypeError or
ValueError.

``measure`` gives the figures of the field (MSE, PSNR, SSIM, MAE, NC, BER,
changes; overall and per channel) as one flat dict per pair, the row of
``citra --csv measure``; ``citra.dask.measure`` and ``citra.dask.compare``
run a study of many pairs on a Dask cluster.

``detect`` estimates how much of an 8-bit image carries LSB replacement
(RS, SPA, WS and the chi-square attack, per colour channel), the object
``citra --json detect`` writes; ``citra.dask.detect`` runs it on many files.
"""
import json
import os
import warnings

import numpy

from . import _citra
from ._citra import Error, PairError, ReadError, __version__

__all__ = ["Error", "ReadError", "PairError", "load", "compare", "measure", "detect", "histogram", "ssim_map",
           "diff", "default_threads"]


def _path(path):
    """A path as the core takes it: bytes; one holding a NUL byte raises
    ValueError, as open() does (the system would read the name up to it)."""
    encoded = os.fsencode(path)
    if b"\0" in encoded:
        raise ValueError("embedded null byte")
    return encoded


def _operand(image):
    """An image argument as the core takes it: a path as bytes, an array as
    given, anything else as numpy.asarray sees it."""
    if isinstance(image, (str, bytes, os.PathLike)):
        return _path(image)
    if isinstance(image, numpy.ndarray):
        return image
    array = numpy.asarray(image)
    if array.dtype == object:
        raise TypeError("citra takes a path or an array of uint8 or uint16 samples, not " + type(image).__name__)
    return array


def default_threads():
    """The threads ``threads=0`` stands for: one per CPU this process may run on.

    The CPUs of the process's affinity mask (``os.sched_getaffinity``, as
    ``taskset`` or a batch system restricts it), fewer where a cgroup CPU
    quota (a container's CPU limit) allows less time than that, rounded up;
    at least 1. Worked out once per process, as the tool works out its
    ``-j`` default; ``citra.dask`` sizes its work by it too.
    """
    return _citra.default_threads()


def load(path, *, return_peak=False):
    """The image in the file as a numpy array.

    height x width for a grey file (one channel), height x width x channels
    for grey and alpha (2), RGB (3) and RGBA (4); uint8 or uint16 as the
    file stores its samples. BMP (every depth), PNG,
    TIFF, JPEG and PGM/PPM/PBM, chosen by the extension, read as
    ``citra compare`` reads them. With ``return_peak`` a pair (array,
    peak): the largest value a sample can take, which for a PNM file is its
    maxval (give it as ``peak`` when comparing the array). Raises ReadError
    naming the file.
    """
    samples, peak = _citra.load(_path(path))
    return (samples, peak) if return_peak else samples


def _row(text, a, b):
    row = json.loads(text)
    # An array has no name: None where the tool writes the file's.
    if not isinstance(a, (str, bytes, os.PathLike)):
        row["original"] = None
    if not isinstance(b, (str, bytes, os.PathLike)):
        row["manipulated"] = None
    return row


def compare(a, b, *, ssim=False, threads=0, peak=None, errors="raise"):
    """The metrics of a pair: one line of ``citra --json compare`` as a dict.

    Keys: ``original``, ``manipulated`` (the paths; None for an array),
    ``mse``, ``psnr``, ``mse_text``, ``psnr_text`` (the desktop program's
    numbers, None with ``mse_unavailable`` saying why unless both images are
    8-bit RGB), and ``standard``: per-sample ``mse``, ``psnr`` (None when
    identical), ``ssim`` (with ``ssim=True``), ``identical``, ``peak``,
    ``changed_samples``, ``max_abs_diff`` and ``channels``. A BMP file that
    lacks pixel data keeps the desktop program's numbers (its missing bytes
    count as 0), has no ``standard``, and its ``warning`` says so; the same
    text is also issued as a Python RuntimeWarning.

    Two paths are compared exactly as the tool compares them (two 24-bit
    BMP files band by band). ``threads``: 0 for ``default_threads()``. A
    pair that fails raises PairError (its ``row`` the tool's line with
    ``error``); with ``errors="row"`` that line is returned instead.
    """
    if errors not in ("raise", "row"):
        raise ValueError('errors must be "raise" or "row", not %r' % (errors,))
    row = _row(_citra.compare_json(_operand(a), _operand(b), bool(ssim), threads, peak), a, b)
    if "error" in row and errors == "raise":
        failure = PairError(row["error"])
        failure.row = row
        raise failure
    if "warning" in row:
        warnings.warn(row["warning"], RuntimeWarning, stacklevel=2)
    return row


def histogram(image, *, bins=None, peak=None):
    """The counts of every channel's sample values, as ``citra --csv histogram``.

    A dict: ``peak``; ``channels`` (names: red, green, blue, grey, alpha);
    ``bin_starts`` (the first value of each bin); ``counts`` (uint64,
    channels x bins). ``bins``: default one per value up to 256 values, else
    256. A 24-bit BMP file the desktop program takes is counted as it
    counts it.
    """
    return _citra.histogram(_operand(image), bins, peak)


def ssim_map(a, b, *, threads=0, peak=None):
    """The local SSIM of every pixel: float32, height x width.

    The mean over the colour channels (alpha left out) of the local SSIM
    (Gaussian window, sigma 1.5), whose mean over the pixels at least 5
    from every edge is ``compare(..., ssim=True)``'s SSIM; the 5-pixel
    border repeats the nearest computed pixel. Raises PairError for a pair
    that differs or is smaller than 11 x 11.
    """
    return _citra.ssim_map(_operand(a), _operand(b), threads, peak)


def diff(a, b, *, mode="abs", gain=None, plane=0, threads=0, peak=None):
    """A picture of where and how b differs from a, as ``citra diff`` draws it.

    ``mode``: "abs" (absolute sample differences, the largest white unless
    ``gain`` is given), "heat" (difference magnitude through viridis),
    "lsb" (bit ``plane`` of both images and where they differ, side by
    side) or "ssim" (the local SSIM map, 0 black to 1 white).

    A dict with the keys of ``citra --json diff``'s line (``mode``,
    ``width``, ``height``; ``gain``, ``scale_max``, ``largest`` for abs and
    heat; ``plane`` for lsb), ``description`` (the PNG's text chunks) and
    ``image``: uint8, height x width x channels (height x width for a
    grey picture).
    """
    return _citra.diff(_operand(a), _operand(b), mode, gain, plane, threads, peak)


def measure(a, b, *, ssim=True, threads=0, peak=None, errors="raise", detect=False):
    """The figures of the field for a pair: one row of ``citra --csv measure`` as a flat dict.

    The keys are the tool's columns, in its order: ``original``,
    ``manipulated`` (the paths; None for an array), ``group`` ("" here),
    ``width``, ``height``, ``channels``, ``bits``, ``peak``; the overall
    ``mse``, ``psnr``, ``ssim``, ``mae``, ``nc``, ``ber``,
    ``changed_samples``, ``change_rate``, ``max_abs_diff``, ``identical``;
    the same for each channel with its name before them (``R_mse``, ...,
    ``A_identical``, ``Y_mse`` for grey); ``ssim_unavailable`` and
    ``error``. Values are int, float, bool, str or None (what the images do
    not have, or a figure that does not apply); the PSNR of identical
    images is ``math.inf``.

    The numbers are those scikit-image and numpy give for the decoded
    arrays, every overall figure over every sample of every channel, alpha
    included: ``mse``, ``psnr`` and ``ssim`` as ``skimage.metrics`` with
    the peak as data range (``ssim`` the mean over the channels, as
    ``structural_similarity(..., channel_axis=-1, gaussian_weights=True,
    sigma=1.5, use_sample_covariance=False)``; None with
    ``ssim_unavailable`` saying why when the images are too small, and
    None without ``ssim``); ``mae`` mean |a - b|; ``nc``
    sum(a b) / sqrt(sum(a^2) sum(b^2)) (None when either is all zero);
    ``ber`` the fraction of samples that differ when both images are
    bilevel (every sample 0 or the peak), else None.

    Two paths are measured as the tool measures them; arrays (and a path
    beside an array) as decoded images. ``threads``: 0 for
    ``default_threads()``. A pair that fails (a file that cannot be read,
    images that differ in size, channels, depth or peak) raises PairError
    (its ``row`` the dict with ``error``); with ``errors="return"`` that
    dict is returned instead.

    ``detect=True`` adds, as ``citra measure --detect`` does, the overall
    LSB estimates of ``b`` and ``a`` (see ``detect``) as the last keys:
    ``stego_rs``, ``stego_spa``, ``stego_ws``, ``stego_chi2_p``,
    ``cover_rs``, ``cover_spa``, ``cover_ws``, ``cover_chi2_p`` (None for
    an image that is not 8 bits).
    """
    if errors not in ("raise", "return"):
        raise ValueError('errors must be "raise" or "return", not %r' % (errors,))
    row = _citra.measure(_operand(a), _operand(b), bool(ssim), threads, peak, bool(detect))
    if row["error"] is not None and errors == "raise":
        failure = PairError(row["error"])
        failure.row = row
        raise failure
    return row


def detect(image, *, threads=0, errors="raise"):
    """The estimates of LSB replacement in an image: the object ``citra --json detect`` writes, as a dict.

    Keys, in the tool's order: ``path`` (None for an array), ``group`` ("" here),
    ``width``, ``height``; the image's overall ``rs``, ``spa``, ``ws`` and
    ``chi2_p`` (the means over its colour channels of the clamped
    estimates, None unless every channel has one); ``channels``, one dict
    per colour channel (``channel`` "R", "G", "B" or "Y"; alpha left out)
    with ``rs``, ``spa``, ``ws``, ``ws_plain`` as computed (they may fall a
    little outside 0 to 1) and each with ``_clamped`` to 0 to 1,
    ``chi2_p``, ``chi2_statistic``, ``chi2_categories``, ``chi2_profile``
    (``[{"percent": 1, "p": ...}, ...]`` over the first 1%, 5%, ... 100%
    of samples in scan order) and ``reasons`` (why, for each estimator
    without an estimate); ``error`` (None). Numbers are exact to the bit.

    A path is read as the tool reads it; an array must hold uint8 samples.
    ``threads``: the channels side by side, 0 for ``default_threads()``.
    A file that cannot be read raises ReadError, an image that is not 8
    bits ``citra.Error``, each naming the file and with ``row``, the dict
    with ``error``; with ``errors="return"`` that dict is returned instead.
    """
    if errors not in ("raise", "return"):
        raise ValueError('errors must be "raise" or "return", not %r' % (errors,))
    text, failure = _citra.detect_json(_operand(image), threads)
    row = json.loads(text)
    if not isinstance(image, (str, bytes, os.PathLike)):
        row["path"] = None
    if failure is not None and errors == "raise":
        error = (ReadError if failure == "read" else Error)(row["error"])
        error.row = row
        raise error
    return row
