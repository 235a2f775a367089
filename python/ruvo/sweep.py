"""Many analyses at once: on a pool of local processes (the default), or on
any executor given as `client`, a Dask distributed cluster above all.

The engine keeps one model state per process, so the local pool runs
processes, and a Dask cluster runs workers with one thread each. Designs
travel in batches of consecutive designs, and results come back without
the panel the parent already holds: each message, wake-up and pickle is
paid per batch, so the parent's share stays small beside the analyses.
"""
from __future__ import annotations

import concurrent.futures as cf
import dataclasses
import numbers
import os
import pickle
import shutil
import sys
import tempfile
import warnings
from collections.abc import Callable, Iterable, Iterator, Mapping, Sequence
from concurrent.futures.process import BrokenProcessPool   # cf.process exists only once a process pool was made
from pathlib import Path
from typing import TYPE_CHECKING, Any, Literal

import tqdm

from . import analysis, table
from .panel import Panel
from .results import LoadCaseResults, ModalResult

if TYPE_CHECKING:
    import pandas

KINDS = ("buckle", "vibrate")
BATCH_CAP = 16   # designs per batch at most: bounds a dead worker's re-runs and the progress bar's steps

Outcome = ModalResult | LoadCaseResults | BaseException


class WorkerDied(RuntimeError):
    """The process analysing a design died (out of memory, a crash), also
    when the design was tried again alone."""


class SweepResult(list):
    """One entry per panel, in input order: the result, or the exception
    that analysis raised. `parameters` holds each design's parameters (the
    table's first columns; None: the panel inputs that differ between the
    designs); `designs` their numbers in the sweep (from 0; those finished
    before an interruption, see `sweep`)."""

    def __init__(self, outcomes: Iterable[Outcome] = (), panels: Iterable[Panel] = (),
                 parameters: list[dict[str, Any]] | None = None, designs: Sequence[int] | None = None) -> None:
        super().__init__(outcomes)
        self.panels, self.parameters = list(panels), parameters
        self.designs = list(range(len(self))) if designs is None else list(designs)

    @property
    def results(self) -> list[ModalResult | LoadCaseResults | None]:
        """Results in input order, None where the analysis failed."""
        return [None if isinstance(r, BaseException) else r for r in self]

    @property
    def errors(self) -> dict[int, BaseException]:
        """{index: exception} of the failed analyses."""
        return {i: r for i, r in enumerate(self) if isinstance(r, BaseException)}

    def to_frame(self) -> pandas.DataFrame:
        """A pandas DataFrame, one row per design (and load case): the design's
        parameters, status and error text, the critical load factor and its
        mode, or the natural frequencies.

        Returns
        -------
        pandas.DataFrame

        Examples
        --------
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panels = [ruvo.Panel(length=a, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0)) for a in (200.0, 300.0)]
        >>> swept = ruvo.sweep(panels, processes=1, progress=False, modes=2)
        >>> swept.to_frame()[["length", "status", "critical_mode"]].values.tolist()
        [[200.0, 'ok', 1], [300.0, 'ok', 1]]
        """
        return table.frame(table.rows(self, self.panels, self.parameters, self.designs))

    def to_csv(self, path: str | os.PathLike[str]) -> None:
        """The table of `to_frame` as a CSV file (no index column), every
        number in full: pandas.read_csv(path, float_precision="round_trip")
        reads the same numbers back.

        Returns
        -------
        None

        Examples
        --------
        >>> import pathlib, tempfile
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panels = [ruvo.Panel(length=a, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0)) for a in (200.0, 300.0)]
        >>> swept = ruvo.sweep(panels, processes=1, progress=False, modes=2)
        >>> path = pathlib.Path(tempfile.mkdtemp()) / "results.csv"
        >>> swept.to_csv(path)
        >>> path.read_text().splitlines()[0].split(",")[:3]
        ['design', 'length', 'status']
        """
        self.to_frame().to_csv(path, index=False)

    def to_excel(self, path: str | os.PathLike[str]) -> None:
        """The table of `to_frame` as an Excel workbook (.xlsx, through openpyxl).

        Returns
        -------
        None

        Examples
        --------
        >>> import pathlib, tempfile
        >>> import pandas
        >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
        >>> panels = [ruvo.Panel(length=a, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0)) for a in (200.0, 300.0)]
        >>> swept = ruvo.sweep(panels, processes=1, progress=False, modes=2)
        >>> path = pathlib.Path(tempfile.mkdtemp()) / "results.xlsx"
        >>> swept.to_excel(path)
        >>> pandas.read_excel(path)["status"].tolist()
        ['ok', 'ok']
        """
        self.to_frame().to_excel(path, index=False)


Listings = Literal[True] | str | None   # True: kept in the results; a directory for the files; None: dropped


