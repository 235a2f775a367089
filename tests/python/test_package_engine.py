"""The package on the engine's typed entry: the same numbers as the surface
routines, threads that cannot mix their panels, no process-wide side
effects, free panels, and the README's own snippets."""
import math
import os
import random
import re
import tempfile
import textwrap
import threading
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import numpy as np
import pytest

import _ruvo
import ruvo
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener

ROOT = Path(__file__).resolve().parents[2]
SKIN = Laminate.isotropic(70000.0, 0.3, 1.0)
D_SKIN = 70000.0 / (12 * (1 - 0.09))
RHO = 2.7e-9


def square(**changes):
    args = dict(length=100.0, width=100.0, laminate=SKIN, loads=Loads(Nx=1.0), mesh=Mesh(nx=8, ny=8))
    args.update(changes)
    return Panel(**args)


def mixed_panels():
    """Sixteen analyses: buckling and vibration, three size variants, and
    two that the engine refuses (no W freedom left on a clamped 1 x 1 grid)."""
    stringer = Stiffener(50.0, EA=1.4e6, EI=2.0e7, GJ=1.0e5, mass=1e-7)
    panels = [
        ("buckle", square()), ("buckle", square(loads=Loads(Nxy=1.0))),
        ("buckle", square(loads=Loads(Nx=-1.0))), ("buckle", square(ry=800.0, stringers=[stringer])),
        ("buckle", square(length=300.0, mesh=Mesh(nx=19, ny=6))), ("buckle", square(mesh=Mesh(nx=24, ny=10))),
        ("buckle", square(edges="clamped", skew_x=20.0)), ("buckle", square(edges="clamped", mesh=Mesh(nx=1, ny=1))),
        ("vibrate", square()), ("vibrate", square(edges="clamped")), ("vibrate", square(stringers=[stringer])),
        ("vibrate", square(edges="free", freedoms="W")), ("vibrate", square(length=250.0, mesh=Mesh(nx=20, ny=8))),
        ("vibrate", square(ry=500.0)), ("vibrate", square(edges="clamped", mesh=Mesh(nx=1, ny=1))),
        ("buckle", square(freedoms="W", loads=Loads(Nx=1.0, Ny=0.5))),
    ]
    return panels


def analyse(kind, panel):
    try:
        result = ruvo.buckle(panel, modes=3) if kind == "buckle" else ruvo.vibrate(panel, density=RHO, modes=3)
        return result.eigenvalues.tobytes(), result.eigenvectors.tobytes()
    except ruvo.AnalysisError as e:
        return e.stage, e.code, e.message


def test_threads_give_the_sequential_results_and_leave_the_process_as_it_was(tmp_path, monkeypatch, capfd):
    work, temporary = tmp_path / "work", tmp_path / "tmp"
    work.mkdir(), temporary.mkdir()
    monkeypatch.chdir(work)
    monkeypatch.setattr(tempfile, "tempdir", str(temporary))
    panels = mixed_panels()
    sequential = [analyse(kind, p) for kind, p in panels]
    assert sum(isinstance(r[0], str) for r in sequential) == 2  # the two refused panels fail, the others solve
    stdout_file = os.fstat(1)
    stop = threading.Event()

    def raw_routines():
        """The model state poked through the surface meanwhile: each call
        waits for the engine lock, so no analysis sees it half done."""
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
    assert os.getcwd() == str(work) and not list(work.iterdir()) and not list(temporary.iterdir())
    assert (os.fstat(1).st_ino, os.fstat(1).st_dev) == (stdout_file.st_ino, stdout_file.st_dev)
    assert capfd.readouterr() == ("", "")  # nothing printed by the analyses


def test_the_package_has_no_side_channels_into_the_engine():
    source = "\n".join(p.read_text() for p in (ROOT / "python" / "ruvo").glob("*.py"))
    for word in ("callruvo", "fort.8", "os.chdir", "os.dup2", "ruvomain", "_results", "MESSAGE FROM"):
        assert word not in source, word


