"""Ctrl-C in the largest analysis: KeyboardInterrupt, no scratch file, the next analysis right."""
import os
import signal
import subprocess
import sys
import time

import pytest

CHILD = r"""
import os, sys
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

if sys.argv[1] != "plain":
    print("running", flush=True)
    try:
        if sys.argv[1] == "package":
            package()
        else:
            _ruvo.prtnds31.callruvo(**plate(n=30, variant="31"))
        print("finished", flush=True)
    except KeyboardInterrupt:
        left = os.path.exists("RCA25") or (sys.argv[1] == "package" and bool(os.listdir("tmp")))
        print("interrupted", left, flush=True)
print(small(), flush=True)
"""


def child(tmp_path, mode):
    code = CHILD.format(tests=os.path.dirname(__file__))
    return subprocess.Popen([sys.executable, "-c", code, mode], cwd=tmp_path, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, env=dict(os.environ, PYTHONUNBUFFERED="1"))


@pytest.mark.parametrize("mode", ["interrupt", "package"])
def test_ctrl_c_abandons_the_largest_analysis(tmp_path, mode):
    (tmp_path / "a").mkdir()
    (tmp_path / "b").mkdir()
    p = child(tmp_path / "a", mode)
    assert p.stdout.readline() == "running\n"
    time.sleep(1.0)                      # inside the element terms, the condensation or the iteration
    p.send_signal(signal.SIGINT)
    out, err = p.communicate(timeout=300)
    assert p.returncode == 0, err
    lines = out.split("\n")
    assert "interrupted False" in lines, out   # the scratch file (and the package's directory) went with it
    fresh = child(tmp_path / "b", "plain").communicate(timeout=120)[0].split("\n")
    assert lines[-2] == fresh[-2]              # the next analysis is as in a fresh process
