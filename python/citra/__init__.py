"""citra: how far a manipulated image has drifted from its original.

The core of the command-line tool ``citra`` as a Python module: the same
readers, limits and messages, the same numbers to the last bit.

Images are numpy arrays of height x width x channels (1 grey, 2 grey and
alpha, 3 RGB, 4 RGBA; a 2-D array is grey), rows from the top, uint8 or
uint16 samples. Wherever an image is taken, a path (str, bytes or
os.PathLike) may stand for it and is read as ``load`` reads it. Arrays are
read where they lie when C-contiguous (copied once otherwise), and the GIL
is released while the core computes, so Python threads run in parallel.

``peak`` (arrays only) is the largest value a sample may take: by default
255 for uint8 and 65535 for uint16; for 10-bit data in uint16 give 1023.

Errors: ``citra.ReadError`` for a file that cannot be read,
``citra.PairError`` for a pair that gives no result; both derive from
``citra.Error``. Arguments of the wrong type or shape raise TypeError or
ValueError.

``citra.dask.compare`` runs a study of many pairs on a Dask cluster.
"""
import json
import os

from . import _citra
from ._citra import Error, PairError, ReadError, __version__

__all__ = ["Error", "ReadError", "PairError", "load", "compare", "histogram", "ssim_map", "diff", "default_threads"]


def _operand(image):
    """An image argument as the core takes it: a path as bytes, else as given."""
    if isinstance(image, (str, bytes, os.PathLike)):
        return os.fsencode(image)
    return image


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
    """The image in the file as a numpy array (height x width x channels).

    uint8 or uint16 as the file stores its samples. BMP (every depth), PNG,
    TIFF, JPEG and PGM/PPM/PBM, chosen by the extension, read as
    ``citra compare`` reads them. With ``return_peak`` a pair (array,
    peak): the largest value a sample can take, which for a PNM file is its
    maxval (give it as ``peak`` when comparing the array). Raises ReadError
    naming the file.
    """
    samples, peak = _citra.load(os.fsencode(path))
    return (samples, peak) if return_peak else samples


def _row(text, a, b):
    row = json.loads(text)
    # An array has no name: None where the tool writes the file's.
    if not isinstance(_operand(a), bytes):
        row["original"] = None
    if not isinstance(_operand(b), bytes):
        row["manipulated"] = None
    return row


def compare(a, b, *, ssim=False, threads=0, peak=None, errors="raise"):
    """The metrics of a pair: one line of ``citra --json compare`` as a dict.

    Keys: ``original``, ``manipulated`` (the paths; None for an array),
    ``mse``, ``psnr``, ``mse_text``, ``psnr_text`` (the desktop program's
    numbers, None with ``mse_unavailable`` saying why unless both images are
    8-bit RGB), and ``standard``: per-sample ``mse``, ``psnr`` (None when
    identical), ``ssim`` (with ``ssim=True``), ``identical``, ``peak``,
    ``changed_samples``, ``max_abs_diff`` and ``channels``.

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
    ``image``: uint8, height x width x channels.
    """
    return _citra.diff(_operand(a), _operand(b), mode, gain, plane, threads, peak)
