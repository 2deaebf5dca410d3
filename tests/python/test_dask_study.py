# citra.dask.compare on a local cluster of two worker processes: every row
# equals the tool's line for the same pair, in the tool's order, failed
# pairs included.
import math
import os
import shutil

import numpy as np
import pytest

import citra
import citra.dask
from citra_vs_skimage import write

distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def client():
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                       silence_logs=40)
    with cluster, distributed.Client(cluster) as connected:
        yield connected


@pytest.fixture(scope="module")
def study(tmp_path_factory, corpus):
    """covers/ and stego/: PNG, PGM and BMP pairs, a file without a
    partner, a stego that cannot be decoded, a pair of different sizes."""
    root = tmp_path_factory.mktemp("study")
    covers, stego = root / "covers", root / "stego"
    covers.mkdir()
    stego.mkdir()
    rng = np.random.default_rng(11)
    for i in range(23):
        a = rng.integers(0, 256, (24 + i % 3, 30, 3), dtype=np.uint8)
        b = np.clip(a.astype(int) + rng.integers(-3, 4, a.shape), 0, 255).astype(np.uint8)
        kind = ("png", "bmp", "pnm")[i % 3]
        ext = {"pnm": "ppm"}.get(kind, kind)
        write(str(covers / f"{i:03}.{ext}"), a, kind, maxval=255)
        write(str(stego / f"{i:03}.png"), b, "png")
    write(str(covers / "only_cover.png"), np.zeros((12, 12, 3), np.uint8), "png")
    (stego / "005.png").write_bytes(b"not a picture")
    write(str(stego / "007.png"), np.zeros((5, 5, 3), np.uint8), "png")
    shutil.copy(os.path.join(corpus, "g", "rgb24.bmp"), covers / "corpus.bmp")
    shutil.copy(os.path.join(corpus, "g", "rgb24pal.bmp"), stego / "corpus.bmp")
    return str(covers), str(stego)


def test_a_study_on_two_workers_gives_the_tools_lines(client, cli, study):
    status, lines = cli("--ssim", "compare", *study)
    assert status == 1  # the failed pairs
    with distributed.get_task_stream(client) as tasks:
        rows = citra.dask.compare(*study, client, ssim=True, frame=False)
    assert rows == lines
    assert sum("error" in row for row in rows) == 3
    assert len({task["worker"] for task in tasks.data}) == 2  # both workers computed pairs


def test_the_frame_holds_the_same_rows(client, cli, study):
    _, lines = cli("compare", *study)
    frame = citra.dask.compare(*study, client, npartitions=5)
    assert list(frame["original"]) == [line["original"] for line in lines]
    for line, record in zip(lines, frame.to_dict("records")):
        present = {k: v for k, v in record.items() if not (isinstance(v, float) and math.isnan(v))}
        assert present == {k: v for k, v in line.items() if v is not None}


def test_an_original_against_files_and_folders_and_lists_of_pairs(client, cli, corpus, tmp_path):
    g = os.path.join(corpus, "g")
    original = os.path.join(g, "rgb24.bmp")
    operands = [g, os.path.join(g, "pal8.bmp"), str(tmp_path / "missing.bmp"), str(tmp_path)]
    _, lines = cli("compare", original, *operands)
    assert citra.dask.compare(original, operands, client, frame=False) == lines
    firsts = [original, os.path.join(g, "pal4.bmp")]
    seconds = [os.path.join(g, "rgb24pal.bmp"), os.path.join(g, "pal8.bmp")]
    assert citra.dask.compare(firsts, seconds, client, frame=False) == \
        [cli("compare", a, b)[1][0] for a, b in zip(firsts, seconds)]
    with pytest.raises(ValueError, match="differ in length"):
        citra.dask.compare(firsts, seconds[:1], client)


def test_without_a_client_and_without_pairs(study, tmp_path):
    """Dask's default scheduler (local processes) gives the same rows."""
    assert citra.dask.compare(*study, frame=False) == citra.dask.compare(*study, frame=False, npartitions=1)
    empty = tmp_path / "empty"
    empty.mkdir()
    rows = citra.dask.compare(str(empty), study[1], frame=False)
    assert len(rows) == 1 and "error" in rows[0]
