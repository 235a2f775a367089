"""The package on the typed entry: threads, no side effects, surface routines bit for bit, README snippets."""
import math
import os
import random
import re
import textwrap
import threading
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import _ruvo
import ruvo
from conftest import ROOT, plate, square
from ruvo import Loads, Mesh, Stiffener

D_SKIN = 70000.0 / (12 * (1 - 0.09))
RHO = 2.7e-9

STRINGER = Stiffener(50.0, EA=1.4e6, EI=2.0e7, GJ=1.0e5, mass=1e-7)


def mixed_panels():  # buckling and vibration, three size variants, two the engine refuses (no W freedom left)
    return [
        ("buckle", square()),
        ("buckle", square(loads=Loads(Nxy=1.0))),
        ("buckle", square(loads=Loads(Nx=-1.0))),
        ("buckle", square(ry=800.0, stringers=[STRINGER])),
        ("buckle", square(length=300.0, mesh=Mesh(nx=19, ny=6))),
        ("buckle", square(mesh=Mesh(nx=24, ny=10))),
        ("buckle", square(edges="clamped", skew_x=20.0)),
        ("buckle", square(edges="clamped", mesh=Mesh(nx=1, ny=1))),
        ("vibrate", square()),
        ("vibrate", square(edges="clamped")),
        ("vibrate", square(stringers=[STRINGER])),
        ("vibrate", square(edges="free", freedoms="W")),
        ("vibrate", square(length=250.0, mesh=Mesh(nx=20, ny=8))),
        ("vibrate", square(ry=500.0)),
        ("vibrate", square(edges="clamped", mesh=Mesh(nx=1, ny=1))),
        ("buckle", square(freedoms="W", loads=Loads(Nx=1.0, Ny=0.5))),
    ]


def analyse(kind, panel):
    try:
        result = ruvo.buckle(panel, modes=3) if kind == "buckle" else ruvo.vibrate(panel, density=RHO, modes=3)
        return result.eigenvalues.tobytes(), result.eigenvectors.tobytes()
    except ruvo.AnalysisError as e:
        return e.stage, e.code, e.message


def test_threads_give_the_sequential_results_and_leave_the_process_as_it_was(here, private_temp, capfd):
    panels = mixed_panels()
    sequential = [analyse(kind, p) for kind, p in panels]
    assert sum(isinstance(r[0], str) for r in sequential) == 2  # the two refused panels fail, the others solve
    stdout_file = os.fstat(1)
    stop = threading.Event()

    def raw_routines():  # the model state poked meanwhile: each call waits for the engine lock
        calls = 0
        while not stop.is_set():
            for suffix in ("19", "21", "25", "31"):
                getattr(_ruvo, "prtnds" + suffix).initlz()
            _ruvo.f07ina.mx, _ruvo.man.neigrq, _ruvo.antype.vibr = 2, 1, 1
            calls += 1
        return calls

    def one_thread(seed):
        order = list(range(len(panels)))
        random.Random(seed).shuffle(order)
        return {k: analyse(*panels[k]) for k in order}

    with ThreadPoolExecutor(9) as pool:
        poker = pool.submit(raw_routines)
        runs = list(pool.map(one_thread, range(8)))
        stop.set()
        assert poker.result() > 0
    for run in runs:
        assert [run[k] for k in range(len(panels))] == sequential  # bit for bit
    assert os.getcwd() == str(here)    # here and private_temp: both left empty
    assert (os.fstat(1).st_ino, os.fstat(1).st_dev) == (stdout_file.st_ino, stdout_file.st_dev)
    assert capfd.readouterr() == ("", "")  # nothing printed by the analyses


def test_vibration_is_bit_identical_to_the_surface_routines(workdir, flags, capfd):
    """callruvo's model, then vibs2 and vibs3 at the mass per area a reset leaves (1e-6)."""
    _ruvo.prtnds19.callruvo(**plate(bndyl=[0, 1, 2, 3, 6, 0, 0], neigit=11))
    _ruvo.prtnds19.vibs2(0)
    z = np.zeros((6, 1), np.float32, order="F")
    _ruvo.prtnds19.vibs3(0, z, z, z, 0.0, 0.0, 0.0, 0.0, 0)
    surface = _ruvo._results("19")["elam"][:3].tolist()
    assert "RCA25" not in os.listdir(workdir)     # the surface routines leave no scratch file behind either
    panel = square(edges={"all": "simply supported", "yl": "clamped"})
    assert ruvo.vibrate(panel, mass_per_area=1e-6, modes=3, listing=True).eigenvalues.tolist() == surface  # subspace iteration
    capfd.readouterr()


# Completely free and cantilever square plates, nu = 0.3: the frequency parameters omega a^2 sqrt(rho h / D)
# of A. W. Leissa, "The free vibration of rectangular plates", J. Sound Vib. 31 (1973) 257-293 (free: after
# the three rigid-body modes; cantilever: clamped at x = 0, the other edges free). Leissa's are Ritz upper
# bounds; the cantilever's lie about 0.6 % above the converged values, hence the wider tolerance.
@pytest.mark.parametrize("edges, expected, rigid, rel", [
    pytest.param("free", [13.468, 19.596, 24.270, 34.801, 34.801], 3, 5e-3, id="free"),
    pytest.param({"all": "free", "x0": "clamped"}, [3.4917, 8.5246, 21.429, 27.331, 31.111], 0, 1e-2, id="cantilever"),
])
def test_free_and_cantilever_plates_against_published_parameters(edges, expected, rigid, rel):
    plate = square(edges=edges, mesh=Mesh(nx=12, ny=12))
    result = ruvo.vibrate(plate, density=RHO, modes=rigid + len(expected))
    omega = 2 * math.pi * result.frequencies
    parameter = omega * 100.0 ** 2 * math.sqrt(RHO * 1.0 / D_SKIN)
    assert parameter[:rigid] == pytest.approx([0.0] * rigid, abs=1e-2)
    assert parameter[rigid:] == pytest.approx(expected, rel=rel)


def test_the_readme_snippets_run_and_print_what_the_readme_says(tmp_path, monkeypatch, capsys):
    monkeypatch.chdir(tmp_path)
    text = (ROOT / "README.md").read_text()
    start = text.index("## The package `ruvo`")
    package = text[start:text.index("\n## ", start)]
    snippets = re.findall(r"```python\n(.*?)```", package, re.S)
    assert len(snippets) >= 2
    namespace = {}
    for code in snippets:
        exec(compile(textwrap.dedent(code).replace('file="mode1.png"', 'file=None')
                     .replace('"examples/', f'"{ROOT}/examples/'), "README", "exec"), namespace)
    printed = capsys.readouterr().out
    claimed = re.search(r"print\(result\.frequencies\.round\(1\)\)\s+# Hz; (\[[^\]]*\])", package).group(1)
    assert printed.strip().splitlines()[-1].split() == claimed.split()

