"""The typed entry and the package against what callers pass: results sized by what they hold, sequences
owned while read, the engine lock across fork, values refused naming the input, stiffened panels on W alone,
the stub of the module and the keys of its results."""
import gc
import math
import os
import pathlib
import subprocess
import sys

import numpy as np
import pytest

import _ruvo
import ruvo
import ruvo.designs
from conftest import SKIN, MadeOnAccess, square
from ruvo import Loads, Mesh, Stiffener, sections

ARGS = dict(variant="19", x_lengths=[10.0] * 4, y_lengths=[10.0] * 4, laminates=[SKIN.packed()],
            edges=[[0, 1, 2, 3, 0, 0, 0]] * 4, variable=[1.0, 0.0, 0.0], modes=2)
STRINGER = Stiffener(50.0, EA=1.4e6, EI=2.0e7, GJ=1.0e5, mass=1e-7)
ALU = sections.Isotropic(70000.0, 0.3)


def test_a_case_that_fails_after_one_that_finished_returns_sizes_that_agree():
    cases = [Loads(Nx=1.0), Loads(Nx=1.0, fixed_Ny=1e4)]   # the second: A11 not definite under the fixed load
    with pytest.raises(ruvo.AnalysisError):
        ruvo.buckle(square(), modes=3, load_cases=cases)
    gc.collect()
    out = _ruvo._analyse(**{**ARGS, "more_load_cases": [([1.0, 0, 0], [0, 0, 1e5])]})
    assert out["stage"] and len(out["cases"]) == 1
    first = out["cases"][0]
    assert first["w"].shape == (out["ix"], len(first["eigenvalues"])) and first["forces"].shape == (2, 5)


def test_a_listing_that_cannot_be_written_fails_alone(tmp_path):
    (tmp_path / "analysis.out").symlink_to("/dev/full")
    with pytest.raises(ruvo.AnalysisError):
        ruvo.buckle(square(), modes=2, workdir=tmp_path)
    gc.collect()
    assert ruvo.buckle(square(), modes=2).critical_load_factor > 0


def test_tangential_parts_of_the_modes_found_not_of_the_modes_asked():
    out = _ruvo._analyse(**{**ARGS, "x_lengths": [10.0], "y_lengths": [10.0], "modes": 20, "tangential": True})
    found = len(out["eigenvalues"])
    assert found < 20 and out["tangential"].shape == (out["iy"], found)


PAIRS = [([1.0, 0, 0], [0, 0, 0]), ([2.0, 0, 0], [0, 0, 0])]


@pytest.mark.parametrize("cases", [
    pytest.param(lambda: MadeOnAccess(PAIRS), id="items made on access"),
    pytest.param(lambda: (pair for pair in PAIRS), id="a generator: no sequence, refused"),
    pytest.param(lambda: np.array(PAIRS), id="a numpy array of pairs"),
    pytest.param(lambda: np.array(5.0), id="a 0-d array"),
])
def test_load_cases_of_every_kind_of_sequence(cases):
    given = cases()
    try:
        out = _ruvo._analyse(**{**ARGS, "more_load_cases": given})
    except (TypeError, ValueError) as e:
        assert "more_load_cases" in str(e) or "load case" in str(e)
        return
    reference = _ruvo._analyse(**{**ARGS, "more_load_cases": PAIRS})
    assert [c["eigenvalues"].tolist() for c in out["cases"]] == [c["eigenvalues"].tolist() for c in reference["cases"]]


