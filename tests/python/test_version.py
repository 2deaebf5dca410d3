"""citra.__version__ is the version the tool prints, from the one place CMake keeps it."""
import re

import citra


def test_version_is_the_tools(run_tool):
    done = run_tool("--version")
    assert done.returncode == 0
    match = re.fullmatch(r"citra (\S+)( \(git [0-9a-f]+\))?\n", done.stdout.decode("utf-8"))
    assert match, done.stdout
    assert citra.__version__ == match.group(1)
    assert re.fullmatch(r"\d+\.\d+(\.\d+)*", citra.__version__)