@dataclasses.dataclass(frozen=True)
class _Job:
    """The designs' analyses, run where the executor puts them; every
    failure is the design's own, returned, not raised. Without `listings`
    the listing is dropped (a long sweep stays small); a directory gets each
    listing as design_NNNNN.out; True keeps it in the result."""
    kind: str
    options: dict[str, Any]
    listings: Listings = None
    scratch: str | None = None   # the local pool's private directory: markers of running designs

    def __call__(self, batch: list[tuple[int, Panel]]) -> list[Outcome]:
        """A batch in a worker: outcomes in the batch's order, each fit to
        travel back on its own (one design's odd exception cannot lose the
        others' results)."""
        return [_for_transport(self.run(index, panel)) for index, panel in batch]

    def run(self, index: int, panel: Panel) -> Outcome:
        marker = Path(self.scratch, f"running-{index}") if self.scratch else None
        if marker:
            marker.touch()
        outcome: Outcome
        try:
            result = getattr(analysis, self.kind)(panel, listing=self.listings is not None, **self.options)
            outcome = self._place_listing(index, result)
        except Exception as e:
            outcome = e
        if marker:
            marker.unlink()
        return outcome

    def _place_listing(self, index: int, result: ModalResult | LoadCaseResults) -> ModalResult | LoadCaseResults:
        if self.listings is True:
            return result
        cases = result.cases if isinstance(result, LoadCaseResults) else (result,)
        if self.listings is not None:   # one listing holds every load case
            Path(self.listings).mkdir(parents=True, exist_ok=True)   # also on a cluster's machines
            Path(self.listings, f"design_{index:05d}.out").write_text(cases[0].listing)
        bare: tuple[Any, ...] = tuple(dataclasses.replace(c, listing="", stdout="") for c in cases)
        return LoadCaseResults(bare) if isinstance(result, LoadCaseResults) else bare[0]


def _for_transport(outcome: Outcome) -> Outcome:
    """Without the panel, which the parent holds already (it costs more to
    pickle than the rest of a typical result); an exception that would not
    survive pickling becomes a RuntimeError with its text."""
    if isinstance(outcome, ModalResult):
        return dataclasses.replace(outcome, panel=None)
    if isinstance(outcome, BaseException):
        try:
            pickle.loads(pickle.dumps(outcome))
        except Exception:
            return RuntimeError(f"{type(outcome).__name__}: {outcome}")
    return outcome


def _with_panel(outcome: Outcome, panel: Panel) -> Outcome:
    if isinstance(outcome, ModalResult) and outcome.panel is None:
        return dataclasses.replace(outcome, panel=panel)
    return outcome