@pytest.mark.parametrize("error, words, change", [
    (TypeError, "missing keyword x_lengths", dict(x_lengths=None)),
    (ValueError, "x lines = 41 is outside", dict(x_lengths=[1.0] * 40)),
    (ValueError, "modes = 0", dict(modes=0)),
    (TypeError, "modes = '2'", dict(modes="2")),
    (TypeError, "modes = 1099511627776", dict(modes=2**40)),
    (ValueError, "load case 2", dict(more_load_cases=[([1.0, 0, 0], [0, math.nan, 0])])),
    (ValueError, "load case 3", dict(more_load_cases=[([1.0, 0, 0], [0, 0, 0]), ([math.inf, 0, 0], [0, 0, 0])])),
    (ValueError, "load case 2: variable load rows = 7", dict(more_load_cases=[(np.zeros((7, 3)), [0, 0, 0])])),
    (ValueError, "variable load rows = 7", dict(variable=np.zeros((7, 3)))),
    (TypeError, "more_load_cases", dict(more_load_cases='abc')),
    (ValueError, "density", dict(kind='vibration', density=-1e-9)),
    (ValueError, "density", dict(kind='vibration', density=1e300)),   # infinite in 32 bits
    (ValueError, "stringer masses", dict(kind='vibration', density=1e-9, stringers=[[3, 1e6, 0, 1e7, 1e5, -1e-7]])),
    (ValueError, "stringers line", dict(stringers=[[1.5, 1e6, 0, 1e7, 1e5, 0]])),
    (ValueError, "stringers line = 10000000000.0 is not a whole", dict(stringers=[[1e10, 1, 0, 1, 1, 0]])),
    (ValueError, "stringer line = 9 is off the grid", dict(stringers=[[9, 1, 0, 1, 1, 0]])),
    (ValueError, "laminates = 3", dict(laminates=np.zeros((3, 18)))),
    (ValueError, "edges", dict(edges=[[0, 1.5, 2, 3, 0, 0, 0]] * 4)),
    (ValueError, "edges", dict(edges=[[0, 1, 2, 7, 0, 0, 0]] * 4)),
    (ValueError, "edges mode", dict(edges=[[-3, 0, 0, 0, 0, 0, 0]] * 4)),
    (ValueError, "edges needs four rows", dict(edges=[[0] * 7] * 3)),
    (ValueError, "freedoms", dict(freedoms=np.zeros((0, 5)))),
    (ValueError, "radii", dict(radii=np.zeros((0, 3)))),
    (ValueError, "skew", dict(skew=np.zeros((0, 2)))),
    (ValueError, "element_rows", dict(element_rows=[1.5] * 4)),
    (ValueError, "element laminates = 3 is not the number of elements",
     dict(laminates=[SKIN.packed()] * 3, element_laminates=[1, 2, 3])),
    (ValueError, "element laminate = 4 is not a laminate given",
     dict(laminates=[SKIN.packed()] * 3, element_laminates=[4] * 16)),
    (ValueError, "element_rows and element_laminates", dict(element_rows=[1] * 4, element_laminates=[1] * 16)),
    (ValueError, "need the stringer section", dict(crippling=True)),
    (ValueError, "stringer type = 3", dict(crippling=True, stringer_section=dict(type=3))),
    (TypeError, "stringer_section has no depth", dict(stringer_section=dict(depth=1.0))),
    (TypeError, "stringer_section is not a dict", dict(stringer_section=5)),
    (ValueError, "footth", dict(crippling=True, stringers=[[3, 1e6, 0, 1e7, 1e5, 0]],
                           stringer_section=dict(type=1, footth=math.nan, webth=1, footwidth=20, webheight=20))),
    (ValueError, "webth", dict(crippling=True, stringers=[[3, 1e6, 0, 1e7, 1e5, 0]],
                          stringer_section=dict(type=1, footth=1, webth=-1, footwidth=20, webheight=20))),
    (ValueError, "chord_ddst needs one row", dict(stringer_section=dict(type=2, chord_ddst=[[1.0] * 6] * 2))),
    (TypeError, "eigensolver = 5", dict(eigensolver=5)),
    (TypeError, "direction is not a dict", dict(matrices=True, projected=np.ones((4, 1)), directions=[5])),
    (ValueError, "direction stringer rows", dict(matrices=True, projected=np.ones((4, 1)),
                                                 directions=[dict(stringers=[1.0] * 4)])),
    (ValueError, "direction laminate rows", dict(forms=True, directions=[dict(laminates=np.ones((2, 18)))])),
    (ValueError, "forms of the solution belong to one load case",
     dict(forms=True, more_load_cases=[([0, 0, 0], [0, 0, 0])])),
    (ValueError, "directions need the projected modes", dict(directions=[dict(fixed=[1.0, 0, 0])])),
    (ValueError, "listing needs a directory", dict(listing=True)),
    (ValueError, "no size variant 17", dict(variant="17")),
    (TypeError, "unknown keyword colour", dict(colour=1)),
    (ValueError, "project", dict(project='../esc')),
    (ValueError, "project", dict(project='/tmp/esc')),
    (TypeError, "directory", dict(directory=5)),
])
def test_the_typed_entry_refuses_naming_the_input_with_the_model_unchanged(error, words, change):
    before = _ruvo.f07ina.mx.copy(), _ruvo.man.ix.copy()
    args = {k: v for k, v in {**ARGS, **change}.items() if v is not None}
    with pytest.raises(error, match=words):
        _ruvo._analyse(**args)
    assert (_ruvo.f07ina.mx, _ruvo.man.ix) == before


