"""ruvo.sweep: processes give the numbers of sequential calls, in order, as a
table; a bad panel, a dead worker or Ctrl-C is handled without losing or
doubling designs and without leaving files. Designs travel in batches, so
each case mixes failing designs among good ones."""
import concurrent.futures as cf
import os
import signal
import subprocess
import sys
import time
import numpy as np
import pytest

import ruvo
from conftest import UNDER_ASAN, square
from ruvo import Loads, Mesh

BAD = 17
DESIGNS = 40 if UNDER_ASAN else 200   # the sanitizers' run is several times slower


def panels(count=DESIGNS):
    """Plates of growing length; one clamped on a single element, which
    leaves the engine no freedom to solve for."""
    out = [square(length=100.0 + 1.0 * k, mesh=Mesh(nx=6, ny=4)) for k in range(count)]
    if count > BAD:
        out[BAD] = out[BAD].replace(edges="clamped", mesh=Mesh(nx=1, ny=1))
    return out


def test_table_of_a_pooled_sweep_equals_sequential_calls(tmp_path, monkeypatch, private_temp, capsys):
    pandas = pytest.importorskip("pandas")
    monkeypatch.chdir(tmp_path)
    items = panels()
    swept = ruvo.sweep(items, processes=2, progress=True, modes=2, keep_listing=tmp_path / "listings")
    assert f"{DESIGNS}/{DESIGNS}" in capsys.readouterr().err.strip().splitlines()[-1]   # the bar counts every design once
    assert len(swept) == DESIGNS and list(swept.errors) == [BAD] and swept.results[BAD] is None
    assert isinstance(swept.errors[BAD], ruvo.AnalysisError) and swept.errors[BAD].stage == "MKLVBD"
    frame = swept.to_frame()
    assert list(frame.columns[:4]) == ["design", "length", "mesh.nx", "mesh.ny"] and len(frame) == DESIGNS
    for k, panel in enumerate(items):
        row = frame.iloc[k]
        assert row["design"] == k and row["length"] == panel.length
        if k == BAD:
            assert row["status"] == "failed" and "MKLVBD" in row["error"]
            continue
        one = ruvo.buckle(panel, modes=2)
        assert swept[k].panel is panel and swept[k].listing == ""    # listings went to the directory
        assert (row["status"], row["critical_load_factor"], row["critical_mode"]) == \
            ("ok", one.critical_load_factor, one.critical_mode)   # the same bits
    assert (tmp_path / "listings" / "design_00005.out").read_text().count("COMPUTED EIGENVALUES") == 1
    swept.to_csv(tmp_path / "table.csv")
    assert frame["critical_mode"].dtype == "Int64"   # whole numbers, the failed design's empty
    back = pandas.read_csv(tmp_path / "table.csv", float_precision="round_trip", dtype={"critical_mode": "Int64"})
    pandas.testing.assert_frame_equal(back, frame.replace("", np.nan), check_dtype=False, check_exact=True)
    assert set(os.listdir(tmp_path)) == {"listings", "table.csv", "tmp"}


def test_one_process_runs_here_and_keeps_the_listings():
    swept = ruvo.sweep(panels(2), processes=1, progress=True, modes=1, keep_listing=True)
    assert not swept.errors and swept[0].load_factors[0] < swept[1].load_factors[0] * 1.5
    assert "COMPUTED EIGENVALUES" in swept[0].listing


class Unpicklable(Exception):
    def __init__(self, reason, detail):   # rebuilt from its args alone, unpickling fails
        super().__init__(f"{reason}: {detail}")


def odd_buckle(real):
    def buckle(panel, **options):
        if panel.title == "killer":
            os.kill(os.getpid(), signal.SIGKILL)   # as the kernel does when memory runs out
        if panel.title == "odd":
            raise Unpicklable("odd", "design")
        return real(panel, **options)
    return buckle