def old_vibration_sequence(panel, modes):
    """Natural frequencies through the surface rows, as a host calls them:
    the laminate stored by a callruvo run that stops at the type check, the
    masses from the namelist file, ruvomain with vibration requested, then
    prtvib, vibs2 and vibs3 (in the working directory)."""
    p = _ruvo.prtnds19
    c = _ruvo.ruvo19
    rows, stf = int(c.p_rtnds) - 1, int(c.p_stf)
    Path("fort.8").write_text(f"&inert dom = {RHO * panel.laminate.thickness:.9g}, domx = 0.0, domy = 0.0 /\n")
    laminate = panel.laminate.packed()
    _ruvo.antype.vibr = 1
    p.callruvo("priming", "", 1e29, 1e29, 1e29, np.asfortranarray(np.stack([laminate, laminate], 1)),
               np.zeros(4, np.float32), np.zeros(4, np.float32), 1.0, 1.0, 1, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0,
               0.0, 0.0, 0.0, 0.0, 0.0, np.zeros(55), np.zeros(275), 0, 4, 1, 0, 0, [1, 2, 3, 0, 0], [0] * stf,
               [0] * stf, [1] * rows, [0] * 7, [0] * 7, [0] * 7, [0] * 7, rows, 1, rows, 1, np.zeros(int(c.p_nx)))
    _ruvo.f07ina.mx, _ruvo.f07ina.my = len(panel.x_lengths) + 1, len(panel.y_lengths) + 1
    _ruvo.antype.vibr, _ruvo.antype.cripan, _ruvo.antype.glban = 1, 0, 0
    _ruvo.man.x2pri = 0
    pad = lambda v, n, t: np.concatenate([v, np.zeros(n - len(v))]).astype(t)
    e = panel.edges
    p.ruvomain("direct", "", 0, 0, max(2 * modes, modes + 8), modes, 1, 0, [1, 2, 3, 0, 0],
               pad(panel.x_lengths, rows, np.float32), pad(panel.y_lengths, rows, np.float32),
               e.x0.codes(), e.xl.codes(), e.y0.codes(), e.yl.codes(), 1e29, 1e29, 1e29, [0] * stf, [0] * stf,
               pad([1] * len(panel.y_lengths), rows, np.int32), np.zeros((4, stf), np.float32, order="F"),
               np.zeros((4, stf), np.float32, order="F"), 0.0, 0.0)
    z = np.zeros(6, np.float32)
    p.prtvib(laminate[0:6], laminate[12:18], laminate[6:12], z, z, z, z[:3])
    p.vibs2(0)
    p.vibs3(int(_ruvo.man.iy), np.zeros((6, 1), np.float32), np.zeros((6, 1), np.float32),
            np.zeros((6, 1), np.float32), 0.0, 0.0, 0.0, 0.0, 0)
    return _ruvo._results("19")["elam"][:modes].copy()


def test_vibration_is_bit_identical_to_the_surface_sequence(tmp_path, monkeypatch, capfd):
    monkeypatch.chdir(tmp_path)
    panel = square(length=150.0, edges={"all": "simply supported", "yl": "clamped"})
    typed = ruvo.vibrate(panel, density=RHO, modes=4, listing=True).eigenvalues  # the subspace iteration
    assert typed.tolist() == old_vibration_sequence(panel, 4).tolist()
    # the surface routines leave no scratch file behind either
    assert "RCA25" not in os.listdir(tmp_path)
    capfd.readouterr()


# Completely free and cantilever square plates, nu = 0.3: the frequency
# parameters omega a^2 sqrt(rho h / D) of A. W. Leissa, "The free vibration
# of rectangular plates", J. Sound Vib. 31 (1973) 257-293 (free: after the
# three rigid-body modes; cantilever: clamped at x = 0, the other edges
# free). Leissa's are Ritz upper bounds; the cantilever's lie about 0.6 %
# above the converged values, hence the wider tolerance.
@pytest.mark.parametrize("edges, expected, rigid, rel", [
    ("free", [13.468, 19.596, 24.270, 34.801, 34.801], 3, 5e-3),
    ({"all": "free", "x0": "clamped"}, [3.4917, 8.5246, 21.429, 27.331, 31.111], 0, 1e-2),
])
def test_free_and_cantilever_plates_against_published_parameters(edges, expected, rigid, rel):
    plate = square(edges=edges, laminate=Laminate.isotropic(70000.0, 0.3, 1.0), mesh=Mesh(nx=12, ny=12))
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


