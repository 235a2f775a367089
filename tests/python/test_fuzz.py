"""Random calls of every routine and calls on valid models (fuzz_calls.py), and random typed-entry calls and
package panels (fuzz_package.py), in child processes, so that a crash, a sanitizer report or a hang fails the
test naming the seed and the call; so does a routine that never ran past its checks. RUVO_FUZZ_CALLS (3000),
RUVO_FUZZ_BATCH (500 calls a child), RUVO_FUZZ_SEED (1), RUVO_FUZZ_REPORT (a file for the table of calls per
routine), RUVO_FUZZ_TYPED (2000 typed calls) and RUVO_FUZZ_PANELS (200 panels) set the series."""
import json
import math
import os
import pathlib
import subprocess
import sys

from fuzz_calls import discover

DRIVER = pathlib.Path(__file__).with_name("fuzz_calls.py")
PACKAGE_DRIVER = pathlib.Path(__file__).with_name("fuzz_package.py")
CALLS = int(os.environ.get("RUVO_FUZZ_CALLS", "3000"))
BATCH = int(os.environ.get("RUVO_FUZZ_BATCH", "500"))
FIRST_SEED = int(os.environ.get("RUVO_FUZZ_SEED", "1"))
TYPED = int(os.environ.get("RUVO_FUZZ_TYPED", "2000"))
PANELS = int(os.environ.get("RUVO_FUZZ_PANELS", "200"))
SECONDS_PER_CALL = 2.0          # far above any call's time, even an analysis under the sanitizers on a busy machine


def run_child(seed, calls, log, arguments, workdir):
    """One series of `calls` calls in a child that logs each call to `log`; returns its standard output."""
    try:
        done = subprocess.run([sys.executable, *arguments, "--seed", str(seed), "--log", str(log)],
                              cwd=workdir, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=30 + SECONDS_PER_CALL * calls)
    except subprocess.TimeoutExpired:
        raise AssertionError(f"seed {seed} hung at call: {log.read_text().splitlines()[-1]}")
    last = log.read_text().splitlines()[-1:] if log.exists() else []
    faults = [l for l in done.stderr.splitlines() if not l.startswith("ruvo: unit")]
    assert done.returncode == 0, (f"seed {seed} ended with code {done.returncode} at call {last}\n"
                                  + "\n".join(faults[-40:]))
    return done.stdout


def run_batch(seed, calls, workdir, idle):
    """One series in a child; `idle` names the routines earlier series never ran, which it calls first."""
    counts, waiting = workdir / f"counts-{seed}.json", workdir / "idle.txt"
    waiting.write_text("\n".join(idle))
    run_child(seed, calls, workdir / f"calls-{seed}.log",
              [str(DRIVER), "--calls", str(calls), "--counts", str(counts), "--idle", str(waiting)], workdir)
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



def test_random_typed_calls_and_package_panels(tmp_path):
    """Typed calls and panels in children of 500 typed calls and 50 panels each, from the series' first seed."""
    children = max(1, math.ceil(TYPED / 500), math.ceil(PANELS / 50))
    total = {}
    for k, seed in enumerate(range(FIRST_SEED, FIRST_SEED + children)):
        typed, panels = (n // children + (k < n % children) for n in (TYPED, PANELS))
        out = run_child(seed, typed + 20 * panels, tmp_path / f"package-{seed}.log",
                        [str(PACKAGE_DRIVER), "--typed", str(typed), "--panels", str(panels), "--tmp", str(tmp_path)],
                        tmp_path)
        for key, n in json.loads(out.splitlines()[-1]).items():
            total[key] = total.get(key, 0) + n
    print(total)
    # Both sides of every kind of call were reached: analyses and refusals.
    assert all(n > 0 for n in total.values()) or TYPED + PANELS < 100, total