def test_a_length_not_a_number_is_the_engine_grid_failure():
    out = _ruvo._analyse(**{**ARGS, "x_lengths": [10.0, math.nan, 10.0, 10.0]})
    assert (out["stage"], out["code"]) == ("RDDATA", 12) and len(out["eigenvalues"]) == 0


ROOT = pathlib.Path(__file__).resolve().parents[2]


def test_the_committed_stub_is_the_one_the_built_module_declares():
    made = subprocess.run([sys.executable, str(ROOT / "tools" / "ruvo_stub.py")], capture_output=True, text=True,
                          check=True).stdout
    assert made == (ROOT / "python" / "_ruvo.pyi").read_text(), \
        "python/_ruvo.pyi differs from the module: make it again with tools/ruvo_stub.py"


def _keys_as_declared(value, name, dicts):
    """The keys of the result dict `value` that its TypedDict `name` does not declare, or misses."""
    declared = {key: (annotation, always) for key, annotation, always, _ in dicts[name]}
    wrong = [f"{name}.{k}" for k in value if k not in declared]
    wrong += [f"{name}.{k} missing" for k, (_, always) in declared.items() if always and k not in value]
    for key, item in value.items():
        annotation = declared.get(key, ("",))[0]
        for inner, items in ((annotation, [item]), (annotation[5:-1], item if annotation.startswith("list[") else [])):
            if inner in dicts:
                wrong += [w for one in items for w in _keys_as_declared(one, inner, dicts)]
    return wrong


@pytest.mark.parametrize("change", [
    pytest.param(dict(), id="buckling"),
    pytest.param(dict(kind="vibration", density=1e-9, tangential=True), id="vibration with the tangential parts"),
    pytest.param(dict(matrices=True), id="the matrices"),
    pytest.param(dict(forms=True, directions=[dict(fixed=[1.0, 0, 0])]), id="the forms of the solution"),
    pytest.param(dict(x_lengths=[10.0, math.nan, 10.0, 10.0]), id="a failure"),
])
def test_every_result_holds_the_keys_the_stub_declares(change):
    dicts = dict(_ruvo._typed_declarations()["dicts"])
    out = _ruvo._analyse(**{**ARGS, **change})
    assert _keys_as_declared(out, "AnalyseResult", dicts) == []


def test_a_solution_without_eigenvalues_to_report_is_named_so():
    # a shift so large that every eigenvalue of K + shift M, less the shift, rounds to zero
    out = _ruvo._analyse(**{**ARGS, "kind": "vibration", "density": 1e-9, "shift": 1e40})
    assert (out["outcome"], out["stage"], out["code"]) == ("no eigenvalues", "VIBS3", 0)


def test_a_directory_given_as_bytes_is_the_directory(tmp_path):
    out = _ruvo._analyse(**ARGS, directory=os.fsencode(tmp_path), listing=True, project="bytes")
    assert out["stage"] == "" and [p.name.replace(" ", "") for p in tmp_path.iterdir()] == ["bytes.out"]


