import json
import os
import pathlib
import subprocess
import sys
import tempfile

import numpy as np
import pytest

import _ruvo
from ruvo import Laminate, Loads, Mesh, Panel, engine


# Under AddressSanitizer freed memory is held in quarantine and every page has
# shadow memory: resident sizes say nothing there.
UNDER_ASAN = "libasan" in os.environ.get("LD_PRELOAD", "")
measures_memory = pytest.mark.skipif(UNDER_ASAN, reason="resident memory is not measurable under AddressSanitizer")


@pytest.fixture
def ruvo():
    return _ruvo


@pytest.fixture
def here(tmp_path, monkeypatch):
    """An empty working directory of the test's own, to be left empty."""
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(work)
    yield work
    assert not list(work.iterdir())


@pytest.fixture
def private_temp(tmp_path, monkeypatch):
    """A temporary directory of the test's own (forked workers inherit it), to be left empty."""
    temp = tmp_path / "tmp"
    temp.mkdir()
    monkeypatch.setattr(tempfile, "tempdir", str(temp))
    yield temp
    assert not list(temp.iterdir())


@pytest.fixture
def workdir(tmp_path, monkeypatch):
    """Runs the test in an empty directory: routines write their files there."""
    monkeypatch.chdir(tmp_path)
    return tmp_path


DATA = pathlib.Path(__file__).with_name("data")
ROOT = pathlib.Path(__file__).resolve().parents[2]   # the repository: its examples, tools and README
EXAMPLES = ROOT / "examples"
RECORDS = json.loads((DATA / "listings.json").read_text())   # whole listings the tests expect, by case


def run_fresh(code, env=None, cwd=None):
    """Runs `code` in a new interpreter with a fresh module; returns its stdout."""
    full_env = dict(os.environ, **(env or {}))
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=full_env, cwd=cwd)
    assert done.returncode == 0, done.stderr
    return done.stdout


SIMPLY_SUPPORTED = [0, 1, 0, 0, 0, 0, 0]  # W and its slope along the edge held
SS = [0, 1, 2, 3, 0, 0, 0]                # W, U and V held along the edge, the slope across it free
FLAGS = ("temp", "strs", "buck", "vibr", "inpb", "cripan", "glban")


SKIN = Laminate.isotropic(70000.0, 0.3, 1.0)   # the 1 mm aluminium skin of the package's panels


def square(**changes):  # the package's panel of the plate below: 100 x 100 in 8 x 8 elements under Nx = 1
    return Panel(**{**dict(length=100.0, width=100.0, laminate=SKIN, loads=Loads(Nx=1.0), mesh=Mesh(nx=8, ny=8)),
                    **changes})


def dense(m):  # a symmetric band matrix as the engine stores it (levels, values, band), in full
    levels, values, band = m["levels"].astype(int), m["values"], int(m["band"])
    a = np.zeros((len(levels), len(levels)))
    for i in range(len(levels)):
        for j in range(max(0, i - band + 1), i + 1):
            a[i, j] = a[j, i] = values[levels[i] + j]
    return a


def full_system(panel):
    """(K, B, ix, the engine's matrices) of the buckling system as the typed entry assembles it, the ix W rows
    first."""
    out = _ruvo._analyse(matrices=True, **engine.arguments(engine.variant_for(panel), panel, "buckling", 1))
    assert out["stage"] == ""
    m, ix, iy = out["matrices"], int(out["ix"]), int(out["iy"])
    if not iy:
        return dense(m["a11"]), dense(m["b11"]), ix, m
    k = np.block([[dense(m["a11"]), m["a21"].T], [m["a21"], dense(m["a22"])]])
    b = np.zeros_like(k)
    b[:ix, :ix] = dense(m["b11"])
    return k, b, ix, m


class MadeOnAccess:
    """A sequence whose items exist only while the caller holds them: a new copy on every access."""

    def __init__(self, items):
        self.items = list(items)

    def __len__(self):
        return len(self.items)

    def __getitem__(self, k):
        return _fresh(self.items[k])


def _fresh(v):
    return [_fresh(x) for x in v] if isinstance(v, (list, tuple)) else np.array(v, copy=True)


def read_lines(path):  # the records of a listing or text file
    return path.read_text().split("\n")[:-1]


def supported(**overrides):  # ruvomain_args with all four edges simply supported
    return ruvomain_args(**{**{e: SIMPLY_SUPPORTED for e in ("bndx0p", "bndxlp", "bndy0p", "bndylp")}, **overrides})


def level_vector(n, ibd):  # the level vector of a band of width ibd and order n
    rows = np.minimum(np.arange(1, n + 1), ibd)  # stored entries per row
    return (np.concatenate(([0], np.cumsum(rows)[:-1])) - np.arange(1, n + 1) + rows).astype(np.int32)


def grid_lengths(lines, count=4, length=25.0):  # subdivision lengths of `count` elements, the rest unused
    v = np.zeros(lines, np.float32)
    v[:count] = length
    return v


