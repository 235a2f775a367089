import os
import subprocess
import sys

import pytest

import _ruvo


@pytest.fixture
def ruvo():
    return _ruvo


@pytest.fixture
def workdir(tmp_path, monkeypatch):
    """Runs the test in an empty directory: routines write their files there."""
    monkeypatch.chdir(tmp_path)
    return tmp_path


def run_fresh(code, env=None):
    """Runs `code` in a new interpreter with a fresh module; returns its stdout."""
    full_env = dict(os.environ, **(env or {}))
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=full_env)
    assert done.returncode == 0, done.stderr
    return done.stdout
