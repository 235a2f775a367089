"""The package's docstrings and the guide's API reference: numpydoc Returns
and Examples on every public function and method, the examples run (as
doctests, so ctest runs them), every public name in the reference."""
import doctest
import importlib
import inspect
import re

import numpy as np
import pytest

import ruvo
from conftest import ROOT



def public_callables():
    """(module, name, function) of every public function and method of ruvo
    and ruvo.sections: name "buckle", or "BucklingResult.plot"."""
    for owner in (ruvo, ruvo.sections):
        for name in owner.__all__:
            item = getattr(owner, name)
            if inspect.isfunction(item):
                yield owner.__name__, name, item
            elif inspect.isclass(item):
                for attribute, member in inspect.getmembers(item, inspect.isroutine):
                    if not attribute.startswith("_") and (getattr(member, "__module__", None) or "").startswith("ruvo"):
                        yield owner.__name__, f"{name}.{attribute}", member


def test_every_public_function_and_method_says_what_it_returns_with_an_example():
    def sections(item):
        return [line for line in (inspect.getdoc(item) or "").splitlines() if line in ("Returns", "Examples")]
    missing = [f"{owner}.{name}" for owner, name, item in public_callables()
               if sections(item) != ["Returns", "Examples"]]
    assert missing == []


@pytest.mark.parametrize("module", ["analysis", "archive", "edges", "gradient", "laminates", "loads", "membrane",
                                    "mesh", "panel", "results", "sections", "stiffeners", "sweep",
                                    "checks.stiffeners"])
def test_the_examples_of_the_docstrings_run(module):
    """The examples take `ruvo` and `np` (numpy) as imported."""
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE)
    report = []
    tests = doctest.DocTestFinder().find(importlib.import_module(f"ruvo.{module}"), extraglobs=dict(ruvo=ruvo, np=np))
    for test in tests:
        runner.run(test, out=report.append)
    assert runner.tries > 0 and runner.failures == 0, "".join(report)


def documented_names(text):
    """The names the API reference documents: each object, and each member
    listed under it (a :members: list may run over several lines)."""
    names, current, listing = set(), None, False
    for line in text.splitlines():
        directive = re.match(r"\.\. auto\w+:: (ruvo[\w.]*)", line)
        if directive:
            current, listing = directive.group(1), False
            names.add(current)
            continue
        members = re.match(r"\s+:members:(.*)", line)
        if members or (listing and line.startswith("   ") and line.strip()):
            listing = True
            names |= {f"{current}.{m.strip()}" for m in (members.group(1) if members else line).split(",") if m.strip()}
        else:
            listing = False
    return names


def test_the_api_reference_names_every_public_name_and_method():
    documented = documented_names((ROOT / "docs" / "api.rst").read_text())
    public = {f"ruvo.{name}" for name in ruvo.__all__ if not name.startswith("_")}
    public |= {f"ruvo.sections.{name}" for name, item in vars(ruvo.sections).items()
               if isinstance(item, type) and item.__module__ == "ruvo.sections" and not name.startswith("_")}
    # a method is documented on its class or on the class that defines it
    undocumented = [f"{owner}.{name}" for owner, name, item in public_callables() if "." in name and
                    not {f"{owner}.{name}", f"{owner}.{item.__qualname__}"} & documented]
    assert sorted(public - documented) + undocumented == []