def isotropic_laminate(e=70000.0, nu=0.3, t=1.0):  # matabdf of callruvo: both laminates the isotropic skin
    a, d = e * t / (1 - nu * nu), e * t ** 3 / (12 * (1 - nu * nu))
    lam = np.zeros(18, np.float32)
    lam[[0, 1, 2, 5]] = [a, nu * a, a, a * (1 - nu) / 2]
    lam[[12, 13, 14, 17]] = [d, nu * d, d, d * (1 - nu) / 2]
    return np.asfortranarray(np.stack([lam, lam], axis=1))


def fixed_arguments(routine):  # the fixed scalars of callruvo's or ruvomain's arguments, a fresh copy
    return json.loads((DATA / "arguments.json").read_text())[routine]


def plate(n=8, variant="19", edges=SS, **overrides):
    """`callruvo`'s arguments for a square plate of 100 x 100 in n x n elements, no stiffeners, under Nx = 1
    (compression positive), all edges `edges`; displ sized for neigrq modes."""
    consts = getattr(_ruvo, "ruvo" + variant)
    rows, stf = int(consts.p_rtnds) - 1, int(consts.p_stf)
    args = {**fixed_arguments("callruvo"), **dict(
        matabdf=isotropic_laminate(), steifxf=np.zeros(4, np.float32), steifyf=np.zeros(4, np.float32),
        elamp=np.zeros(55), membraneforcesp=np.zeros(275), istx=[0] * stf, isty=[0] * stf,
        elmstf=[1] * n + [0] * (rows - n), bndy0=edges, bndyl=edges, bndx0=edges, bndxl=edges, anzelzwframes=n,
        anzelzwstr=n), **overrides}
    args["displ"] = np.zeros(int(consts.p_nx) * max(args["neigrq"], 0))
    return args


def prepare_plate(directory, variant="31"):
    """Leaves the 4 x 4 plate's laminate, forces and grid size in the model state (only callruvo sets
    them), running it in `directory`; a direct ruvomain call with ruvomain_args then succeeds."""
    here = os.getcwd()
    os.chdir(directory)
    try:
        getattr(_ruvo, "prtnds" + variant).callruvo(**plate(4, variant, SIMPLY_SUPPORTED, neigit=6, neigrq=2))
    finally:
        os.chdir(here)


def ruvomain_args(variant="31", **overrides):
    """`ruvomain`'s arguments for a buckling run on the 4 x 4 plate of prepare_plate, edges free (a run
    that is to succeed holds them: supported())."""
    consts = getattr(_ruvo, "ruvo" + variant)
    lines, stf = int(consts.p_rtnds) - 1, int(consts.p_stf)
    return {**fixed_arguments("ruvomain"), **dict(
        ap=grid_lengths(lines), bp=grid_lengths(lines), istxp=[0] * stf, istyp=[0] * stf, elmstfp=[1] * lines,
        steifxp=np.zeros((4, stf), np.float32), steifyp=np.zeros((4, stf), np.float32)), **overrides}


@pytest.fixture
def flags(ruvo):
    """The analysis types: only buckling requested (a test may set more); restored afterwards."""
    saved = {f: int(getattr(ruvo.antype, f)) for f in FLAGS}
    ruvo.antype.vibr = ruvo.antype.cripan = ruvo.antype.glban = 0
    yield ruvo.antype
    for f, v in saved.items():
        setattr(ruvo.antype, f, v)


@pytest.fixture
def buckling_only(flags, tmp_path_factory):
    """Only buckling requested, on the model of the 4 x 4 plate (prepare_plate)."""
    prepare_plate(tmp_path_factory.mktemp("plate"))
    return flags


@pytest.fixture
def plot_controls(ruvo):
    """The plot controls and the grid, which rddata and the tests rewrite; restored afterwards."""
    saved = {name: np.array(getattr(ruvo.plotin, name)) for name in dir(ruvo.plotin)}
    grid = (int(ruvo.f07ina.mx), int(ruvo.f07ina.my), np.array(ruvo.f07ina.a), np.array(ruvo.f07ina.b))
    yield ruvo.plotin
    for name, value in saved.items():
        setattr(ruvo.plotin, name, value)
    ruvo.f07ina.mx, ruvo.f07ina.my, ruvo.f07ina.a, ruvo.f07ina.b = grid


_next_unit = [100]


@pytest.fixture
def listing_file(ruvo, workdir):
    """The path of fort.N in this test's directory for a listing unit N never used before (a unit stays
    connected for the life of the process), where a routine called directly writes its records."""
    unit = _next_unit[0]
    _next_unit[0] += 1
    ruvo.datran.nwrite = unit
    yield workdir / f"fort.{unit}"
    ruvo.datran.nwrite = 9


def write_to(path):  # later listing records to the unit of fort.N at `path` (a run resets the unit)
    _ruvo.datran.nwrite = int(path.suffix[1:])
