"""Command line: python3 -m ruvo PANEL.toml [--modes N] [--plot FILE.png] [--json [FILE]]"""
from __future__ import annotations

import argparse
import sys

from . import AnalysisError, buckle, toml_panel


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="python3 -m ruvo", formatter_class=argparse.RawDescriptionHelpFormatter,
        description="Buckling load factors and modes of a stiffened, laminated panel described in TOML.",
        epilog="A panel file:\n\n" + toml_panel.EXAMPLE)
    parser.add_argument("panel", help="the panel, a TOML file")
    parser.add_argument("--modes", type=int, help="number of modes (default: the file's, else 5)")
    parser.add_argument("--plot", metavar="FILE.png", help="draw the first mode into this picture")
    parser.add_argument("--json", nargs="?", const="-", metavar="FILE",
                        help="write the results as JSON (to standard output without FILE)")
    args = parser.parse_args(argv)
    try:
        panel, options = toml_panel.load(args.panel)
        result = buckle(panel, modes=options["modes"] if args.modes is None else args.modes)
    except (OSError, ValueError) as e:
        print(f"ruvo: {e}", file=sys.stderr)
        return 2
    except AnalysisError as e:
        print(f"ruvo: {e}", file=sys.stderr)
        return 1
    if args.json == "-":
        print(result.to_json(indent=1))
    else:
        if panel.title:
            print(panel.title)
        print(result.table())
        if args.json:
            with open(args.json, "w") as f:
                f.write(result.to_json(indent=1))
    if args.plot:
        result.plot(1, file=args.plot)
    return 0


if __name__ == "__main__":
    sys.exit(main())
