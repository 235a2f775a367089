"""Command line:

    python3 -m ruvo [buckle] PANEL.toml ... [--modes N] [--plot FILE.png [--mode N | --modes-plot 1,2,3]]
                                            [--margins] [--csv FILE] [--json [FILE]] [--quiet]
    python3 -m ruvo vibrate PANEL.toml ... --density RHO [the same options]
    python3 -m ruvo sweep DESIGNS.toml --out results.csv [--scheduler ADDRESS] [--processes N] [--quiet]
    python3 -m ruvo --version

Exit status: 0 done, 1 an analysis failed, 2 bad input (a file, a value or an option).
"""
from __future__ import annotations

import argparse
import glob
import json
import os
import sys
from pathlib import Path
from typing import Any, Sequence, Union

from . import (AnalysisError, BucklingResult, Panel, VibrationResult, __version__, buckle, designs, sweep, table,
               toml_panel, vibrate)

Result = Union[BucklingResult, VibrationResult]
DONE, FAILED, BAD_INPUT = 0, 1, 2
COMMANDS = ("buckle", "vibrate", "sweep")
EXIT_CODES = "exit status: 0 done, 1 an analysis failed, 2 bad input (a file, a value or an option)"


class BadInput(Exception):
    """A mistake of the caller's: reported in one line, exit status 2."""


def _mode_list(text: str) -> list[int]:
    try:
        modes = [int(m) for m in text.split(",")]
    except ValueError:
        raise argparse.ArgumentTypeError(f"{text!r} is not a list of mode numbers such as 1,2,3") from None
    if not modes or min(modes) < 1:
        raise argparse.ArgumentTypeError(f"{text!r}: mode numbers start at 1")
    return modes


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="python3 -m ruvo", formatter_class=argparse.RawDescriptionHelpFormatter,
        description="Buckling load factors and modes, or natural frequencies, of stiffened, laminated panels "
                    "described in TOML; sweeps over designs. The command defaults to buckle.",
        epilog=EXIT_CODES + ".\n\nA panel file:\n\n" + toml_panel.EXAMPLE + "\nA designs file (sweep):\n\n"
        + designs.EXAMPLE)
    parser.add_argument("--version", action="version", version=f"ruvo {__version__}")
    commands = parser.add_subparsers(dest="command", metavar="{buckle,vibrate,sweep}")
    for name, text in (("buckle", "buckling load factors and modes (the default)"),
                       ("vibrate", "natural frequencies and modes")):
        sub = commands.add_parser(name, help=text, description=text + ". " + EXIT_CODES)
        sub.add_argument("panels", nargs="+", metavar="PANEL.toml", help="panel files or glob patterns")
        if name == "vibrate":
            sub.add_argument("--density", type=float, required=True,
                             help="the skin's mass per unit area (as ruvo.vibrate takes it)")
        sub.add_argument("--modes", type=int, help="number of modes (default: the file's, else 5)")
        sub.add_argument("--plot", metavar="FILE.png", help="draw a mode into this picture (with several panels, "
                                                            "the panel file's name is added to it)")
        which = sub.add_mutually_exclusive_group()
        which.add_argument("--mode", type=int, default=1, metavar="N", help="the mode to draw (default 1)")
        which.add_argument("--modes-plot", type=_mode_list, metavar="1,2,3", help="draw these modes side by side")
        sub.add_argument("--csv", metavar="FILE", help="write one row per panel: the table of a sweep")
        if name == "buckle":
            sub.add_argument("--margins", action="store_true",
                             help="print the margins table (every part and failure mode, on the loads as "
                                  "ultimate); with --csv write it instead, one row per file, part and mode")
        else:
            sub.set_defaults(margins=False)
        sub.add_argument("--json", nargs="?", const="-", metavar="FILE",
                         help="write the results as JSON (to standard output without FILE; several: an array)")
        sub.add_argument("--quiet", action="store_true", help="print nothing but errors")
    sub = commands.add_parser("sweep", help="analyse every design of a designs file into a CSV table",
                              description="Analyse every design of a designs file. " + EXIT_CODES)
    sub.add_argument("designs", metavar="DESIGNS.toml", help="a base panel and the parameters to vary")
    sub.add_argument("--out", required=True, metavar="results.csv", help="the table, one row per design")
    sub.add_argument("--scheduler", metavar="ADDRESS", help="a Dask scheduler, such as tcp://10.0.0.5:8786")
    sub.add_argument("--processes", type=int, help="local worker processes (default: one per core)")
    sub.add_argument("--quiet", action="store_true", help="no progress bar")
    return parser


def _files(patterns: Sequence[str]) -> list[str]:
    """The panel files: each argument a file or a glob pattern matching some."""
    out = []
    for pattern in patterns:
        matches = [pattern] if os.path.exists(pattern) else sorted(glob.glob(pattern))
        if not matches:
            raise BadInput(f"{pattern}: no such file")
        out += matches
    return out


def _check_writable(path: str) -> None:
    """Refuses an output path that cannot be written, before any analysis."""
    target = Path(path)
    existed = target.exists()
    try:
        with open(target, "ab"):
            pass
    except OSError as e:
        raise BadInput(f"{path}: cannot be written ({e.strerror})") from None
    if not existed:
        target.unlink()


