"""Studies of many pairs spread over a Dask cluster.

``compare(covers, stegos, client)`` and ``measure(covers, stegos, client)``
pair the files as the command-line tool pairs its operands, compute each
pair with the module on the workers and return one row per pair, in the
order of the pairs; a failed pair is a row with its message, never
dropped. Every row of ``compare`` equals the line ``citra --json compare``
writes for that pair; the frame of ``measure`` equals ``pandas.read_csv``
of ``citra --csv measure``. ``detect(paths_or_folders, client)`` runs the
estimators of LSB replacement on many files, its frame that of
``citra --csv detect``.

The workers open the files themselves: on a cluster give paths every
worker can reach (shared storage, absolute paths), and install the module
on every worker. A worker that computes pairs keeps up to 256 MiB of
freed memory for reuse (glibc's allocator settings, as the tool sets them).
"""
import io
import json
import math
import os

from . import _citra, _path

__all__ = ["pairs", "compare", "measure", "detect"]


def _is_path(value):
    return isinstance(value, (str, bytes, os.PathLike))


def _paths(values):
    return [_path(v) for v in ([values] if _is_path(values) else values)]


def pairs(covers, stegos):
    """The pairs of a study as (original, manipulated, error) tuples.

    - ``covers`` a folder: ``stegos`` one or more folders; files are matched
      by name without extension, as ``citra compare COVERS/ STEGO/...``;
    - ``covers`` a file: ``stegos`` files or folders (a folder stands for the
      image files in it), each compared with that one original;
    - ``covers`` a list of files: ``stegos`` a list as long, pair by pair.
    Paths are bytes; ``error`` is None, or why the pair cannot be compared
    (a file without a partner, a folder that cannot be listed). A covers
    folder with a stego that is not a folder raises ValueError, as the
    command-line tool refuses it.
    """
    return [(a, b, os.fsdecode(e) if e is not None else None) for a, b, e, _group in _listed(covers, stegos)]


def _listed(covers, stegos):
    """The pairs as (original, manipulated, error, group), all bytes but an
    error of None: the group is the stego folder of a study, the folder
    beside one original that gave the pair, else empty."""
    if _is_path(covers):
        return _citra.list_pairs([_path(covers)] + _paths(stegos))
    originals, manipulated = _paths(covers), _paths(stegos)
    if len(originals) != len(manipulated):
        raise ValueError("covers and stegos differ in length: %d and %d" % (len(originals), len(manipulated)))
    return [(a, b, None, b"") for a, b in zip(originals, manipulated)]


def _rows(batch, ssim):
    """The rows of compare for a partition of pairs, computed on a worker."""
    # Worker threads' freed blocks kept for the next pair rather than handed
    # back to the kernel and faulted in again: ten times the pairs per
    # second on small files (bench/RESULTS.md).
    _citra.tune_allocator()
    return [json.loads(_citra.pair_json(original, manipulated, error, ssim, 1))
            for original, manipulated, error, _group in batch]


def _measure_rows(batch, ssim):
    """The rows of measure for a partition of pairs, computed on a worker."""
    _citra.tune_allocator()
    return [_citra.measure_pair(original, manipulated, error, group, ssim, 1)
            for original, manipulated, error, group in batch]


def _default_partitions(client, count):
    # The threads of the client's workers; without a client, those this
    # process may use (its affinity mask and CPU quota), as the module and
    # the tool count them.
    threads = sum(client.nthreads().values()) if client is not None else _citra.default_threads()
    return max(1, min(count, 4 * threads))


def _run(compute, covers, stegos, client, ssim, npartitions):
    """The rows of every pair, computed by ``compute`` on the workers, in
    the order of the pairs."""
    import dask.bag

    found = _listed(covers, stegos)
    if not found:
        return []
    parts = npartitions or _default_partitions(client, len(found))
    bag = dask.bag.from_sequence(found, partition_size=math.ceil(len(found) / parts))
    return bag.map_partitions(compute, bool(ssim)).compute(**({"scheduler": client} if client is not None else {}))


