"""Ctrl-C in the largest analysis or in a gradient's assemblies: KeyboardInterrupt, no scratch file, the
shared blocks as the analysis left them, the next analysis right."""
import os
import signal
import subprocess
import sys
import time

import pytest

CHILD = r"""
import os, signal, sys
sys.path.insert(0, {tests!r})
import _ruvo
from conftest import plate

def small():
    args = plate(n=4, variant="19")
    _ruvo.prtnds19.callruvo(**args)
    return repr(float(args["elamp"][0]))

def package():
    # the package's typed entry, its listing in a private temporary directory
    import tempfile, ruvo
    os.mkdir("tmp")
    tempfile.tempdir = os.path.abspath("tmp")
    square = ruvo.Panel(length=100.0, width=100.0, laminate=ruvo.Laminate.isotropic(70000.0, 0.3, 1.0),
                       loads=ruvo.Loads(Nx=1.0), ry=300.0, mesh=ruvo.Mesh(nx=30, ny=30))
    ruvo.buckle(square, modes=20, listing=True)

def stiffened(x):
    # the skin's thickness the mean of x[:-2], the stringers' EA and EI the last two; W alone, so that
    # the skin's assemblies along the 200 laminate variables outlast the analysis many times
    import ruvo
    stringers = [ruvo.Stiffener(50.0 * k, EA=x[-2], EI=x[-1], GJ=1.0e5) for k in (1, 2, 3)]
    return ruvo.Panel(length=300.0, width=200.0, laminate=ruvo.Laminate.isotropic(70000.0, 0.3, sum(x[:-2]) / 200),
                      loads=ruvo.Loads(Nx=1.0), stringers=stringers, freedoms="W", mesh=ruvo.Mesh(nx=24, ny=24))

X = [1.0 + 0.005 * k for k in range(200)] + [1.0e6, 1.0e8]

def terms():
    # the element term lists of the shared block
    return b"".join(getattr(_ruvo.f01qua, m).tobytes() for m in ("fquad", "kquad", "ikt"))

if sys.argv[1] != "plain":
    print("running", flush=True)
    try:
        if sys.argv[1] == "package":
            package()
        elif sys.argv[1] == "gradient":
            # one analysis, then one assembly of the skin per laminate variable: the process
            # interrupts itself after the time the builds and a first analysis take at this load,
            # so at the end of the gradient's analysis or early in its assemblies (about ten
            # analyses' time), never after them
            import threading, time, ruvo
            start = time.perf_counter()
            for _ in X:
                stiffened(X)
            ruvo.buckle(stiffened(X), modes=2)
            delay = time.perf_counter() - start
            threading.Timer(delay, os.kill, (os.getpid(), signal.SIGINT)).start()
            ruvo.gradient(stiffened, X, modes=2)
        else:
            # the process interrupts itself halfway through the second of two like analyses
            import threading, time
            start = time.perf_counter()
            _ruvo.prtnds31.callruvo(**plate(n=30, variant="31"))
            threading.Timer((time.perf_counter() - start) / 2, os.kill, (os.getpid(), signal.SIGINT)).start()
            _ruvo.prtnds31.callruvo(**plate(n=30, variant="31"))
        print("finished", flush=True)
    except KeyboardInterrupt:
        left = os.path.exists("RCA25") or (sys.argv[1] == "package" and bool(os.listdir("tmp")))
        print("interrupted", left, flush=True)
        if sys.argv[1] == "gradient":
            left = terms()
            import ruvo
            ruvo.buckle(stiffened(X), modes=2)
            print("terms as analysed", left == terms(), flush=True)
print(small(), flush=True)
"""


def child(tmp_path, mode):
    code = CHILD.format(tests=os.path.dirname(__file__))
    return subprocess.Popen([sys.executable, "-c", code, mode], cwd=tmp_path, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, env=dict(os.environ, PYTHONUNBUFFERED="1"))


@pytest.mark.parametrize("mode", ["interrupt", "package", "gradient"])
def test_ctrl_c_abandons_the_largest_analysis(tmp_path, mode):
    (tmp_path / "a").mkdir()
    (tmp_path / "b").mkdir()
    p = child(tmp_path / "a", mode)
    assert p.stdout.readline() == "running\n"
    if mode == "package":                # (the others interrupt themselves)
        time.sleep(1.0)                  # inside the element terms, the condensation or the iteration
        p.send_signal(signal.SIGINT)
    out, err = p.communicate(timeout=300)
    assert p.returncode == 0, err
    lines = out.split("\n")
    assert "interrupted False" in lines, out   # the scratch file (and the package's directory) went with it
    if mode == "gradient":                     # the rates' assemblies took their own term lists
        assert "terms as analysed True" in lines, out
    fresh = child(tmp_path / "b", "plain").communicate(timeout=120)[0].split("\n")
    assert lines[-2] == fresh[-2]              # the next analysis is as in a fresh process