def _plot_paths(plot: str, files: Sequence[str]) -> list[str]:
    if len(files) == 1:
        return [plot]
    base = Path(plot)
    return [str(base.with_name(f"{base.stem}-{Path(f).stem}{base.suffix}")) for f in files]


def _outputs(args: argparse.Namespace, files: Sequence[str]) -> None:
    outputs = [p for p in (args.csv, None if args.json == "-" else args.json) if p]
    outputs += _plot_paths(args.plot, files) if args.plot else []
    for path in outputs:
        _check_writable(path)


def _analyse(args: argparse.Namespace, panel: Panel, options: dict[str, Any]) -> Result:
    modes = options["modes"] if args.modes is None else args.modes
    if args.command == "vibrate":
        return vibrate(panel, density=args.density, modes=modes)
    return buckle(panel, modes=modes)


def _report(result: Result) -> str:
    lines = [result.panel.title] if result.panel.title else []
    lines.append(result.table())
    if isinstance(result, BucklingResult):
        if result.buckles:
            lines.append(f"critical load factor {result.critical_load_factor:.8g} (mode {result.critical_mode})")
        else:
            lines.append(f"does not buckle under the applied loads: {result.no_buckling_reason}")
        if result.stringer_strength is not None:
            lines.append(f"stringers: {result.stringer_strength}")
    return "\n".join(lines)


def _draw(result: Result, args: argparse.Namespace, path: str) -> None:
    from . import plot
    figure = plot.modes(result, args.modes_plot or [args.mode], file=path)
    plot._pyplot().close(figure)   # one picture per panel file: none stays open


def _panels_command(args: argparse.Namespace) -> int:
    files = _files(args.panels)
    read = [toml_panel.load(f) for f in files]
    _outputs(args, files)
    outcomes: list[Result | AnalysisError] = []
    for f, (panel, options) in zip(files, read):
        try:
            outcomes.append(_analyse(args, panel, options))
        except AnalysisError as e:
            print(f"ruvo: {f}: {e}", file=sys.stderr)
            outcomes.append(e)
    results = [r for r in outcomes if not isinstance(r, BaseException)]
    if args.json == "-":
        print(_json(results))
    elif not args.quiet:
        for f, r in zip(files, outcomes):
            if not isinstance(r, BaseException):
                print(("" if len(files) == 1 else f"== {f}\n") + _report(r))
                if isinstance(r, BucklingResult) and args.margins:
                    print(r.margins().to_string(index=False))
    if args.json and args.json != "-":
        Path(args.json).write_text(_json(results))
    if args.csv and args.margins:
        import pandas
        tables = [r.margins().assign(file=f) for f, r in zip(files, outcomes) if isinstance(r, BucklingResult)]
        pandas.concat(tables or [pandas.DataFrame(columns=["file"])]).to_csv(args.csv, index=False)
    elif args.csv:
        import pandas
        pandas.DataFrame(table.rows(outcomes, [p for p, _ in read], [{"file": f} for f in files])).to_csv(
            args.csv, index=False)
    if args.plot:
        for path, r in zip(_plot_paths(args.plot, files), outcomes):
            if not isinstance(r, BaseException):
                _draw(r, args, path)
    return FAILED if len(results) < len(outcomes) else DONE


def _json(results: Sequence[Result]) -> str:
    if len(results) == 1:
        return results[0].to_json(indent=1)
    return json.dumps([json.loads(r.to_json()) for r in results], indent=1)


def _sweep_command(args: argparse.Namespace) -> int:
    if args.processes is not None and args.processes < 1:
        raise BadInput(f"--processes: {args.processes} must be a positive whole number")
    plan = designs.load(args.designs)
    _check_writable(args.out)
    client = None
    if args.scheduler:
        import distributed
        try:
            client = distributed.Client(args.scheduler, timeout=30)
        except OSError as e:
            raise BadInput(f"--scheduler {args.scheduler}: no scheduler answers ({e})") from None
    try:
        swept = sweep(plan.panels, processes=args.processes, progress=not args.quiet, kind=plan.kind,
                      client=client, parameters=plan.parameters, **plan.options)
    finally:
        if client is not None:
            client.close()
    swept.to_csv(args.out)
    for index, error in swept.errors.items():
        print(f"ruvo: design {index}: {' '.join(str(error).split())}", file=sys.stderr)
    return FAILED if swept.errors else DONE


def main(argv: Sequence[str] | None = None) -> int:
    argv = list(sys.argv[1:] if argv is None else argv)
    if argv and argv[0] not in COMMANDS and not argv[0].startswith("-"):
        argv.insert(0, "buckle")   # the default command
    args = _parser().parse_args(argv)
    if args.command is None:
        _parser().error("a panel file is needed (python3 -m ruvo PANEL.toml)")
    try:
        return _sweep_command(args) if args.command == "sweep" else _panels_command(args)
    except (BadInput, ValueError, OSError) as e:
        print(f"ruvo: {e}", file=sys.stderr)
        return BAD_INPUT


if __name__ == "__main__":
    sys.exit(main())
