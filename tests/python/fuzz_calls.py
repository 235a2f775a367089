"""Seeded random calls of every routine of `_ruvo`, in this process.

The routines, their containers and shared blocks are found in the module
itself and each routine's arguments are read from its docstring, so a routine
added later is called without editing this file. Before calls, random values
go into shared-block members and random namelist text into fort.8 of the
working directory. Each call gets random argument counts, types, dtypes,
shapes, orders, read-only, misaligned, overlapping and non-contiguous arrays,
huge and negative integers, NaN and infinity; most are near what the routine
expects, so that the calls reach past the checks into the routines.

A fault makes the process exit non-zero (a crash or a sanitizer report ends
it anyway): an exception other than the surface's refusals, a model state
changed by a refused call, or a write into the guard entries around an array.
Each call is written to the log before it is made, so the last line names the
call that crashed.

    python3 fuzz_calls.py --seed 1 --calls 1000 --log calls.log --counts counts.json
"""
import argparse
import json
import re
import sys
import warnings

import numpy as np

import _ruvo

GUARD = 8                      # guard entries on each side of an in-place array
SMALL_SIZES = [0, 1, 2, 2, 3, 3, 4, 5, 6, 7, 8, 12, 20, 33]
WILD_INTS = [-1, -2, -2**31, 2**31 - 1, 2**31, -2**31 - 1, 2**32 + 5, 2**40, -2**63, 2**63, 2**64 + 1, 10**30,
             65535, 65536, 65537, 3844, 62, 100000]
WILD_FLOATS = [float("nan"), float("inf"), float("-inf"), 1e300, -1e300, 3.5e38, -3.5e38, 1e-320, 0.0, -0.0,
               1e-30, 1e38]
WRONG_DTYPES = [np.int8, np.int16, np.int32, np.int64, np.uint32, np.uint64, np.float16, np.float32, np.float64,
                np.complex128, np.bool_, object, "U3", ">f8", ">i4"]
NAMELIST_GROUPS = ["title", "antype", "inert", "tstringer", "ostringer", "TITLE", "ANTYPE", "unknown", ""]
NAMELIST_MEMBERS = ["tit", "temp", "strs", "buck", "vibr", "inpb", "cripan", "glban", "dom", "domx", "domy",
                    "footth", "webth", "footwidth", "webheight", "ddst", "chordwidth", "chordth", "alpha", "x"]
ERROR = getattr(_ruvo, "__ruvo_error")
# A failed conversion keeps the class of the underlying error (a huge integer
# in an integer array is an OverflowError).
ALLOWED = (ERROR, TypeError, ValueError, OverflowError)


class Fault(Exception):
    pass


# ---- discovery ---------------------------------------------------------------

ARG_LINE = re.compile(r"^(\w+) : (input |in/output |)(.*?)(, optional)?$")
DEFAULT_LINE = re.compile(r"^\s+Default: shape\((\w+), (\d+)\)$")


def parse_doc(doc):
    """The arguments of a routine as its docstring lists them."""
    args, section = [], None
    for line in doc.split("\n"):
        if line in ("Parameters", "Other Parameters", "Returns"):
            section = line
            continue
        m = ARG_LINE.match(line)
        if m and section != "Returns":
            name, intent, kind, optional = m.groups()
            arg = {"name": name, "inout": intent == "in/output ", "optional": bool(optional)}
            if kind.startswith("rank-"):
                am = re.match(r"rank-(\d+) array\('(\w)'\) with bounds \((.*)\)", kind)
                arg.update(kind="array", letter=am.group(2), bounds=am.group(3).split(","))
            elif kind.startswith("string"):
                arg.update(kind="string", length=int(re.search(r"len=(\d+)", kind).group(1)))
            else:
                arg.update(kind=kind)
            args.append(arg)
        d = DEFAULT_LINE.match(line)
        if d and args:
            args[-1]["default"] = (d.group(1), int(d.group(2)))
    return args


def discover(module=_ruvo):
    """[(qualified name, routine, arguments)] of every routine of every container."""
    routines = []
    for cname in sorted(dir(module)):
        container = getattr(module, cname)
        if not isinstance(container, module.container):
            continue
        for rname in sorted(container.__dict__):
            r = container.__dict__[rname]
            if isinstance(r, module.routine):
                routines.append((f"{cname}.{rname}", r, parse_doc(r.__doc__)))
    return routines


def shared_blocks(module=_ruvo):
    return [(name, getattr(module, name)) for name in sorted(dir(module))
            if isinstance(getattr(module, name), module.shared_block)]


def snapshot(blocks):
    return [(bname, m, np.array(getattr(b, m)).tobytes()) for bname, b in blocks for m in dir(b)]


