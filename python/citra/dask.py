"""Studies of many pairs spread over a Dask cluster.

``compare(covers, stegos, client)`` pairs the files as ``citra compare``
pairs its operands, computes each pair with the module on the workers and
returns one row per pair, in the order of the pairs; a failed pair is a
row with its message, never dropped. Every row equals the line
``citra --json compare`` writes for that pair.

The workers open the files themselves: on a cluster give paths every
worker can reach (shared storage, absolute paths), and install the module
on every worker. A worker that computes pairs keeps up to 256 MiB of
freed memory for reuse (glibc's allocator settings, as the tool sets them).
"""
import json
import math
import os

from . import _citra

__all__ = ["pairs", "compare"]


def _is_path(value):
    return isinstance(value, (str, bytes, os.PathLike))


def _paths(values):
    return [os.fsencode(v) for v in ([values] if _is_path(values) else values)]


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
    if _is_path(covers):
        found = _citra.list_pairs([os.fsencode(covers)] + _paths(stegos))
    else:
        originals, manipulated = _paths(covers), _paths(stegos)
        if len(originals) != len(manipulated):
            raise ValueError("covers and stegos differ in length: %d and %d" % (len(originals), len(manipulated)))
        found = [(a, b, None) for a, b in zip(originals, manipulated)]
    return [(a, b, os.fsdecode(e) if e is not None else None) for a, b, e in found]


def _rows(batch, ssim):
    """The rows of a partition of pairs, computed on a worker."""
    # Worker threads' freed blocks kept for the next pair rather than handed
    # back to the kernel and faulted in again: ten times the pairs per
    # second on small files (bench/RESULTS.md).
    _citra.tune_allocator()
    out = []
    for original, manipulated, error in batch:
        failure = os.fsencode(error) if error is not None else None
        out.append(json.loads(_citra.pair_json(original, manipulated, failure, ssim, 1)))
    return out


def _default_partitions(client, count):
    # The threads of the client's workers; without a client, those this
    # process may use (its affinity mask and CPU quota), as the module and
    # the tool count them.
    threads = sum(client.nthreads().values()) if client is not None else _citra.default_threads()
    return max(1, min(count, 4 * threads))


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
    import dask.bag

    found = pairs(covers, stegos)
    rows = []
    if found:
        parts = npartitions or _default_partitions(client, len(found))
        bag = dask.bag.from_sequence(found, partition_size=math.ceil(len(found) / parts))
        rows = bag.map_partitions(_rows, bool(ssim)).compute(**({"scheduler": client} if client is not None else {}))
    if not frame:
        return rows
    try:
        import pandas
    except ImportError:
        return rows
    return pandas.DataFrame.from_records(rows)