@pytest.mark.parametrize("freedoms, words", [("W", "buckle"), ("WBG", "buckle"), ("W", "vibrate")])
def test_stiffened_panels_without_in_plane_freedoms_equal_those_with(freedoms, words):
    """A flat panel whose stringers have no offset (ES = 0): W is uncoupled from U, V, so W alone (and W with
    the shear rotations) gives the eigenvalues of the full freedom set."""
    shear = "B" in freedoms
    skin = ruvo.Laminate.isotropic(70000.0, 0.3, 1.0, transverse_shear=shear)
    stiffened = square(laminate=skin, stringers=[STRINGER], frames=[STRINGER])
    full = stiffened.replace(freedoms="WUVBG" if shear else "WUV")
    run = (lambda p: ruvo.buckle(p, modes=3)) if words == "buckle" else (lambda p: ruvo.vibrate(p, 2.7e-9, modes=3))
    np.testing.assert_allclose(run(stiffened.replace(freedoms=freedoms)).eigenvalues, run(full).eigenvalues,
                               rtol=1e-5)


def test_a_free_free_stiffened_panel_vibrates_with_its_rigid_body_modes():
    free = square(edges="free", stringers=[STRINGER], mesh=Mesh(nx=12, ny=12))
    result = ruvo.vibrate(free, 2.7e-9, modes=8)
    elastic = result.frequencies[3]
    assert np.all(np.abs(result.frequencies[:3]) < 1e-3 * elastic) and elastic > 0


FORK_WHILE_ANALYSING = """
import os, threading, _ruvo, ruvo
from conftest import square
panel = square(mesh=ruvo.Mesh(nx=16, ny=16))
stop = threading.Event()
def analyse():
    while not stop.is_set():
        ruvo.buckle(panel, modes=4)
worker = threading.Thread(target=analyse)
worker.start()
for _ in range(20):
    pid = os.fork()
    if pid == 0:
        os._exit(0 if ruvo.buckle(square(), modes=1).critical_load_factor > 0 else 1)
    assert os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]) == 0
swept = ruvo.sweep([square(), square(width=120.0), square(width=140.0), square(width=160.0)], processes=2,
                   progress=False)
stop.set()
worker.join()
print(len(swept.results), sum(r is not None for r in swept.results))
"""


def test_forks_and_a_sweep_while_another_thread_analyses():
    """A fork waits for the analysis running in the other thread (its child never inherits a held engine lock)."""
    done = subprocess.run([sys.executable, "-W", "ignore::DeprecationWarning", "-c", FORK_WHILE_ANALYSING],
                          capture_output=True, text=True, timeout=120, cwd=os.path.dirname(__file__))
    assert done.returncode == 0, done.stderr
    assert done.stdout.split() == ["4", "4"]


@pytest.fixture(scope="module")
def result_json():
    return ruvo.buckle(square(mesh=Mesh(nx=2, ny=2)), modes=2).to_json()


READERS = [pytest.param(ruvo.load, id="load"), pytest.param(ruvo.Panel.from_toml, id="from_toml"),
           pytest.param(ruvo.designs.load, id="designs")]


@pytest.mark.parametrize("reader", READERS)
@pytest.mark.parametrize("path", ["/dev/zero", "/dev/urandom", "fifo", "directory"])
def test_the_readers_refuse_what_is_no_regular_file_at_once(reader, path, tmp_path):
    if path == "fifo":
        os.mkfifo(tmp_path / "fifo")   # no writer: an open that waited would hang the test
    target = tmp_path if path == "directory" else tmp_path / path if path == "fifo" else path
    with pytest.raises(ValueError, match="not a regular file"):
        reader(target)


@pytest.mark.parametrize("reader", READERS)
def test_the_readers_refuse_a_file_beyond_max_bytes(reader, tmp_path):
    path = tmp_path / "long.toml"
    path.write_text("# " + "x" * 200 + "\n")
    with pytest.raises(ValueError, match="max_bytes = 100"):
        reader(path, max_bytes=100)