# ---- random values -------------------------------------------------------------

class Maker:
    def __init__(self, rng):
        self.rng = rng

    def chance(self, p):
        return self.rng.random() < p

    def pick(self, seq):
        return seq[self.rng.integers(len(seq))]

    def small_int(self):
        return int(self.pick(SMALL_SIZES)) if self.chance(0.9) else int(self.rng.integers(-5, 200))

    def wild_scalar(self):
        return self.pick([self.pick(WILD_INTS), self.pick(WILD_FLOATS), "seven", b"x", None, [1, 2], 1 + 2j,
                          np.int64(2**40), np.float32(1.5), np.array([3]), True, object()])

    def int_scalar(self):
        return self.wild_scalar() if self.chance(0.15) else self.small_int()

    def float_scalar(self):
        if self.chance(0.8):
            return float(self.pick([1e-8, 1e-12, 0.5, 1.0, 2.0, 1e29, -1.0, self.rng.normal()]))
        return self.pick(WILD_FLOATS) if self.chance(0.7) else self.wild_scalar()

    def text(self, length):
        n = int(self.rng.integers(0, 2 * length + 2))
        chars = "ABCXYZabc 0189_./-'&\u00e9" if self.chance(0.1) else "ABCXYZabc 0189_./-"
        return "".join(self.pick(chars) for _ in range(n))

    def level_vector(self, n):
        """A band level vector of order n, now and then spoiled."""
        ibd = min(self.band, n) if 0 < self.band and self.chance(0.8) else int(self.rng.integers(1, max(n, 1) + 1))
        rows = np.minimum(np.arange(1, n + 1), ibd)
        lv = np.concatenate(([0], np.cumsum(rows)[:-1])) - np.arange(1, n + 1) + rows if n else np.zeros(0)
        lv = lv.astype(np.int64)
        if n and self.chance(0.2):
            lv[self.rng.integers(n)] = self.pick([-1, 2**31 - 1, -2**31, int(self.rng.integers(-9, 99))])
        return lv

    def fill(self, letter, size, name):
        if letter == "i":
            if name.startswith("lv") and self.chance(0.7):
                return self.level_vector(size)
            choice = self.rng.random()
            if choice < 0.6:
                return self.rng.integers(-1, 8, size) if self.wild else self.rng.integers(0, 4, size)
            if choice < 0.9:
                return self.rng.integers(-2**31, 2**31, size)
            return np.array([self.pick([0, 1, 5, 6, 62, 2**31 - 1, -2**31]) for _ in range(size)])
        values = self.rng.normal(size=size) * self.pick([1.0, 1e-3, 1e6])
        if size and self.chance(0.2):
            values[self.rng.integers(size)] = self.pick(WILD_FLOATS)
        if letter == "d" and self.chance(0.3):
            values = np.abs(values) + 1.0
        return values


class Guarded:
    """An array argument passed in place, with guard entries on both sides."""

    def __init__(self, values, dtype, shape, order):
        size = int(np.prod(shape))
        self.buffer = np.full(size + 2 * GUARD, 77, dtype)
        self.buffer[GUARD:GUARD + size] = np.asarray(values).astype(dtype)[:size]
        self.view = self.buffer[GUARD:GUARD + size].reshape(shape, order=order)
        self.guards = self.buffer.copy()

    def intact(self):
        return (np.array_equal(self.buffer[:GUARD], self.guards[:GUARD])
                and np.array_equal(self.buffer[-GUARD:], self.guards[-GUARD:]))


DTYPE = {"i": np.int32, "f": np.float32, "d": np.float64}


