"""Resident memory stays flat over many calls (in place, copies, results, refusals, members), in a child."""
import os
import tempfile
import textwrap

import pytest

from conftest import measures_memory, run_fresh

# A buckling analysis of a plate through callruvo, then its natural frequencies (`r` is the module).
WHOLE_ANALYSES = [f"""
import sys
sys.path.insert(0, {os.path.dirname(__file__)!r})
from conftest import plate
args = plate(n=6, variant="19")
r.prtnds19.callruvo(**args)
""", """
r.prtnds19.vibs2(0)
r.prtnds19.vibs3(0, np.zeros((6, 1), np.float32), np.zeros((6, 1), np.float32), np.zeros((6, 1), np.float32),
                 0.0, 0.0, 0.0, 0.0, 0)
"""]

MEASURE = """
import gc, os, numpy as np, _ruvo as r
u = r.ruvoutils
def rss_kib():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024
def round_of_calls(i):
{body}
for i in range({warmup}):
    round_of_calls(i)
gc.collect()
before = rss_kib()
for i in range({rounds}):
    round_of_calls(i)
gc.collect()
print(rss_kib() - before)
"""

CHEAP_CALLS = """
lv = np.zeros(6, np.int32)
u.mklvbd(lv, 6, 3, 0)
a = np.arange(1.0, 16.0)
a[lv + np.arange(1, 7) - 1] += 10.0
u.chodec(a, 3, lv, 0)
u.chosol(a, 3, lv, np.ones((6, 2), order="F"), np.zeros(6))
u.probtm(a, 3, lv, np.ones((6, 2)), 1)
u.jacob2(np.array([2.0, 0.5, 3.0]), np.array([0, 1], np.int32), 1e-10, np.zeros((2, 2), order="F"), 0)
u.mklvbd([0] * 6, 6, 3, 0)
u.mklvbd(lv.astype(np.int64)[::-1], 6, 3, 0)
u.chodec(a, 3, a.view(np.int32)[:6], 0)
r.man.neigrq = i % 7 + 1
for refused in (lambda: u.chodec(np.ones(2), 3, lv, 0), lambda: u.mklvbd(lv, 2**40, 3, 0),
                lambda: setattr(r.man, "neigrq", 2**40)):
    try:
        refused()
    except r.__ruvo_error:
        pass
r.f07ina.ku = [1, 2, 3, 0, 0]
r.man.ix, r.man.iy
"""


def growth_kib(body, warmup, rounds):
    code = MEASURE.format(body=textwrap.indent(textwrap.dedent(body), "    "), warmup=warmup, rounds=rounds)
    with tempfile.TemporaryDirectory() as scratch:   # the analyses write their files there
        return int(run_fresh(code, cwd=scratch).split()[-1])


@measures_memory
def test_ten_thousand_cheap_calls_leave_memory_flat():
    # 15 calls a round: 10,005 calls after 1,005 of warm-up. A leak of even
    # 100 bytes a call would show as a megabyte.
    assert growth_kib(CHEAP_CALLS, 67, 667) < 512


@measures_memory
def test_fifty_whole_analyses_leave_memory_flat():
    assert growth_kib("\n".join(WHOLE_ANALYSES), 3, 50) < 2048


KEPT_COUPLING = """
import os, numpy as np, ruvo
from ruvo import engine, Laminate, Loads, Mesh, Panel
if {forced!r}:
    engine.variant_for = lambda panel: {forced!r}
def rss_kib():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024
skin = Laminate.isotropic(70000.0, 0.3, 1.0)
a = Panel(length=600.0, width=600.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(nx=16, ny=16), ry=2000.0)
b = a.replace(mesh=Mesh(nx=12, ny=14), ry=1500.0)
first = ruvo.buckle(b, modes=4).load_factors
engine.run(a, "buckling", 4, entry=dict(tangential=True))   # leaves W = L⁻¹·A21 of the larger panel behind
again = ruvo.buckle(b, modes=4).load_factors
before = rss_kib()
ruvo.release_memory()
released = before - rss_kib()
print(np.array_equal(first, again), np.array_equal(first, ruvo.buckle(b, modes=4).load_factors), released)
"""


@pytest.mark.parametrize("forced", [
    "",     # the smallest variant that fits
    "49",   # the typed entry's own, reserved apart
])
def test_coupling_storage_kept_between_analyses_reads_cleared_and_goes_back_on_release(forced):
    # The pages of A21 that an analysis wrote stay resident for the next;
    # what a larger curved panel left in them must not reach the next
    # analysis, and release_memory hands them back (W of the larger panel's
    # 1156 by 2312 coupling: megabytes).
    after_larger, after_release, released_kib = run_fresh(KEPT_COUPLING.format(forced=forced)).split()
    assert after_larger == "True" and after_release == "True"
    assert int(released_kib) > 1024


REPEATED_LARGE = """
import resource, ruvo
from ruvo import Laminate, Loads, Mesh, Panel
skin = Laminate.isotropic(70000.0, 0.3, 1.0)
p = Panel(length=600.0, width=600.0, laminate=skin, loads=Loads(Nx=1.0), mesh=Mesh(nx=24, ny=24), ry=2000.0)
ruvo.buckle(p, modes=4)
faults = resource.getrusage(resource.RUSAGE_SELF).ru_minflt
ruvo.buckle(p, modes=4)
print(resource.getrusage(resource.RUSAGE_SELF).ru_minflt - faults)
"""


@measures_memory
def test_a_repeated_large_analysis_faults_in_no_memory_again():
    # The factor's copy of the condensed matrix (2500 by 2500: 48 MiB, above
    # the size malloc maps afresh each time) is kept from the call before:
    # without it, the second analysis faults in some 8,000 pages again.
    assert int(run_fresh(REPEATED_LARGE)) < 2000
