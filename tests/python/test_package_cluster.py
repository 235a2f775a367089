"""ruvo.sweep on a Dask cluster of separate processes: a scheduler and two
single-threaded workers on the loopback address, started here and stopped
at the end. Results come in input order equal to sequential calls, also
when a worker is killed in the middle of the sweep."""
import os
import signal
import socket
import subprocess
import sys
import threading
import time
from pathlib import Path

import pytest

import ruvo
from conftest import UNDER_ASAN
from ruvo import Laminate, Loads, Mesh, Panel

# The scheduling is the subject here, not the engine's memory: once, without the sanitizers.
pytestmark = pytest.mark.skipif(UNDER_ASAN, reason="the cluster test runs in the plain build")

SKIN = Laminate.isotropic(70000.0, 0.3, 1.0)


def designs():
    return [Panel(length=100.0 + 4.0 * k, width=100.0, laminate=SKIN, loads=Loads(Nx=1.0), mesh=Mesh(nx=14, ny=10))
            for k in range(40)]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.fixture(scope="module")
def cluster(tmp_path_factory):
    """(client, worker processes); the workers hold the package through PYTHONPATH.
    Dask is imported here, not when the tests are collected: a child started by
    the test run inherits the run's peak resident size, which other tests measure."""
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
        yield client, workers
        client.close()
    finally:
        for process in workers + [scheduler]:
            process.terminate()
            process.wait(60)


def known_tasks(dask_scheduler):
    return len(dask_scheduler.tasks)   # a task is forgotten once its result was collected


def test_cluster_sweep_equals_sequential_calls_also_when_a_worker_is_killed(cluster):
    client, workers = cluster
    sequential = [ruvo.buckle(p, modes=2).load_factors.tolist() for p in designs()]
    swept = ruvo.sweep(designs(), client=client, progress=False, modes=2)
    assert [r.load_factors.tolist() for r in swept] == sequential and not swept.errors
    assert all(r.listing == "" for r in swept)

    # a worker killed mid-sweep costs only a re-run
    outcome = {}
    run = threading.Thread(target=lambda: outcome.update(
        swept=ruvo.sweep(designs(), client=client, progress=False, modes=2)))
    run.start()
    submitted = 0
    while run.is_alive():   # the designs travel in batches: wait until two batches are collected
        known = client.run_on_scheduler(known_tasks)
        if submitted and known <= submitted - 2:
            break
        submitted = max(submitted, known)
        time.sleep(0.02)
    workers[0].send_signal(signal.SIGKILL)
    run.join(300)
    swept = outcome["swept"]
    assert len(swept) == 40 and not swept.errors
    assert [r.load_factors.tolist() for r in swept] == sequential   # each design answered once, in order
    with pytest.raises(ValueError, match="processes"):
        ruvo.sweep(designs()[:2], processes=0, client=client)
