import os
import subprocess
import sys

import numpy as np
import pytest

import _ruvo


# Under AddressSanitizer freed memory is held in quarantine and every page has
# shadow memory: resident sizes say nothing there.
UNDER_ASAN = "libasan" in os.environ.get("LD_PRELOAD", "")
measures_memory = pytest.mark.skipif(UNDER_ASAN, reason="resident memory is not measurable under AddressSanitizer")


@pytest.fixture
def ruvo():
    return _ruvo


@pytest.fixture
def workdir(tmp_path, monkeypatch):
    """Runs the test in an empty directory: routines write their files there."""
    monkeypatch.chdir(tmp_path)
    return tmp_path


def run_fresh(code, env=None, cwd=None):
    """Runs `code` in a new interpreter with a fresh module; returns its stdout."""
    full_env = dict(os.environ, **(env or {}))
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=full_env, cwd=cwd)
    assert done.returncode == 0, done.stderr
    return done.stdout


def ruvomain_args(variant="31", **overrides):
    """Arguments of `ruvomain` for a plain buckling run of the given variant."""
    consts = getattr(_ruvo, "ruvo" + variant)
    lines, stf = int(consts.p_rtnds) - 1, int(consts.p_stf)
    args = dict(proj="panel_01", titp="TEST PANEL", buckp=1, itabp=0, neigitp=4, neigrqp=2, memprip=1,
                indpltp=0, kup=[1, 2, 3, 0, 0], ap=np.zeros(lines, np.float32), bp=np.zeros(lines, np.float32),
                bndx0p=[0] * 7, bndxlp=[0] * 7, bndy0p=[0] * 7, bndylp=[0] * 7, rxp=1.0e29, ryp=1.0e29,
                rxyp=1.0e29, istxp=[0] * stf, istyp=[0] * stf, elmstfp=[1] * lines,
                steifxp=np.zeros((4, stf), np.float32), steifyp=np.zeros((4, stf), np.float32),
                alfaxp=0.0, alfayp=0.0)
    args.update(overrides)
    return args


@pytest.fixture
def buckling_only(ruvo):
    """Only buckling requested, as most runs have it; restored afterwards."""
    saved = {f: int(getattr(ruvo.antype, f)) for f in ("buck", "vibr", "cripan", "glban")}
    ruvo.antype.vibr = ruvo.antype.cripan = ruvo.antype.glban = 0
    yield
    for f, v in saved.items():
        setattr(ruvo.antype, f, v)


_next_unit = [100]


@pytest.fixture
def listing_file(ruvo, workdir):
    """A listing unit never used before, so that a routine called directly writes
    its listing records to fort.N of this test's directory (a unit stays
    connected for the life of the process). Returns the path of that file."""
    unit = _next_unit[0]
    _next_unit[0] += 1
    ruvo.datran.nwrite = unit
    yield workdir / f"fort.{unit}"
    ruvo.datran.nwrite = 9
