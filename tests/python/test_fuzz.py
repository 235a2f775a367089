"""Random calls of every routine and calls on valid models (fuzz_calls.py) in child processes, so that a
crash, a sanitizer report or a hang fails the test naming the seed and the call; so does a routine that never
ran past its checks. RUVO_FUZZ_CALLS (3000), RUVO_FUZZ_BATCH (500 calls a child), RUVO_FUZZ_SEED (1) and
RUVO_FUZZ_REPORT (a file for the table of calls per routine) set the series."""
import json
import os
import pathlib
import subprocess
import sys

from fuzz_calls import discover

DRIVER = pathlib.Path(__file__).with_name("fuzz_calls.py")
CALLS = int(os.environ.get("RUVO_FUZZ_CALLS", "3000"))
BATCH = int(os.environ.get("RUVO_FUZZ_BATCH", "500"))
FIRST_SEED = int(os.environ.get("RUVO_FUZZ_SEED", "1"))
SECONDS_PER_CALL = 2.0          # far above any call's time, even an analysis under the sanitizers on a busy machine


def run_batch(seed, calls, workdir, idle):
    """One series in a child; `idle` names the routines earlier series never ran, which it calls first."""
    log, counts, waiting = workdir / f"calls-{seed}.log", workdir / f"counts-{seed}.json", workdir / "idle.txt"
    waiting.write_text("\n".join(idle))
    try:
        done = subprocess.run([sys.executable, str(DRIVER), "--seed", str(seed), "--calls", str(calls),
                               "--log", str(log), "--counts", str(counts), "--idle", str(waiting)],
                              cwd=workdir, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True, timeout=30 + SECONDS_PER_CALL * calls)
    except subprocess.TimeoutExpired:
        raise AssertionError(f"seed {seed} hung at call: {log.read_text().splitlines()[-1]}")
    last = log.read_text().splitlines()[-1:] if log.exists() else []
    faults = [l for l in done.stderr.splitlines() if not l.startswith("ruvo: unit")]
    assert done.returncode == 0, (f"seed {seed} ended with code {done.returncode} at call {last}\n"
                                  + "\n".join(faults[-40:]))
    return json.loads(counts.read_text())


def test_random_calls_of_every_routine(tmp_path):
    total = {name: {"ran": 0, "refused": 0} for name, _, _ in discover()}
    assert {"ruvoutils.mklvbd", "prtnds19.rddata", "prtnds25.ruvomain", "prtnds31.ruvomain"} <= set(total)
    for seed, first in enumerate(range(0, CALLS, BATCH), FIRST_SEED):
        idle = [name for name, c in total.items() if c["ran"] == 0]
        for name, c in run_batch(seed, min(BATCH, CALLS - first), tmp_path, idle).items():
            total[name] = {key: total[name][key] + c[key] for key in ("ran", "refused")}
    width = max(map(len, total))
    text = "".join([f"{'routine'.ljust(width)}  calls    ran  refused\n"] + [
        f"{name.ljust(width)}  {c['ran'] + c['refused']:5d}  {c['ran']:5d}  {c['refused']:7d}\n"
        for name, c in sorted(total.items())])
    if os.environ.get("RUVO_FUZZ_REPORT"):
        pathlib.Path(os.environ["RUVO_FUZZ_REPORT"]).write_text(text)
    print(text)
    # Every routine ran past its checks at least once (a short series may miss some).
    idle = sorted(name for name, c in total.items() if c["ran"] == 0)
    assert not idle or CALLS < 3 * len(total), f"never ran past the checks: {idle}"

