"""The package's docstrings: numpydoc Returns and Examples on every public
function and method, and the examples run (as doctests, so ctest runs them)."""
import doctest
import importlib
import inspect

import numpy as np
import pytest

import ruvo

# The panel files, result archives and sweeps (ruvo.sweep, ruvo.load,
# SweepResult) are documented with the file modules.
FILE_MODULES = ("ruvo.archive", "ruvo.sweep")


def public_callables():
    """(name, function) of every public function and method of ruvo and ruvo.sections."""
    for owner in (ruvo, ruvo.sections):
        for name in owner.__all__:
            item = getattr(owner, name)
            if inspect.isfunction(item):
                yield f"{owner.__name__}.{name}", item
            elif inspect.isclass(item):
                for attribute, member in inspect.getmembers(item, inspect.isroutine):
                    if not attribute.startswith("_") and (getattr(member, "__module__", None) or "").startswith("ruvo"):
                        yield f"{owner.__name__}.{name}.{attribute}", member


def test_every_public_function_and_method_says_what_it_returns_with_an_example():
    def sections(item):
        return [line for line in (inspect.getdoc(item) or "").splitlines() if line in ("Returns", "Examples")]
    missing = [name for name, item in public_callables()
               if item.__module__ not in FILE_MODULES and sections(item) != ["Returns", "Examples"]]
    assert missing == []


@pytest.mark.parametrize("module", ["analysis", "edges", "gradient", "laminates", "loads", "mesh", "panel", "results",
                                    "sections", "stiffeners"])
def test_the_examples_of_the_docstrings_run(module):
    """The examples take `ruvo` and `np` (numpy) as imported."""
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE)
    report = []
    tests = doctest.DocTestFinder().find(importlib.import_module(f"ruvo.{module}"), extraglobs=dict(ruvo=ruvo, np=np))
    for test in tests:
        runner.run(test, out=report.append)
    assert runner.tries > 0 and runner.failures == 0, "".join(report)
