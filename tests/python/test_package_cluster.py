"""ruvo.sweep on a Dask scheduler and two single-threaded workers on the loopback address: sequential results."""
import os
import socket
import subprocess
import sys
from pathlib import Path

import pytest

import ruvo
from conftest import UNDER_ASAN, square
from ruvo import Mesh

# The scheduling is the subject here, not the engine's memory: once, without the sanitizers.
pytestmark = pytest.mark.skipif(UNDER_ASAN, reason="the cluster test runs in the plain build")

def designs():
    return [square(length=100.0 + 4.0 * k, mesh=Mesh(nx=14, ny=10)) for k in range(40)]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.fixture(scope="module")
def cluster(tmp_path_factory):
    """A client; the workers find the package through PYTHONPATH. Dask is imported here, not at collection:
    a child started by the test run inherits the run's peak resident size, which other tests measure."""
    distributed = pytest.importorskip("distributed")
    work = tmp_path_factory.mktemp("dask")
    address = f"tcp://127.0.0.1:{free_port()}"
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([str(Path(ruvo.__file__).parents[1])] + sys.path))
    quiet = dict(cwd=work, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    scheduler = subprocess.Popen([sys.executable, "-m", "distributed.cli.dask_scheduler", "--host", "127.0.0.1",
                                  "--port", address.rsplit(":", 1)[1], "--no-dashboard"], **quiet)
    workers = [subprocess.Popen([sys.executable, "-m", "distributed.cli.dask_worker", address, "--nthreads", "1",
                                 "--no-nanny", "--no-dashboard", "--host", "127.0.0.1", "--local-directory",
                                 str(work)], **quiet) for _ in range(2)]
    try:
        client = distributed.Client(address, timeout=120)
        client.wait_for_workers(2, timeout=120)
        yield client
        client.close()
    finally:
        for process in workers + [scheduler]:
            process.terminate()
            process.wait(60)


def test_cluster_sweep_equals_sequential_calls(cluster):
    sequential = [ruvo.buckle(p, modes=2).load_factors.tolist() for p in designs()]
    swept = ruvo.sweep(designs(), client=cluster, progress=False, modes=2)
    assert [r.load_factors.tolist() for r in swept] == sequential and not swept.errors
    assert all(r.listing == "" for r in swept)
    with pytest.raises(ValueError, match="processes"):
        ruvo.sweep(designs()[:2], processes=0, client=cluster)