def test_a_dead_worker_takes_only_its_own_design(monkeypatch, private_temp):
    # The pool's workers are forked: they inherit the analysis that kills its process for one design.
    monkeypatch.setattr(ruvo.analysis, "buckle", odd_buckle(ruvo.analysis.buckle))
    items = panels(30)
    items[BAD] = items[3].replace(title="killer")
    swept = ruvo.sweep(items, processes=2, progress=False, modes=1)
    assert list(swept.errors) == [BAD] and isinstance(swept.errors[BAD], ruvo.WorkerDied)
    for k in (0, 5, BAD - 1, BAD + 1, 29):
        assert swept[k].load_factors.tolist() == ruvo.buckle(items[k], modes=1).load_factors.tolist()
    with cf.ProcessPoolExecutor(2) as pool:   # a pool of the caller's is not ours to restart: each design answered
        swept = ruvo.sweep(items, client=pool, progress=False, modes=1)
    assert None not in list(swept) and isinstance(swept.errors[BAD], cf.process.BrokenProcessPool)


class Flaky(cf.ThreadPoolExecutor):
    """As a cluster where the batch holding design BAD keeps killing its workers: it fails as a whole."""

    def submit(self, fn, batch):
        if BAD not in dict(batch):
            return super().submit(fn, batch)
        failed = cf.Future()
        failed.set_exception(RuntimeError("killed worker"))
        return failed


@pytest.mark.parametrize("executor", [None, cf.ThreadPoolExecutor, cf.ProcessPoolExecutor, Flaky])
def test_load_cases_and_odd_failures_on_every_executor(executor, monkeypatch, private_temp):
    pytest.importorskip("pandas")
    monkeypatch.setattr(ruvo.analysis, "buckle", odd_buckle(ruvo.analysis.buckle))
    items = panels(30)
    items[5] = items[5].replace(title="odd")
    cases = [Loads(Nx=1.0), Loads(Nx=1.0, Ny=2.0)]
    client = executor(2) if executor else None
    swept = ruvo.sweep(items, processes=2, client=client, progress=False, modes=2, load_cases=cases)
    if client:
        client.shutdown()
    assert list(swept.errors) == [5, BAD] and "Unpicklable: odd: design" in str(swept.errors[5])
    assert ("killed worker" in str(swept.errors[BAD])) == (executor is Flaky)   # its batch-mates ran again alone
    for k in (0, 6, BAD + 1, 29):
        one = ruvo.buckle(items[k], modes=2, load_cases=cases)
        assert [c.load_factors.tolist() for c in swept[k].cases] == [c.load_factors.tolist() for c in one.cases]
    frame = swept.to_frame()
    assert len(frame) == 2 * 28 + 2 and frame["load_case"].tolist()[:3] == [0, 1, 0]
    assert frame.loc[frame["design"] == 0, "governing"].tolist() == [False, True]   # Ny adds to the compression


CTRL_C_CHILD = r"""
import sys, time
from pathlib import Path
import ruvo
from ruvo import Laminate, Loads, Panel
real = ruvo.analysis.buckle
def slow(panel, **options):
    Path(sys.argv[1], "started").touch()
    time.sleep(0.5)
    return real(panel, **options)
ruvo.analysis.buckle = slow
skin = Laminate.isotropic(70000.0, 0.3, 1.0)
ruvo.sweep([Panel(length=100.0 + k, width=100.0, laminate=skin, loads=Loads(Nx=1.0)) for k in range(200)],
           processes=2, progress=False)
"""


def test_ctrl_c_stops_the_workers_and_leaves_nothing(tmp_path):
    temp = tmp_path / "tmp"
    temp.mkdir()
    child = subprocess.Popen([sys.executable, "-c", CTRL_C_CHILD, str(tmp_path)], stderr=subprocess.PIPE, text=True,
                             env=dict(os.environ, TMPDIR=str(temp)), start_new_session=True)
    while not (tmp_path / "started").exists():
        time.sleep(0.02)
    start = time.monotonic()
    os.killpg(child.pid, signal.SIGINT)   # as a terminal's Ctrl-C: the sweep and its workers
    _, err = child.communicate(timeout=60)
    # 200 designs of half a second queued on two workers: going on with them would take 50 s
    assert time.monotonic() - start < 20 and "KeyboardInterrupt" in err
    assert not list(temp.iterdir())
