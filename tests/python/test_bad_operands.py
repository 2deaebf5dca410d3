"""Operands that cannot be used raise Python's own errors, never crash the
interpreter: an array too large to copy into C order raises MemoryError,
a path holding a NUL byte raises ValueError (as open() does)."""
import os

import numpy as np
import pytest

import citra
import citra.dask


@pytest.mark.skipif("asan" in os.environ.get("LD_PRELOAD", ""),
                    reason="under AddressSanitizer a refused allocation of this size aborts the process")
@pytest.mark.parametrize("call", [
    lambda big: citra.histogram(big),
    lambda big: citra.compare(big, big),
    lambda big: citra.measure(big, big),
])
def test_an_array_too_large_to_copy_raises_memory_error(call):
    # 30 GB once in C order: more than the machine's memory, so the copy is refused.
    big = np.broadcast_to(np.uint8(1), (100000, 100000, 3))
    with pytest.raises(MemoryError):
        call(big)


@pytest.mark.parametrize("call", [
    lambda p, q: citra.load(p),
    lambda p, q: citra.compare(p, q),
    lambda p, q: citra.measure(p, q),
    lambda p, q: citra.histogram(p),
    lambda p, q: citra.dask.pairs(p, [q]),
])
@pytest.mark.parametrize("kind", [str, os.fsencode])
def test_a_path_with_a_nul_byte_raises_value_error(tmp_path, call, kind):
    # The name up to the NUL exists: reading it would give a wrong picture.
    real = tmp_path / "secret"
    real.write_bytes(b"P5\n1 1\n255\n\x07")
    named = kind(str(real) + "\0.pgm")
    with pytest.raises(ValueError, match="null byte"):
        call(named, named)