def _batches(indices: Sequence[int], workers: int | None) -> Iterator[list[int]]:
    """Consecutive designs in batches that shrink as the sweep goes on: each
    takes a quarter of a worker's even share of the designs not yet
    batched, remaining / (4 * workers) rounded up, at most BATCH_CAP. Early
    batches are large (few messages), the last ones single designs, so no
    worker idles long at the end. Without a worker count: one per batch."""
    start = 0
    while start < len(indices):
        size = min(BATCH_CAP, -(-(len(indices) - start) // (4 * workers))) if workers else 1
        yield list(indices[start:start + size])
        start += size


def _use_scratch(path: str) -> None:
    """Pool worker start: temporary directories inside the sweep's own, so
    that a worker stopped abruptly leaves nothing outside it."""
    tempfile.tempdir = path


def _check_processes(processes: object) -> int:
    if processes is None:
        return os.cpu_count() or 1
    if isinstance(processes, bool) or not isinstance(processes, numbers.Integral) or processes < 1:
        raise ValueError(f"processes: {processes!r} must be a positive whole number (or None for every core)")
    return int(processes)


def _listings(keep_listing: bool | str | os.PathLike[str] | None) -> Listings:
    if keep_listing is True or keep_listing is False or keep_listing is None:
        return True if keep_listing else None
    directory = Path(keep_listing).resolve()
    directory.mkdir(parents=True, exist_ok=True)
    return str(directory)


# ---- progress -------------------------------------------------------------------

def _progress_bar(total: int, enabled: bool) -> tqdm.std.tqdm:
    """tqdm's bar: a widget in a notebook, the bar with remaining time on a
    terminal, and a plain line every few seconds into a log otherwise."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        from tqdm.autonotebook import tqdm as auto
    options = dict(total=total, unit="design", disable=not enabled, file=sys.stderr)
    if auto is not tqdm.std.tqdm or sys.stderr.isatty():
        return auto(**options)
    return _LogLines(mininterval=5.0, ascii=True, **options)


class _LogLines(tqdm.std.tqdm):
    """One line per refresh (at most every `mininterval` seconds) and no
    carriage returns: readable in a log file."""

    def display(self, msg: str | None = None, pos: int | None = None) -> bool:
        self.fp.write((msg or self.__str__()) + "\n")
        self.fp.flush()
        return True


# ---- executors ------------------------------------------------------------------

Submit = Callable[..., Any]


def _interface(executor: Any) -> tuple[Submit, Callable[[Iterable[Any]], Iterable[Any]], int | None]:
    """submit(fn, *args), as_completed(futures) and the number of workers
    (None when the executor does not say) of a concurrent.futures executor
    (the local pool among them) or of a Dask distributed Client."""
    if isinstance(executor, cf.Executor):
        return executor.submit, cf.as_completed, getattr(executor, "_max_workers", None)
    import distributed
    threads = executor.nthreads()
    busy = {address: n for address, n in threads.items() if n != 1}
    if busy:
        raise ValueError(f"client: workers {sorted(busy)} run {sorted(set(busy.values()))} threads; each worker "
                         "process holds one engine model state: start them with --nthreads 1")
    return (lambda fn, *args: executor.submit(fn, *args, pure=False)), distributed.as_completed, len(threads) or None


def _collect(executor: Any, job: _Job, panels: Sequence[Panel], indices: Sequence[int], record: _Recorder,
             batched: bool = True) -> list[int]:
    """Runs the designs `indices` on `executor` in batches, recording the
    outcomes as they come; returns those lost with a broken local pool.
    Dask itself re-runs the batch of a worker that dies on the others. A
    batch that fails as a whole (a KilledWorker: it kept killing workers)
    runs again one design per batch, so that only the guilty design keeps
    that error."""
    submit, as_completed, workers = _interface(executor)
    futures = {submit(job, [(i, panels[i]) for i in batch]): batch
               for batch in _batches(indices, workers if batched else None)}
    lost: list[int] = []
    alone: list[int] = []
    try:
        for future in as_completed(futures):
            batch = futures.pop(future)
            try:
                record(batch, future.result())
            except BrokenProcessPool:
                lost += batch
            except Exception as e:
                if len(batch) > 1:
                    alone += batch
                else:
                    record(batch, [e])
    except BaseException:
        for future in futures:
            future.cancel()
        raise
    if lost:   # the pool is broken: the next round on a fresh one takes them all
        return lost + alone
    return _collect(executor, job, panels, alone, record, batched=False) if alone else []


def _stop(pool: cf.ProcessPoolExecutor) -> None:
    """Ends the pool's workers at once (Ctrl-C, an error here): queued designs
    are dropped, running ones abandoned. The queue's feeder thread may be
    blocked writing designs to workers that are gone: neither the shutdown
    nor the interpreter's exit may wait for it."""
    pool._call_queue.cancel_join_thread()  # type: ignore[attr-defined]  # private, as the processes below
    for process in list((pool._processes or {}).values()):  # no public way before Python 3.14
        process.kill()
    pool.shutdown(wait=True, cancel_futures=True)


def _pool_round(workers: int, job: _Job, panels: Sequence[Panel], indices: Sequence[int],
                record: _Recorder) -> list[int]:
    """Runs `indices` on a fresh local pool; returns those lost when a worker died."""
    pool = cf.ProcessPoolExecutor(workers, initializer=_use_scratch, initargs=(job.scratch,))
    try:
        lost = _collect(pool, job, panels, indices, record)
    except BaseException:
        _stop(pool)
        raise
    pool.shutdown()
    return lost


def _on_local_pool(processes: int, job: _Job, panels: Sequence[Panel], record: _Recorder) -> None:
    """A worker that dies breaks the whole pool: the designs of the batches
    it did not return run again on a fresh one; those that were running
    when it died are each tried once more alone, and only a design that
    kills its worker again is reported (WorkerDied)."""
    assert job.scratch is not None
    pending = list(range(len(panels)))
    while pending:
        lost = _pool_round(min(processes, len(pending)), job, panels, pending, record)
        running = {i for i in lost if Path(job.scratch, f"running-{i}").exists()}
        for i in sorted(running):
            Path(job.scratch, f"running-{i}").unlink()
            if _pool_round(1, job, panels, [i], record):
                record([i], [WorkerDied(f"design {i}: the worker process analysing it died, also when it ran "
                                        "again alone (out of memory or a crash)")])
        pending = [i for i in lost if i not in running]


class _Recorder:
    """Puts each outcome in its place, with its panel, and moves the progress bar."""

    def __init__(self, panels: Sequence[Panel], bar: tqdm.std.tqdm) -> None:
        self.panels, self.bar, self.failed = panels, bar, 0
        self.outcomes: list[Any] = [None] * len(panels)   # each filled once

    def __call__(self, indices: Sequence[int], outcomes: Sequence[Outcome]) -> None:
        for index, outcome in zip(indices, outcomes, strict=True):
            self.outcomes[index] = _with_panel(outcome, self.panels[index])
            self.failed += isinstance(outcome, BaseException)
        self.bar.update(len(indices))
        if self.failed:
            self.bar.set_postfix(failed=self.failed, refresh=False)


def sweep(panels: Iterable[Panel], processes: int | None = None, progress: bool = True, kind: str = "buckle", *,
          client: Any = None, keep_listing: bool | str | os.PathLike[str] = False,
          parameters: Sequence[Mapping[str, Any]] | None = None, **options: Any) -> SweepResult:
    """Analyses every panel, on local processes or on a cluster.

    Parameters
    ----------
    panels : iterable of Panel
        The designs.
    processes : int, optional
        Local worker processes (a positive whole number; None: one per core;
        1: in this process). A worker that dies costs only a re-run of the
        designs it held; a design that kills its worker again when run alone
        is reported as `WorkerDied`. Ctrl-C stops the workers at once.
    progress : bool
        tqdm's bar on standard error: with remaining time on a terminal, a
        widget in a notebook, a line every few seconds in a log file.
    kind : {"buckle", "vibrate"}
        The analysis; `options` go to it (``modes=...``, ``density=...``).
    client : distributed.Client or concurrent.futures.Executor, optional
        Where to run instead of the local pool: a Dask client whose workers
        run one thread each (each worker process holds one engine model
        state); Dask re-runs the designs of a worker that dies. Or a
        concurrent.futures.ProcessPoolExecutor the caller keeps across
        sweeps (an optimiser's generations): its workers start once instead
        of once per sweep.
    keep_listing : bool or path
        False (the default): results keep no listing, so a long sweep stays
        small; True keeps them; a directory receives each as
        ``design_NNNNN.out`` (on the machine that ran the design).
    parameters : list of mappings, optional
        Each design's parameters, the first columns of `SweepResult.to_frame`
        (default: the panel inputs that differ between the designs).

    Returns
    -------
    SweepResult
        One entry per panel in input order: the result, or the exception of
        a design that failed (the others go on).

    Raises
    ------
    KeyboardInterrupt
        On Ctrl-C, with the designs finished until then as its attribute
        ``sweep_result``: a SweepResult of those designs alone, their
        numbers in the sweep in its ``designs``.

    Examples
    --------
    >>> skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
    >>> panels = [ruvo.Panel(length=a, width=100.0, laminate=skin, loads=ruvo.Loads(Nx=1.0)) for a in (200.0, 300.0)]
    >>> swept = ruvo.sweep(panels, processes=1, progress=False, modes=2)
    >>> [round(r.critical_load_factor, 1) for r in swept.results]
    [25.3, 25.3]

    Notes
    -----
    Designs go to the workers in batches of consecutive designs (at most
    16; smaller towards the end of the sweep, so that no worker idles long),
    and the progress bar moves as each batch comes back. A worker that dies
    costs a re-run of its batch.
    """
    if kind not in KINDS:
        raise ValueError(f"kind: {kind!r} must be 'buckle' or 'vibrate'")
    processes = _check_processes(processes)
    panels = list(panels)
    if parameters is not None and len(parameters) != len(panels):
        raise ValueError(f"parameters: {len(parameters)} mappings for {len(panels)} panels")
    listings = _listings(keep_listing)
    rows = None if parameters is None else [dict(p) for p in parameters]
    with _progress_bar(len(panels), progress) as bar:
        record = _Recorder(panels, bar)
        try:
            _run(panels, processes, kind, client, listings, options, record)
        except KeyboardInterrupt as interrupt:
            done = [i for i, outcome in enumerate(record.outcomes) if outcome is not None]
            interrupt.sweep_result = SweepResult(  # type: ignore[attr-defined]
                [record.outcomes[i] for i in done], [panels[i] for i in done],
                None if rows is None else [rows[i] for i in done], done)
            raise
    return SweepResult(record.outcomes, panels, rows)


def _run(panels: list[Panel], processes: int, kind: str, client: Any, listings: Listings, options: dict[str, Any],
         record: _Recorder) -> None:
    """Every design's analysis, on `client`, in this process or on a local pool, into `record`."""
    if client is not None:
        lost = _collect(client, _Job(kind, options, listings), panels, range(len(panels)), record)
        record(lost, [BrokenProcessPool(f"design {i}: a worker of the client's process pool died "
                                        "and broke the pool before this design came back")
                      for i in lost])
    elif processes == 1 or len(panels) < 2:
        job = _Job(kind, options, listings)
        for i, panel in enumerate(panels):
            record([i], [job.run(i, panel)])
    else:
        scratch = tempfile.mkdtemp(prefix="ruvo-sweep-")
        try:
            _on_local_pool(processes, _Job(kind, options, listings, scratch), panels, record)
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