@pytest.mark.parametrize("change, error", [
    (dict(x_lengths=[1.0] * 40), ValueError),                 # beyond the variant's lines
    (dict(modes=0), ValueError),
    (dict(stringers=[[1e10, 1, 0, 1, 1, 0]]), ValueError),    # a line no grid has
    (dict(stringers=[[9, 1, 0, 1, 1, 0]]), ValueError),       # off this grid
    (dict(laminates=np.zeros((3, 18))), ValueError),          # more than p_abdstf
    (dict(variable=np.zeros((7, 3))), ValueError),            # neither uniform nor per node
    (dict(more_load_cases=[(np.zeros((7, 3)), [0, 0, 0])]), ValueError),
    (dict(crippling=True), ValueError),                       # no stringer section
    (dict(crippling=True, stringer_section=dict(type=3)), ValueError),
    (dict(global_buckling=True, crippling=True, stringer_section=dict(type=1)), ValueError),  # no stringer
    (dict(stringer_section=dict(depth=1.0)), TypeError),
    (dict(edges=[[0] * 7] * 3), ValueError),
    (dict(listing=True), ValueError),                         # a listing needs a directory
    (dict(variant="17"), ValueError),
    (dict(colour=1), TypeError),
])
def test_the_typed_entry_refuses_what_does_not_fit_before_anything_changes(change, error):
    args = dict(variant="19", x_lengths=[10.0] * 4, y_lengths=[10.0] * 4, laminates=[SKIN.packed()],
                edges=[[0, 1, 2, 3, 0, 0, 0]] * 4,
                variable=[1.0, 0.0, 0.0], modes=2)
    assert _ruvo._analyse(**args)["stage"] == ""
    before = _ruvo.f07ina.mx.copy()
    with pytest.raises(error):
        _ruvo._analyse(**{**args, **change})
    assert _ruvo.f07ina.mx == before
    nan = _ruvo._analyse(**{**args, "x_lengths": [10.0, math.nan, 10.0, 10.0]})
    assert (nan["stage"], nan["code"]) == ("RDDATA", 12) and len(nan["eigenvalues"]) == 0


def test_typed_entry_is_bit_identical_to_callruvo_on_a_stiffened_curved_panel(tmp_path, monkeypatch, capfd):
    """Two frames, two T-stringers on their feet (laminate 2 under a foot),
    curvature, a fixed tension: the model callruvo builds from its design
    values, given to the typed entry as values."""
    monkeypatch.chdir(tmp_path)
    lam = SKIN.packed()
    stringer, frame = np.array([1.4e6, 0.0, 2.0e7, 1.0e5], np.float32), np.array([3e6, 0.0, 4e7, 2e5], np.float32)
    rows = [2, 1, 1, 1, 1, 2]                                   # y: 10, 20, 20, 20, 20, 10
    elam, forces, displ = np.zeros(55), np.zeros(275), np.zeros(1444 * 3)
    ss = [0, 1, 2, 3, 0, 0, 0]
    _ruvo.prtnds19.callruvo(
        "direct", "", 1e29, 500.0, 1e29, np.asfortranarray(np.stack([lam, lam], 1)), stringer, frame,
        100.0, 100.0, 1, 0.0, 20.0, 0.0, 0.0, 1.0, 0.0, 0.3, 0.0, 0.0, -5.0, 0.0, 0.0, elam, forces, 0, 11, 3, 1,
        0, [1, 2, 3, 0, 0], [2, 6] + [0] * 15, [1, 9] + [0] * 15, rows + [0] * 12, ss, ss, ss, ss, 8, 1, 4, 1, displ)
    out = _ruvo._analyse(
        variant="19", x_lengths=[12.5] * 8, y_lengths=[10.0, 20.0, 20.0, 20.0, 20.0, 10.0], laminates=[lam, lam],
        element_rows=rows, edges=[ss] * 4, radii=[1e29, 500.0, 1e29], modes=3, iterate=11,
        stringers=[[2, *stringer, 0.0], [6, *stringer, 0.0]], frames=[[1, *frame, 0.0], [9, *frame, 0.0]],
        variable=[1.0, 0.3, 0.0], fixed=[0.0, 0.0, -5.0], eigensolver="subspace")  # callruvo's method
    assert out["stage"] == "" and out["eigenvalues"].tolist() == elam[:3].tolist()
    assert np.array_equal(out["w"], displ.reshape(3, 1444)[:, :out["ix"]].T)
    assert np.array_equal(out["forces"], forces.reshape(55, 5)[:3])
    capfd.readouterr()