@pytest.mark.parametrize("words, change", [
    ("schema version True", lambda doc: doc.update(schema_version=True)),
    ("'12' is not a number", lambda doc: doc["modes"][0].update(load_factor="12")),
    ("True is not a number", lambda doc: doc["modes"][0].update(load_factor=True)),
    ("of 15 values for 16 W equations", lambda doc: [m["eigenvector"].pop() for m in doc["modes"]]),
    ("rows of different lengths", lambda doc: doc["modes"][0]["eigenvector"].pop()),
    ("whole numbers from 0", lambda doc: doc["w_equations"]["values"][0][0][0].__setitem__(0, -1)),
    ("w_equations", lambda doc: doc["w_equations"]["values"].pop()),
])
def test_a_result_whose_numbers_contradict_each_other_is_refused(words, change, result_json):
    import json
    doc = json.loads(result_json)
    change(doc)
    with pytest.raises(ValueError, match=words) as refused:
        ruvo.load(json.dumps(doc))
    assert str(refused.value).count("JSON text") == 1


def test_a_result_text_with_a_byte_order_mark(result_json):
    assert ruvo.load("\ufeff" + result_json) == ruvo.load(result_json)


@pytest.mark.parametrize("words, vary", [
    ("1000000000 designs", '"loads.Nx" = { start = 1.0, stop = 2.0, num = 1000000000 }'),
    ("1000000000 designs", 'width = { start = 1.0, stop = 2.0, num = 1000 }\n'
                           'length = { start = 1.0, stop = 2.0, num = 1000 }\n'
                           '"loads.Nx" = { start = 1.0, stop = 2.0, num = 1000 }'),
    ("start = 'one' is not a number", 'width = { start = "one", stop = 2.0, num = 3 }'),
    ("not a regular file", None),   # points = "/dev/zero"
    ("row 3: not one value for each column", "long row"),
])
def test_a_designs_file_is_counted_before_it_is_expanded(words, vary, tmp_path):
    (tmp_path / "panel.toml").write_text(square().to_toml())
    points = {None: 'points = "/dev/zero"\n', "long row": 'points = "points.csv"\n'}
    (tmp_path / "points.csv").write_text("width\n100.0\n110.0,5.0\n")
    text = 'base = "panel.toml"\n' + points.get(vary, "") + ("" if vary in points else f"[vary]\n{vary}\n")
    (tmp_path / "designs.toml").write_text(text)
    with pytest.raises(ValueError, match=words):
        ruvo.designs.load(tmp_path / "designs.toml")


@pytest.mark.parametrize("changes", [
    pytest.param(lambda: dict(stringers=[sections.T(skin=SKIN, material=ALU, height=20.0, web=1.5, foot_width=15.0,
                                                    foot=1.5).stiffener(50.0)]), id="T with its check data"),
    pytest.param(lambda: dict(stringers=[sections.Hat(skin=SKIN, material=ALU, height=20.0, crown_width=20.0, crown=1.5,
                                                      web=1.2, web_angle=30.0, foot_width=13.5, foot=1.5).stiffener(50.0)]),
                 id="hat: its shape and the chord's data"),
    pytest.param(lambda: dict(stringers=[Stiffener(50.0, EA=1e6, EI=1e7, pad_up=ruvo.Laminate.isotropic(70000.0, 0.3, 2.0),
                                                   pad_width=20.0)]), id="pad-up"),
    pytest.param(lambda: dict(regions=[ruvo.Region(0.0, 25.0, ruvo.Laminate.isotropic(70000.0, 0.3, 1.5))]), id="region"),
])
def test_stiffener_data_pad_ups_and_regions_come_back_from_toml_and_json(changes, tmp_path):
    panel = square(**changes())
    (tmp_path / "panel.toml").write_text(panel.to_toml())
    assert ruvo.Panel.from_toml(tmp_path / "panel.toml") == panel
    result = ruvo.buckle(panel, modes=1)
    assert ruvo.load(result.to_json()) == result