class CallMaker(Maker):
    """One call's values. Its wildness is drawn per call, so that some calls
    are wholly well formed and reach the routine, and others pile faults up."""

    def __init__(self, rng):
        super().__init__(rng)
        self.guarded = []
        self.wild = 0.0
        self.band = 1
        self.order = 2

    def chance_wild(self):
        return self.chance(self.wild)

    def size_of(self, factor, sizes):
        if factor.isdigit():
            return int(factor)
        if factor == "":
            return 1
        return sizes.setdefault(factor, self.small_int() if self.chance(0.95) else self.pick([-1, 50, 65]))

    def shape_of(self, bounds, sizes):
        shape = []
        for b in bounds:
            if b == "*":
                full = self.order * (self.order + 1) // 2
                shape.append(self.pick(SMALL_SIZES + [40, 100, 400, full, full, full + 5]))
            else:
                n = 1
                for f in b.split("*"):
                    n *= self.size_of(f, sizes)
                shape.append(max(n, 0))
        return tuple(shape)

    def sane_array(self, arg, sizes):
        dtype = DTYPE[arg["letter"]]
        shape = self.shape_of(arg["bounds"], sizes)
        if np.prod(shape) > 200000:
            shape = (3,) * len(shape)
        values = self.fill(arg["letter"], int(np.prod(shape)), arg["name"])
        order = "C" if self.chance_wild() else "F"
        if not self.chance_wild():
            g = Guarded(values, dtype, shape, order)
            self.guarded.append(g)
            return g.view
        a = np.asarray(values).astype(dtype).reshape(shape, order=order)
        return self.spoil(a)

    def spoil(self, a):
        """The same values, in one of the forms the surface must copy or refuse."""
        kind = self.rng.integers(6)
        if kind == 0:
            a = a.copy()
            a.flags.writeable = False
        elif kind == 1 and a.size:
            wide = np.repeat(a.ravel(order="F"), 2)
            a = wide[::2].reshape(a.shape, order="F") if a.ndim else wide[0]
        elif kind == 2:
            raw = np.zeros(a.nbytes + 1, np.uint8)
            a = raw[1:].view(a.dtype).reshape(a.shape, order="F") if a.ndim and a.dtype.kind != "O" else a
        elif kind == 3:
            a = a.tolist()
        elif kind == 4:
            try:
                a = a.astype(self.pick(WRONG_DTYPES))
            except ValueError:
                pass
        return a

    def wild_array(self, arg):
        choice = self.rng.integers(5)
        if choice == 0:
            return self.wild_scalar()
        shape = tuple(self.pick([0, 1, 2, 3, 7, 40]) for _ in range(self.rng.integers(0, 4)))
        a = np.asarray(self.rng.normal(size=shape) * 10)
        return self.spoil(a.astype(self.pick(WRONG_DTYPES[3:])) if choice == 1 else a)

    def value(self, arg, sizes):
        kind = arg["kind"]
        if kind == "array":
            return self.wild_array(arg) if self.chance_wild() else self.sane_array(arg, sizes)
        if kind == "string":
            return self.wild_scalar() if self.chance_wild() else self.text(arg["length"])
        if self.chance_wild():
            return self.wild_scalar()
        if kind == "float":
            return self.float_scalar()
        if arg["name"] in sizes and self.chance(0.8):
            return sizes[arg["name"]]
        if arg["name"].startswith("ibd") and self.chance(0.8):
            return self.band
        return self.small_int()

    def call(self, args):
        """Positional and keyword values for one call."""
        self.guarded = []
        self.wild = self.pick([0.0, 0.0, 0.02, 0.1, 0.3])
        self.order = int(self.rng.integers(2, 40)) if self.chance(0.9) else self.small_int()
        self.band = int(self.rng.integers(1, self.order + 1)) if self.order > 0 else 0
        sizes = {"n": self.order}      # the common name of a matrix order
        required = [a for a in args if not a["optional"]]
        values = [self.value(a, sizes) for a in required]
        arrays = [i for i, v in enumerate(values) if isinstance(v, np.ndarray) and v.ndim]
        if len(arrays) >= 2 and self.chance(0.05):  # one array over another's storage
            i, j = self.rng.choice(arrays, 2, replace=False)
            src, dst = values[i], values[j]
            if src.nbytes >= dst.itemsize and src.flags.c_contiguous and "O" not in (src.dtype.kind, dst.dtype.kind):
                n = src.nbytes // dst.itemsize
                values[j] = np.ndarray((n,), dst.dtype, buffer=src)
        kwargs = {}
        names = [r["name"] for r in required]
        for a in args:
            if a["optional"] and self.chance(0.3):
                arr_name, dim = a.get("default", (None, 0))
                v = values[names.index(arr_name)] if arr_name in names else None
                shape = v.shape if isinstance(v, np.ndarray) else ()
                kwargs[a["name"]] = shape[dim] if dim < len(shape) and self.chance(0.6) else self.int_scalar()
        if self.chance(0.05):
            values = values[:self.rng.integers(len(values) + 1)]
        if self.chance(0.03):
            values.append(self.wild_scalar())
        if self.chance(0.03):
            kwargs[self.pick(["bogus", "n", args[0]["name"] if args else "x"])] = self.small_int()
        return values, kwargs


# ---- the model state and the input file -------------------------------------

