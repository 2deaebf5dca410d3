# citra.detect and citra.dask.detect against the tool: the same objects as
# `citra --json detect`, the frame pandas reads from `citra --csv detect`,
# and failures raised (or returned) naming the file.
import io
import json
import os

import numpy as np
import pytest

import citra
import citra.dask
from citra_vs_skimage import write


def smooth(rng, shape, payload):
    """A smooth picture with noise, LSBs replaced at `payload` of the samples."""
    h, w, c = shape
    y, x = np.mgrid[0:h, 0:w]
    base = (40 + 3 * x + 2 * y)[:, :, None] + 17 * np.arange(c) + rng.integers(0, 7, shape)
    samples = np.clip(base, 0, 255).astype(np.uint8)
    hit = rng.random(shape) < payload
    samples[hit] = (samples[hit] & 0xFE) | rng.integers(0, 2, int(hit.sum()), dtype=np.uint8)
    return samples


@pytest.fixture(scope="module")
def images(tmp_path_factory):
    """covers/ and lsb/ of RGB PNG and grey PGM files, and beside them a
    16-bit PNG, a file that is no picture and a picture too small for most
    estimators."""
    root = tmp_path_factory.mktemp("detect")
    rng = np.random.default_rng(5)
    for folder, payload in (("covers", 0.0), ("lsb", 0.4)):
        (root / folder).mkdir()
        for i in range(7):
            if i % 2:
                write(str(root / folder / f"{i:02}.pgm"), smooth(rng, (20, 26, 1), payload), "pnm", maxval=255)
            else:
                write(str(root / folder / f"{i:02}.png"), smooth(rng, (18, 24, 3), payload), "png")
    write(str(root / "deep.png"), rng.integers(0, 65536, (9, 9, 1), dtype=np.uint16), "png", bits=16)
    (root / "broken.png").write_bytes(b"not a picture")
    write(str(root / "tiny.png"), np.full((2, 3, 1), 7, np.uint8), "png")
    (root / "pairs.csv").write_text(
        "original,manipulated,group\n%s,%s,lsb\n%s,%s,lsb\n" % (root / "covers/00.png", root / "lsb/00.png",
                                                              root / "covers/01.pgm", root / "lsb/01.pgm"))
    return root


@pytest.mark.parametrize("name", ["covers/00.png", "lsb/00.png", "lsb/03.pgm", "tiny.png"])
def test_detect_is_the_tools_object(cli, images, name):
    path = str(images / name)
    status, lines = cli("detect", path)
    assert status == 0
    assert citra.detect(path) == lines[0]
    # The decoded array gives the same numbers, without a path.
    from_array = citra.detect(citra.load(path), threads=1)
    assert from_array["path"] is None
    assert {**from_array, "path": path} == lines[0]


def test_detect_holds_every_channels_estimates(images):
    row = citra.detect(str(images / "lsb/00.png"))
    assert [c["channel"] for c in row["channels"]] == ["R", "G", "B"]
    for channel in row["channels"]:
        missing = set()
        for key in ("rs", "spa", "ws", "ws_plain"):
            if channel[key] is None:
                missing.add(key)
                assert channel[key + "_clamped"] is None
            else:
                assert channel[key + "_clamped"] == min(max(channel[key], 0.0), 1.0)
        assert [step["percent"] for step in channel["chi2_profile"]] == [1] + list(range(5, 101, 5))
        assert channel["chi2_profile"][-1]["p"] == channel["chi2_p"]
        assert set(channel["reasons"]) == missing
        assert "ws" not in missing
    # The overall: the mean of the clamped estimates over the channels.
    assert row["ws"] == sum(c["ws_clamped"] for c in row["channels"]) / 3
    assert (row["rs"] is None) == any(c["rs"] is None for c in row["channels"])
    tiny = citra.detect(str(images / "tiny.png"))
    assert tiny["rs"] is None and tiny["ws"] is None
    assert set(tiny["channels"][0]["reasons"]) == {"rs", "ws", "ws_plain", "chi2"}


