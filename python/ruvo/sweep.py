"""Many analyses at once on a pool of processes (the engine's model state
is one per process, so processes, not threads)."""
from __future__ import annotations

import concurrent.futures as cf
import os
import sys
import time

from . import analysis


class SweepResult(list):
    """One entry per panel, in input order: the result, or the exception
    that analysis raised."""

    @property
    def results(self):
        """Results in input order, None where the analysis failed."""
        return [None if isinstance(r, BaseException) else r for r in self]

    @property
    def errors(self):
        """{index: exception} of the failed analyses."""
        return {i: r for i, r in enumerate(self) if isinstance(r, BaseException)}


class _Progress:
    """A one-line bar on standard error when it is a terminal."""

    def __init__(self, total, enabled):
        self.total, self.done, self.failed = total, 0, 0
        self.enabled = enabled and sys.stderr.isatty()
        self.start = time.monotonic()

    def step(self, failed):
        self.done += 1
        self.failed += failed
        if self.enabled:
            filled = 30 * self.done // max(self.total, 1)
            sys.stderr.write(f"\r[{'#' * filled}{'.' * (30 - filled)}] {self.done}/{self.total}"
                             f" failed {self.failed}  {time.monotonic() - self.start:6.1f} s")
            sys.stderr.flush()

    def close(self):
        if self.enabled:
            sys.stderr.write("\n")


def _run(kind, panel, options):
    try:
        return getattr(analysis, kind)(panel, **options)
    except Exception as e:  # every failure is the item's, not the sweep's
        return e


def sweep(panels, processes=None, progress=True, kind="buckle", **options):
    """Runs `kind` ("buckle" or "vibrate") on every panel with `options`
    (modes=..., density=...) on `processes` worker processes (default: all
    cores; 1 runs in this process). Returns a SweepResult in input order;
    a failing panel is reported there and the sweep goes on."""
    if kind not in ("buckle", "vibrate"):
        raise ValueError(f"kind: {kind!r} must be 'buckle' or 'vibrate'")
    panels = list(panels)
    processes = processes or os.cpu_count() or 1
    out = SweepResult([None] * len(panels))
    bar = _Progress(len(panels), progress)
    try:
        if processes == 1:
            for i, p in enumerate(panels):
                out[i] = _run(kind, p, options)
                bar.step(isinstance(out[i], BaseException))
            return out
        with cf.ProcessPoolExecutor(max_workers=min(processes, max(len(panels), 1))) as pool:
            futures = {pool.submit(_run, kind, p, options): i for i, p in enumerate(panels)}
            for f in cf.as_completed(futures):
                try:
                    out[futures[f]] = f.result()
                except Exception as e:  # a worker that died takes only its items with it
                    out[futures[f]] = e
                bar.step(isinstance(out[futures[f]], BaseException))
        return out
    finally:
        bar.close()
