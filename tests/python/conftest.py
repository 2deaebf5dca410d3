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
def run_tool():
    """Runs the citra executable with these arguments; its CompletedProcess."""
    exe = os.environ.get("CITRA_EXE")
    if not exe:
        pytest.fail("CITRA_EXE names no citra executable")
    # Under the sanitizers Python runs with their runtime preloaded; the
    # tool carries its own.
    env = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
    return lambda *args: subprocess.run([exe, *args], capture_output=True, env=env)


@pytest.fixture(scope="session")
def cli(run_tool):
    """Runs citra --json; its exit status and its JSON lines."""
    def run(*args):
        done = run_tool("--json", *args)
        return done.returncode, [json.loads(line) for line in done.stdout.decode("utf-8").splitlines() if line]

    return run


@pytest.fixture(scope="session")
def corpus():
    if not os.path.isdir(CORPUS):
        pytest.skip("no bitmap corpus at " + CORPUS)
    return CORPUS