class StateMaker(Maker):
    def member_value(self, current):
        if current.dtype.kind == "S":
            return b"".join(self.pick([b"A", b" ", b"\x00", b"\xff", b"/"]) for _ in range(current.size))
        if current.dtype.kind == "f":
            return self.pick(WILD_FLOATS) if self.chance(0.3) else float(self.rng.normal() * 100)
        return (self.pick([-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 62, 3844, 2**31 - 1, -2**31])
                if self.chance(0.8) else int(self.rng.integers(-100, 5000)))

    def disturb(self, blocks):
        """Random values into a few members: whole, or one entry of a live view."""
        for _ in range(self.rng.integers(1, 5)):
            bname, block = self.pick(blocks)
            members = dir(block)
            mname = self.pick(members)
            if bname == "datran" and self.chance(0.9):
                setattr(block, mname, self.pick([8, 9, 10, 11, 6, 5, 7, 0, -1, 99]))
                continue
            view = getattr(block, mname)
            if view.ndim and view.size:
                view.flat[self.rng.integers(view.size)] = np.array(self.member_value(view.flat[0:1])).ravel()[0]
            elif not view.ndim:
                try:
                    setattr(block, mname, self.member_value(view))
                except ERROR:
                    pass

    def namelist_text(self):
        lines = []
        for _ in range(self.rng.integers(0, 6)):
            group = self.pick(NAMELIST_GROUPS)
            items = []
            for _ in range(self.rng.integers(0, 5)):
                name = self.pick(NAMELIST_MEMBERS)
                if self.chance(0.3):
                    name += f"({self.rng.integers(-2, 40)})"
                value = self.pick(["T", ".FALSE.", "1", "-3", "2.5e3", "'text'", "1e99", "3*1.0", "",
                                   "'unterminated", "99999999999", ",", "nan"])
                items.append(f"{name}={value}")
            end = self.pick([" /", " /", "", " &end", "/"])
            lines.append(f"&{group} " + self.pick([", ", "\n ", " "]).join(items) + end)
            if self.chance(0.2):
                lines.append(self.pick(["junk", "", "/", "&", "!comment", "\t"]))
        return "\n".join(lines) + ("\n" if self.chance(0.8) else "")


# ---- the driver -----------------------------------------------------------------

def run(seed, calls, log, only=None):
    warnings.simplefilter("ignore")
    rng = np.random.default_rng(seed)
    routines = [r for r in discover() if only is None or re.search(only, r[0])]
    blocks = shared_blocks()
    cm, sm = CallMaker(rng), StateMaker(rng)
    counts = {name: {"ran": 0, "refused": 0, "reasons": {}} for name, _, _ in routines}
    for k in range(calls):
        if sm.chance(0.3):
            sm.disturb(blocks)
        if sm.chance(0.1):
            with open("fort.8", "w") as f:
                f.write(sm.namelist_text())
        name, routine, args = routines[rng.integers(len(routines))]
        values, kwargs = cm.call(args)
        log.write(f"{k} {name} {describe(values)} {describe(kwargs)}\n")
        log.flush()
        before = snapshot(blocks)
        try:
            routine(*values, **kwargs)
            counts[name]["ran"] += 1
        except ALLOWED as e:
            counts[name]["refused"] += 1
            reason = re.sub(r"\d+", "#", str(e).split(":")[-1])[:70]
            counts[name]["reasons"][reason] = counts[name]["reasons"].get(reason, 0) + 1
            if snapshot(blocks) != before:
                raise Fault(f"call {k}: {name} refused the call but changed the model state")
        except Exception as e:
            raise Fault(f"call {k}: {name} raised {type(e).__name__}: {e}") from e
        if not all(g.intact() for g in cm.guarded):
            raise Fault(f"call {k}: {name} wrote outside an array")
    return counts


def describe(v):
    if isinstance(v, np.ndarray):
        flags = ("F" if v.flags.f_contiguous else "") + ("C" if v.flags.c_contiguous else "") + \
                ("" if v.flags.writeable else "ro") + ("" if v.flags.aligned else "mis")
        return f"array{v.shape}{v.dtype}{flags}"
    if isinstance(v, (list, tuple)):
        return "[" + ",".join(describe(x) for x in v[:8]) + (",..." if len(v) > 8 else "") + "]"
    if isinstance(v, dict):
        return "{" + ",".join(f"{k}={describe(x)}" for k, x in v.items()) + "}"
    return repr(v)[:40]


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--seed", type=int, default=0)
    p.add_argument("--calls", type=int, default=1000)
    p.add_argument("--log", default="fuzz-calls.log")
    p.add_argument("--counts", default="fuzz-counts.json")
    p.add_argument("--only", default=None, help="regular expression selecting routines")
    opts = p.parse_args()
    with open(opts.log, "w") as log:
        try:
            counts = run(opts.seed, opts.calls, log, opts.only)
        except Fault as f:
            print(f"FUZZ FAULT (seed {opts.seed}): {f}", file=sys.stderr)
            sys.exit(3)
    with open(opts.counts, "w") as f:
        json.dump(counts, f)


if __name__ == "__main__":
    main()
