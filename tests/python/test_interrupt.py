"""Ctrl-C during the largest analysis: the host gets KeyboardInterrupt, the
scratch file is gone, and a following analysis in the same process is right."""
import os
import signal
import subprocess
import sys
import time

CHILD = r"""
import os, sys
sys.path.insert(0, {tests!r})
import _ruvo
from test_buckling import panel

def small():
    args = panel(n=4, variant="19")
    _ruvo.prtnds19.callruvo(**args)
    return repr(float(args["elamp"][0]))

if sys.argv[1] == "interrupt":
    print("running", flush=True)
    try:
        _ruvo.prtnds31.callruvo(**panel(n=30, variant="31"))
        print("finished", flush=True)
    except KeyboardInterrupt:
        print("interrupted", os.path.exists("RCA25"), flush=True)
print(small(), flush=True)
"""


def child(tmp_path, mode):
    code = CHILD.format(tests=os.path.dirname(__file__))
    return subprocess.Popen([sys.executable, "-c", code, mode], cwd=tmp_path, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, env=dict(os.environ, PYTHONUNBUFFERED="1"))


def test_ctrl_c_abandons_the_largest_analysis(tmp_path):
    (tmp_path / "a").mkdir()
    (tmp_path / "b").mkdir()
    p = child(tmp_path / "a", "interrupt")
    assert p.stdout.readline() == "running\n"
    time.sleep(1.0)                      # inside the element terms, the condensation or the iteration
    p.send_signal(signal.SIGINT)
    out, err = p.communicate(timeout=300)
    assert p.returncode == 0, err
    lines = out.split("\n")
    assert "interrupted False" in lines, out   # the scratch file went with the analysis
    fresh = child(tmp_path / "b", "plain").communicate(timeout=120)[0].split("\n")
    assert lines[-2] == fresh[-2]              # the next analysis is as in a fresh process
