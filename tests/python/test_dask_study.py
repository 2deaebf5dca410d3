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


@pytest.fixture(scope="module")
def measure_study(tmp_path_factory):
    """covers/ against two stego folders (one with a comma in its name):
    grey (8 and 16 bit, bilevel), RGB and RGBA pairs, an identical pair, a
    pair too small for SSIM, a stego that cannot be decoded, a pair of
    different sizes and a cover without a partner."""
    root = tmp_path_factory.mktemp("measure_study")
    covers, lsb, dct = root / "covers", root / "stego-lsb", root / "stego, dct"
    for folder in (covers, lsb, dct):
        folder.mkdir()
    rng = np.random.default_rng(13)
    for i, (shape, bits) in enumerate([((21, 25, 1), 8), ((22, 20, 1), 16), ((20, 23, 3), 8), ((24, 21, 4), 8),
                                       ((23, 22, 3), 16), ((9, 10, 3), 8), ((20, 20, 1), 8), ((21, 21, 3), 8)]):
        dtype = np.uint8 if bits == 8 else np.uint16
        a = rng.integers(0, 1 << bits, shape).astype(dtype)
        if i == 6:  # bilevel
            a = (a >= 128).astype(dtype) * 255
        write(str(covers / f"{i:02}.png"), a, "png", bits=bits)
        for k, folder in enumerate((lsb, dct)):
            b = a ^ ((rng.random(shape) < 0.1 * (k + 1)) * (255 if i == 6 else 1)).astype(dtype)
            write(str(folder / f"{i:02}.png"), a if i == 7 and k == 0 else b, "png", bits=bits)
    write(str(covers / "only_cover.png"), np.zeros((12, 12, 3), np.uint8), "png")
    (lsb / "02.png").write_bytes(b"not a picture")
    write(str(dct / "03.png"), np.zeros((5, 5, 4), np.uint8), "png")
    return str(covers), [str(lsb), str(dct)]


def study_operands(measure_study, layout):
    covers, stegos = measure_study
    if layout == "study":
        return covers, stegos
    # One original against a file, a folder and a missing file.
    return os.path.join(covers, "02.png"), [os.path.join(stegos[1], "02.png"), stegos[0],
                                            os.path.join(covers, "missing.png")]


@pytest.mark.parametrize("layout", ["study", "one original"])
def test_the_measure_frame_is_read_csv_of_the_tools_csv(client, run_tool, measure_study, layout):
    pandas = pytest.importorskip("pandas")
    import io

    covers, stegos = study_operands(measure_study, layout)
    done = run_tool("--csv", "measure", covers, *stegos)
    if done.returncode == 2 and b"unknown command" in done.stderr:
        pytest.skip("the built citra has no measure command yet: " + done.stderr.decode().splitlines()[0])
    assert done.returncode == 1, done.stderr  # the failed pairs
    want = pandas.read_csv(io.BytesIO(done.stdout))
    frame = citra.dask.measure(covers, stegos, client, npartitions=3)
    pandas.testing.assert_frame_equal(frame, want, check_exact=True)
    assert frame["error"].notna().any() and frame["error"].isna().any()  # failed and measured pairs both


@pytest.mark.parametrize("layout", ["study", "one original"])
def test_measure_rows_are_the_modules_rows_with_their_group(client, measure_study, layout):
    covers, stegos = study_operands(measure_study, layout)
    listed = citra.dask.pairs(covers, stegos)
    assert all(len(pair) == 3 for pair in listed)
    rows = citra.dask.measure(covers, stegos, client, frame=False)
    assert [(row["original"], row["manipulated"]) for row in rows] == \
        [(os.fsdecode(a), os.fsdecode(b)) for a, b, _ in listed]
    groups = set()
    for (a, b, error), row in zip(listed, rows):
        groups.add(row["group"])
        if error is not None:
            assert row["error"] == error and row["mse"] is None
            continue
        want = citra.measure(a, b, errors="return")
        assert {k: v for k, v in row.items() if k != "group"} == {k: v for k, v in want.items() if k != "group"}
    # A study's group is its stego folder; beside one original, the folder
    # that gave the pair, else empty.
    assert groups == (set(stegos) if layout == "study" else {"", stegos[1]})
    assert any(row["psnr"] == math.inf and row["identical"] for row in rows) == (layout == "study")


def test_the_measure_frame_keeps_infinity_and_the_columns(client, measure_study):
    pandas = pytest.importorskip("pandas")
    frame = citra.dask.measure(*measure_study, client)
    rows = citra.dask.measure(*measure_study, client, frame=False)
    assert list(frame.columns) == list(rows[0])
    assert list(frame["psnr"].isin([math.inf])) == [row["psnr"] == math.inf for row in rows]
    assert list(frame["group"]) == [row["group"] for row in rows]
    assert frame["ssim"].dtype == float and frame["ssim"].isna().sum() == sum(row["ssim"] is None for row in rows)
    assert frame["ssim_unavailable"].notna().sum() == 2  # the 9 x 10 pair in each stego folder
    empty = citra.dask.measure([], [], client)
    assert isinstance(empty, pandas.DataFrame) and list(empty.columns) == list(rows[0]) and empty.empty