@pytest.mark.parametrize("name, raised", [("missing.png", citra.ReadError), ("broken.png", citra.ReadError),
                                          ("deep.png", citra.Error)])
def test_a_failure_names_the_file(cli, images, name, raised):
    path = str(images / name)
    with pytest.raises(raised) as caught:
        citra.detect(path)
    assert str(caught.value).startswith(path + ": ")
    assert (type(caught.value) is citra.ReadError) == (raised is citra.ReadError)
    status, lines = cli("detect", path)
    assert status == 1
    assert caught.value.row == lines[0]
    assert citra.detect(path, errors="return") == lines[0]


def test_an_array_of_16_bit_samples_is_refused():
    with pytest.raises(citra.Error, match="8-bit"):
        citra.detect(np.zeros((8, 8), np.uint16))


@pytest.fixture(scope="module")
def client():
    # Only the Dask tests need it: the others run without.
    distributed = pytest.importorskip("distributed")
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                       silence_logs=40)
    with cluster, distributed.Client(cluster) as connected:
        yield connected


@pytest.mark.parametrize("operands", [["covers", "lsb", "deep.png", "tiny.png"], ["--pairs"]])
def test_dask_detect_is_read_csv_of_the_tools_csv(client, run_tool, cli, images, operands):
    pandas = pytest.importorskip("pandas")
    if operands == ["--pairs"]:
        args, call = ["--pairs", str(images / "pairs.csv")], dict(paths_or_folders=None, pairs=str(images / "pairs.csv"))
    else:
        paths = [str(images / o) for o in operands]
        args, call = paths, dict(paths_or_folders=paths)
    done = run_tool("--csv", "detect", *args)
    assert done.returncode == (1 if "deep.png" in operands else 0), done.stderr
    want = pandas.read_csv(io.BytesIO(done.stdout))
    frame = citra.dask.detect(client=client, npartitions=3, **call)
    pandas.testing.assert_frame_equal(frame, want, check_exact=True)
    # frame=False: the tool's JSON objects, one per image.
    status, lines = cli("detect", *args)
    assert citra.dask.detect(client=client, frame=False, **call) == lines


def test_dask_detect_of_nothing_is_an_empty_frame_with_the_columns(client, images):
    frame = citra.dask.detect([], client)
    assert len(frame) == 0
    assert list(frame.columns)[:5] == ["path", "group", "width", "height", "channel"]
    with pytest.raises(citra.ReadError):
        citra.dask.detect(None, client, pairs=str(images / "missing.csv"))


@pytest.mark.parametrize("cover, stego", [("covers/00.png", "lsb/00.png"), ("covers/01.pgm", "lsb/01.pgm")])
def test_measure_detect_adds_both_images_overall_estimates(cli, images, cover, stego):
    a, b = str(images / cover), str(images / stego)
    status, lines = cli("--detect", "measure", a, b)
    assert status == 0
    row = citra.measure(a, b, detect=True)
    assert row == lines[0]
    keys = list(row)
    assert keys[-9:] == ["error", "stego_rs", "stego_spa", "stego_ws", "stego_chi2_p",
                         "cover_rs", "cover_spa", "cover_ws", "cover_chi2_p"]
    for side, path in (("stego_", b), ("cover_", a)):
        overall = citra.detect(path)
        assert [row[side + k] for k in ("rs", "spa", "ws", "chi2_p")] == [overall[k] for k in ("rs", "spa", "ws",
                                                                                               "chi2_p")]
    # Arrays give the same estimates; without detect the keys are measure's own.
    from_arrays = citra.measure(citra.load(a), citra.load(b), detect=True)
    assert [from_arrays[k] for k in keys[-8:]] == [row[k] for k in keys[-8:]]
    assert list(citra.measure(a, b)) == keys[:-8]
