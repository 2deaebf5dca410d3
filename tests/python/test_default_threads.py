# citra.default_threads(), what threads=0 stands for: the CPUs this process
# may run on (its affinity mask), fewer under a cgroup CPU quota. A process
# whose mask is narrowed counts the narrower mask; citra.dask sizes its work
# without a client by the same count.
import os
import subprocess
import sys

import pytest

import citra

PROBE = """
import os, sys
os.sched_setaffinity(0, {int(cpu) for cpu in sys.argv[1:]})
import citra, citra.dask
print(len(os.sched_getaffinity(0)), citra.default_threads(), citra.dask._default_partitions(None, 1000))
"""


def test_counts_at_most_the_cpus_of_the_mask():
    count = citra.default_threads()
    assert isinstance(count, int)
    assert 1 <= count <= len(os.sched_getaffinity(0))
    assert citra.default_threads() == count


@pytest.mark.parametrize("cpus", [1, 2])
def test_a_narrowed_mask_lowers_the_count(cpus):
    mask = sorted(os.sched_getaffinity(0))
    if len(mask) < cpus:
        pytest.skip("this process may run on %d CPU(s); the test needs %d" % (len(mask), cpus))
    here = citra.default_threads()
    if cpus == 1 and here < 2:
        pytest.skip("this process counts one thread already (a quota of one CPU): one CPU cannot lower it")
    done = subprocess.run([sys.executable, "-c", PROBE, *map(str, mask[:cpus])], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    affinity, threads, partitions = map(int, done.stdout.split())
    assert affinity == cpus
    # The child's quota is this process's: here is min(this mask, quota).
    assert threads == min(cpus, here)
    assert partitions == 4 * threads
