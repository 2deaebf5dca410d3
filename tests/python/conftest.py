# Shared by the module's tests: the citra executable they agree with, and
# the files of the tool's own comparison cases.
import json
import os
import subprocess
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "reference"))

CORPUS = os.environ.get("CITRA_BMPSUITE", os.path.join(HERE, "..", "..", "..", "shared", "bmpsuite"))


@pytest.fixture(scope="session")
def cli():
    """Runs the citra executable; returns its exit status and its JSON lines."""
    exe = os.environ.get("CITRA_EXE")
    if not exe:
        pytest.fail("CITRA_EXE names no citra executable")

    def run(*args):
        done = subprocess.run([exe, "--json", *args], capture_output=True)
        lines = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines() if line]
        return done.returncode, lines

    return run


@pytest.fixture(scope="session")
def corpus():
    if not os.path.isdir(CORPUS):
        pytest.skip("no bitmap corpus at " + CORPUS)
    return CORPUS
