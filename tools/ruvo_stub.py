"""Prints the type stub of the engine module `_ruvo` (python/_ruvo.pyi) from
the module itself: the typed entry's keywords and result dicts from its own
declarations (`_ruvo._typed_declarations()`), the routine and constant
containers and the shared blocks from what the module holds.

    PYTHONPATH=build/python python3 tools/ruvo_stub.py > python/_ruvo.pyi
"""
from __future__ import annotations

import sys
from typing import Any

import _ruvo

HEADER = '''"""Type stub of the engine module `_ruvo`, made by tools/ruvo_stub.py from the built module (do not edit)."""
import os
from typing import Any, Literal, NotRequired, Required, Sequence, TypedDict

import numpy as np
from numpy.typing import ArrayLike, NDArray

class routine:
    def __call__(self, *args: Any) -> Any: ...

class container: ...

class shared_block: ...
'''


def typed_dict(name: str, keys: list[tuple[str, str, bool, str]], marked: str) -> str:
    """A TypedDict of the keys (key, type, required, doc): a dict given to the
    engine, whose keys may be left out unless marked "Required", or one it
    returns, whose keys are all there unless marked "NotRequired"."""
    given = marked == "Required"
    lines = [f"class {name}(TypedDict{', total=False' if given else ''}):"]
    for key, annotation, needed, doc in keys:
        wrapped = f"{marked}[{annotation}]" if needed == given else annotation
        lines.append(f"    {key}: {wrapped}" + (f"  # {doc}" if doc else ""))
    return "\n".join(lines)


def typed_entry() -> str:
    declared = _ruvo._typed_declarations()
    dicts = [typed_dict(name, keys, "Required" if name in ("StringerSection", "Direction") else "NotRequired")
             for name, keys in declared["dicts"]]
    keywords = declared["keywords"]
    arguments = typed_dict("AnalyseArguments", keywords, "Required")
    parameters = [f"    {k}: {a}" if required else f"    {k}: {a} | None = ..." for k, a, required, _ in keywords]
    entry = "def _analyse(\n    *,\n" + ",\n".join(parameters) + ",\n) -> AnalyseResult: ..."
    return "\n\n".join(dicts + [arguments, entry])


def annotation(value: Any) -> str:
    """The type of a container's member: a routine, a size constant
    (np.int32), or a convention (a number, a text, or tuples of them)."""
    if type(value).__name__ == "routine":
        return "routine"
    if isinstance(value, tuple):
        kinds = sorted({annotation(v) for v in value})
        return f"tuple[{kinds[0] if len(kinds) == 1 else ' | '.join(kinds)}, ...]"
    name = type(value).__name__
    return "np." + name if type(value).__module__ == "numpy" else name


def members(obj: Any) -> str:
    """A class body for the constants, routines or members of `obj`."""
    if type(obj).__name__ == "shared_block":
        lines = [f"    {m}: NDArray[Any]" for m in dir(obj)]
    else:
        lines = [f"    {m}: {annotation(v)}" for m, v in vars(obj).items()]
    return "\n".join(lines) or "    ..."


def stub() -> str:
    parts = [HEADER, typed_entry()]
    for name in dir(_ruvo):
        obj = getattr(_ruvo, name)
        kind = type(obj).__name__
        if name.startswith("__") or name in ("_analyse", "error", "routine", "container", "shared_block"):
            continue
        if kind in ("container", "shared_block"):
            parts.append(f"class _{name}_{kind}({kind}):\n{members(obj)}\n\n{name}: _{name}_{kind}")
        elif callable(obj):
            parts.append(f"def {name}(*args: Any, **kwargs: Any) -> Any: ...")
    return "\n\n".join(parts) + "\n"


if __name__ == "__main__":
    sys.stdout.write(stub())