def compare(covers, stegos, client=None, *, ssim=False, npartitions=None, frame=True):
    """Compares every pair of a study on Dask; rows in the order of ``pairs``.

    ``client``: a ``distributed.Client`` (for example
    ``Client("tcp://scheduler:8786")``); None uses Dask's default scheduler
    (a Client made before, else local processes). Each pair is computed on
    one thread of a worker. ``npartitions``: how many tasks the pairs are
    cut into (default four per worker thread; without a client, four per
    ``citra.default_threads()``).

    Returns a pandas DataFrame whose columns are the keys of
    ``citra --json compare`` (absent and null values are NaN, ``standard``
    holds dicts), or the list of row dicts with ``frame=False`` or when
    pandas is missing.
    """
    rows = _run(_rows, covers, stegos, client, ssim, npartitions)
    if not frame:
        return rows
    try:
        import pandas
    except ImportError:
        return rows
    return pandas.DataFrame.from_records(rows)


def measure(covers, stegos, client=None, *, ssim=True, npartitions=None, frame=True):
    """Measures every pair of a study on Dask, as ``citra --csv measure``; rows in the order of ``pairs``.

    The pairs, ``client`` and ``npartitions`` as for ``compare``. Each row
    holds the columns of ``citra.measure``, with ``group``: the stego
    folder of a study, the folder beside one original that gave the pair,
    else empty. ``ssim``: compute SSIM (the tool's default; its
    ``--no-ssim`` is ``ssim=False``).

    Returns a pandas DataFrame equal to ``pandas.read_csv`` of the tool's
    CSV for the same pairs: the same columns in the same order, the same
    values and the dtypes pandas gives them (psnr ``inf`` for identical
    pairs, empty fields NaN, an empty group NaN). The numbers pass through
    the same text as the tool's, so they are pandas' reading of it, which
    may differ from the exact double in its last bit; with ``frame=False``
    (or without pandas) the list of dicts ``citra.measure`` gives, exact.
    """
    rows = _run(_measure_rows, covers, stegos, client, ssim, npartitions)
    if not frame:
        return rows
    try:
        import pandas
    except ImportError:
        return rows
    # A name that is not UTF-8 is kept as os.fsdecode gives it.
    return pandas.read_csv(io.BytesIO(_citra.measure_csv(rows)), encoding_errors="surrogateescape")


def _detect_rows(batch):
    """The JSON text and CSV rows of detect for a partition of images, computed on a worker."""
    _citra.tune_allocator()
    return [_citra.detect_listed(path, group, error, 1) for path, group, error in batch]


def detect(paths_or_folders, client=None, *, pairs=None, npartitions=None, frame=True):
    """Runs ``citra detect`` on every image on Dask; rows in the order of the listing.

    ``paths_or_folders``: a path or a list of paths, files as given and
    folders as every image file directly inside them (the folder is the
    images' group), as ``citra detect FILE|FOLDER...``; or, with ``pairs``
    the path of a pairs file (and ``paths_or_folders`` None or empty), every
    file of it once, as ``citra detect --pairs FILE`` (originals in the
    group "cover"). ``client`` and ``npartitions`` as for ``compare``.

    Returns a pandas DataFrame equal to ``pandas.read_csv`` of
    ``citra --csv detect`` on the same operands: one row per image and
    colour channel (a failed image one row with its ``error``), the tool's
    columns in its order. With ``frame=False`` (or without pandas) the list
    of dicts ``citra.detect`` gives, one per image, exact. A pairs file
    that cannot be read raises ``citra.ReadError``.
    """
    import dask.bag

    operands = [] if paths_or_folders is None else _paths(paths_or_folders)
    if pairs is not None and operands:
        raise ValueError("give either paths_or_folders or pairs, not both")
    found = _citra.list_images(operands, None if pairs is None else _path(pairs))
    results = []
    if found:
        parts = npartitions or _default_partitions(client, len(found))
        bag = dask.bag.from_sequence(found, partition_size=math.ceil(len(found) / parts))
        results = bag.map_partitions(_detect_rows).compute(**({"scheduler": client} if client is not None else {}))
    if not frame:
        return [json.loads(text) for text, _rows in results]
    try:
        import pandas
    except ImportError:
        return [json.loads(text) for text, _rows in results]
    csv = _citra.detect_csv_header() + b"".join(rows for _text, rows in results)
    return pandas.read_csv(io.BytesIO(csv), encoding_errors="surrogateescape")
