"""Files that keep the whole design: every panel the package builds through
its TOML and its results' JSON back to equal objects with the same numbers
bit for bit; the released 1.0 format still read, a newer one refused;
designs files varying fields by path."""
import json

import numpy as np
import pytest

import ruvo
from conftest import DATA
from ruvo import Laminate, Loads, Material, Mesh, Panel, Ply, Region, Stiffener, sections
from ruvo.__main__ import main as command_line
from ruvo.designs import set_value

IM7 = Material(161000.0, 11380.0, 0.32, 5170.0, 5170.0, 3980.0)
QUASI = Laminate.from_plies([Ply(0.184, a) for a in (45, -45, 0, 90, 90, 0, -45, 45)], IM7)
PAD = Laminate.from_plies([Ply(0.184, a) for a in (45, -45, 0, 0, 90, 90, 0, 0, -45, 45)], IM7)
SHEARED = Laminate.from_plies([Ply(0.184, a) for a in (45, -45, 0, 90, 90, 0, -45, 45)], IM7, transverse_shear=True)
AL = Laminate.isotropic(71000.0, 0.33, 1.2)
WALL = sections.Isotropic(71000.0, 0.33)
WEB = Laminate.from_plies([Ply(0.184, a) for a in (45, -45, 0, 0, -45, 45)], IM7)
MESH = Mesh(nx=8, ny=8)
T_ON_AL = sections.T(skin=AL, material=WALL, height=25.0, web=1.6, foot_width=30.0, foot=1.6)


def _panel(skin=QUASI, **changes):
    return Panel(**{"length": 400.0, "width": 300.0, "laminate": skin, "loads": Loads(Nx=10.0), "mesh": MESH,
                    **changes})


def _stringers(section, **options):
    return [section.stiffener(y, **options) for y in (100.0, 200.0)]


# Every section shape, walls of a material's thickness and of plies, pad-ups and regions, the shear
# rotations, skew, curvature, stiffeners by their stiffnesses with check data, matrices and edge codes.
CATALOGUE = [
    pytest.param(lambda: _panel(stringers=_stringers(sections.Blade(skin=QUASI, material=WALL, height=20.0, web=2.0))),
                 id="blade"),
    pytest.param(lambda: _panel(stringers=_stringers(sections.T(skin=QUASI, height=25.0, web=WEB, foot_width=30.0,
                                                                foot=WEB), side="front", pad_up=PAD, pad_width=30.0),
                                ry=1500.0), id="laminated T on pad-ups, curved"),
    pytest.param(lambda: _panel(stringers=_stringers(sections.L(skin=QUASI, material=WALL, height=25.0, web=1.6,
                                                                foot_width=20.0, foot=1.6))), id="L"),
    pytest.param(lambda: _panel(frames=[sections.I(skin=QUASI, material=WALL, height=50.0, web=1.2, foot_width=20.0,
                                                   foot=1.2, flange_width=20.0, flange=1.2).stiffener(200.0)],
                                skew_x=8.0), id="I frame, skewed"),
    pytest.param(lambda: _panel(frames=[sections.Z(skin=QUASI, material=WALL, height=50.0, web=1.2, foot_width=20.0,
                                                   foot=1.2, flange_width=18.0, flange=1.2, density=2.7e-9
                                                   ).stiffener(x, side="front") for x in (130.0, 270.0)],
                                rx=3000.0, ry=-2000.0), id="Z frames, doubly curved"),
    pytest.param(lambda: _panel(stringers=_stringers(sections.Hat(skin=QUASI, material=WALL, height=25.0,
                                                                  crown_width=20.0, crown=WEB, web=1.0, web_angle=30.0,
                                                                  foot_width=15.0, foot=1.0))), id="hat"),
    pytest.param(lambda: _panel(SHEARED, freedoms="WUVBG", regions=[Region(
        0.0, 60.0, Laminate.isotropic(71000.0, 0.33, 1.2, transverse_shear=True))]), id="shear rotations, region"),
    pytest.param(lambda: _panel(AL, regions=[Region(100.0, 140.0, PAD)], loads=Loads(Nxy=5.0, fixed_Ny=-2.0),
                                edges={"x0": "clamped", "yl": [0, 1, 2, 0, 0, 0, 0], "y0": "free"},
                                stringers=[Stiffener(250.0, EA=1e7, ES=-2e7, EI=1e9, GJ=1e6, mass=1e-4,
                                                     crippling=T_ON_AL.check_data)]),
                 id="isotropic skin, region, stiffness stiffener, edge codes"),
    pytest.param(lambda: _panel(AL, regions=[Region(x=(0.0, 80.0), laminate=PAD), Region(x=(300.0, 360.0), y=(20.0, 80.0),
                                                                                     laminate=QUASI)],
                                frames=[Stiffener(200.0, EA=1e7, EI=1e9, pad_up=WEB, pad_width=20.0)]),
                 id="regions along y and of cells, frame pad-up"),
    pytest.param(lambda: _panel(Laminate.from_matrices(np.diag([9e4, 8e4, 3e4]), np.diag([9e3, 8e3, 3e3]),
                                                       B=[[0, 10.0, 0], [10.0, 0, 0], [0, 0, 0]], thickness=1.5,
                                                       shear=[[4e3, 0.0], [0.0, 3e3]]), title="matrices",
                                mesh=Mesh(size=50.0)), id="matrices"),
]


@pytest.mark.parametrize("build", CATALOGUE)
def test_every_panel_round_trips_through_toml_and_json_to_the_same_bits(build):
    panel = build()
    text = panel.to_toml()
    again = Panel.from_toml(text)
    assert again == panel and again.to_toml() == text          # the same panel, written the same way
    result = ruvo.buckle(panel, modes=2)
    assert np.array_equal(ruvo.buckle(again, modes=2).eigenvalues, result.eigenvalues)
    assert ruvo.load(result.to_json()) == result


def test_the_three_by_five_bay_fuselage_panel_reads_like_its_drawing():
    skin, panel = _fuselage()
    text = panel.to_toml({"modes": 5})
    assert len(text.splitlines()) < 80
    assert text.count("161000.0") == 1 and "section = \"T\"" in text and "[0.184, 0.0, 2]" in text
    assert Panel.from_toml_with_options(text) == (panel, {"modes": 5})


def _fuselage():
    skin = Laminate.from_plies([Ply(0.184, a) for a in (45, -45, 0, 0, 90, 0, 0, -45, 45)], IM7)
    pad = Laminate.from_plies([Ply(0.184, a) for a in (45, -45, 0, 0, 0, 90, 0, 0, 0, -45, 45)], IM7)
    t = sections.T(skin=skin, material=WALL, height=30.0, web=WEB, foot_width=40.0, foot=2.0)
    z = sections.Z(skin=skin, material=WALL, height=90.0, web=1.6, foot_width=25.0, foot=1.6, flange_width=25.0,
                   flange=1.6)
    return skin, Panel(1800.0, 800.0, skin, loads=Loads(Nx=100.0, Nxy=20.0), ry=1900.0, title="fuselage 3 x 5 bays",
                       stringers=[t.stiffener(y, side="front", pad_up=pad, pad_width=40.0)
                                  for y in (160.0, 320.0, 480.0, 640.0)],
                       frames=[z.stiffener(x, side="front") for x in (600.0, 1200.0)], mesh=Mesh(nx=24, ny=20))


def test_vibration_load_case_and_gradient_results_load_back_equal():
    panel = _panel(stringers=_stringers(sections.T(skin=QUASI, material=WALL, height=25.0, web=1.6, foot_width=30.0,
                                                   foot=1.6, density=2.7e-9)))
    cases = [Loads(Nx=10.0), Loads(Nx=5.0, Nxy=8.0), Loads(Ny=4.0)]
    together = ruvo.buckle(panel, modes=2, load_cases=cases)
    again = ruvo.load(together.to_json())
    assert again == together and again.governing_index == together.governing_index
    frame = together.to_frame()
    assert frame["load_case"].tolist() == [0, 1, 2] and frame["governing"].sum() == 1
    assert frame["critical_load_factor"].tolist() == [c.critical_load_factor for c in together.cases]
    vibration = ruvo.vibrate(panel, density=1.6e-9, modes=2)
    assert ruvo.load(vibration.to_json()) == vibration
    steps = ruvo.gradient(lambda x: panel.replace(loads=Loads(Nx=x[0])), [10.0], modes=2)
    assert ruvo.load(steps.to_json()) == steps
    assert steps.to_frame()["d_x[0]"].tolist() == steps.gradients[:, 0].tolist()


def test_files_of_the_released_format_load_and_a_newer_version_is_refused():
    panel = Panel.from_toml(DATA / "format_1" / "panel.toml")    # laminates as matrices, stiffeners by stiffness
    assert panel.title == "released 1.0 format" and panel.stringers[0].crippling.shape == "T"
    assert panel.stringers[0].pad_up == panel.regions[0].laminate and Panel.from_toml(panel.to_toml()) == panel
    result = ruvo.load(DATA / "format_1" / "result.json")
    assert result.panel.ry == 1500.0 and result.stringer_strength.web_local_buckling_force > 0
    # saved before a stringer on a pad-up took the band's strain (here its pad-up's A is nearly the skin's)
    assert ruvo.buckle(result.panel, modes=2).eigenvalues == pytest.approx(result.eigenvalues, rel=1e-6)
    newer = panel.to_toml().replace("schema_version = 2", "schema_version = 3")
    with pytest.raises(ValueError, match=r"TOML text: schema version 3 is newer than this ruvo reads \(versions 1 "
                                         r"to 2\)"):
        Panel.from_toml(newer)
    document = json.loads((DATA / "format_1" / "result.json").read_text())
    document["schema_version"] = 3
    with pytest.raises(ValueError, match="schema version 3 is newer"):
        ruvo.load(json.dumps(document))


# path | value | where it lands in the document of the fuselage panel
@pytest.mark.parametrize("path, value, where", [
    ("stringers.section.height", 35.0, lambda d: d["sections"]["T"]["height"]),
    ("skin.plies[3].angle", 30.0, lambda d: d["laminates"]["skin"]["plies"][2][1]),
    ("laminates.skin.plies.3.count", 4, lambda d: d["laminates"]["skin"]["plies"][2][2]),
    ("skin.plies[1].count", 2, lambda d: d["laminates"]["skin"]["plies"][0]),
    ("materials.ply_material.E1", 150000.0, lambda d: d["materials"]["ply_material"]["E1"]),
    ("loads.Nx", 2.0, lambda d: d["loads"]["Nx"]),
    ("stringers[1].position", [100.0, 300.0], lambda d: d["stringers"][0]["position"]),
])
def test_designs_paths_reach_the_fields_engineers_vary(path, value, where):
    document = ruvo.document.panel_document(_fuselage()[1])
    set_value(document, path, value)
    assert where(document) in (value, [0.184, 45.0, 2])
    Panel.from_document(document)   # still a panel


def test_designs_path_mistakes_name_the_path():
    document = ruvo.document.panel_document(_fuselage()[1])
    for path, words in (("skin.plies[30].angle", r"no item 30, there are 7"), ("loads.Nx[2]", "has no item 2"),
                        ("skin..angle", "neither a name nor an item number")):
        with pytest.raises(ValueError, match=words):
            set_value(document, path, 1.0)


def _designs(tmp_path, vary):
    (tmp_path / "panel.toml").write_text(_panel(stringers=_stringers(T_ON_QUASI)).to_toml())
    designs = tmp_path / "designs.toml"
    designs.write_text(f'base = "panel.toml"\nmodes = 2\n[vary]\n{vary}')
    return designs


T_ON_QUASI = sections.T(skin=QUASI, material=WALL, height=25.0, web=1.6, foot_width=30.0, foot=1.6)
VARY = '"stringers.section.height" = [20.0, 30.0]\n"skin.plies[3].angle" = [0.0, 15.0]\n' \
       '"skin.plies[4].count" = { start = 2, stop = 3, num = 2 }\n'


def test_a_designs_file_sweeps_section_ply_angle_and_ply_count_into_csv_and_excel(tmp_path):
    pandas = pytest.importorskip("pandas")
    pytest.importorskip("openpyxl")
    designs = _designs(tmp_path, VARY)
    for out in ("results.csv", "results.xlsx"):
        assert command_line(["sweep", str(designs), "--out", str(tmp_path / out), "--processes", "1",
                             "--quiet"]) == 0
    csv, excel = pandas.read_csv(tmp_path / "results.csv"), pandas.read_excel(tmp_path / "results.xlsx")
    assert list(csv.columns[:7]) == ["design", "stringers.section.height", "skin.plies[3].angle",
                                     "skin.plies[4].count", "status", "error", "critical_load_factor"]
    pandas.testing.assert_frame_equal(csv, excel, check_dtype=False)
    thicker = Panel.from_toml(_panel(stringers=_stringers(T_ON_QUASI)).to_toml().replace("[0.184, 90.0, 2]",
                                                                                          "[0.184, 90.0, 3]"))
    assert csv["critical_load_factor"][1] == ruvo.buckle(thicker.replace(stringers=_stringers(sections.T(
        skin=thicker.laminate, material=WALL, height=20.0, web=1.6, foot_width=30.0, foot=1.6))),
        modes=2).critical_load_factor


CTRL_C_CHILD = r"""
import sys, time
from pathlib import Path
import ruvo, ruvo.__main__
real = ruvo.analysis.buckle
def slow(panel, **options):
    Path(sys.argv[2], f"started-{time.monotonic()}").touch()
    time.sleep(0.3)
    return real(panel, **options)
ruvo.analysis.buckle = slow
sys.exit(ruvo.__main__.main(["sweep", sys.argv[1], "--out", "results.csv", "--processes", "1", "--quiet"]))
"""


def test_ctrl_c_in_a_command_line_sweep_writes_the_designs_done(tmp_path):
    import os, signal, subprocess, sys, time
    pandas = pytest.importorskip("pandas")
    designs = _designs(tmp_path, '"loads.Nx" = { start = 1.0, stop = 2.0, num = 60 }\n')
    child = subprocess.Popen([sys.executable, "-c", CTRL_C_CHILD, str(designs), str(tmp_path)], cwd=tmp_path,
                             stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 60
    while len(list(tmp_path.glob("started-*"))) < 3 and child.poll() is None and time.monotonic() < deadline:
        time.sleep(0.02)
    os.kill(child.pid, signal.SIGINT)
    _, err = child.communicate(timeout=60)
    written = pandas.read_csv(tmp_path / "results.csv")
    assert child.returncode == 130 and err.splitlines() == [f"interrupted: {len(written)} of 60 designs written to "
                                                            "results.csv"]
    assert 2 <= len(written) < 60 and written["design"].tolist() == list(range(len(written)))
    assert (written["status"] == "ok").all()


def test_a_panel_file_with_load_cases_runs_them_on_the_command_line(tmp_path):
    panel, cases = _panel(), [Loads(Nx=10.0), Loads(Nxy=6.0), Loads(Nx=4.0, Ny=4.0)]
    (tmp_path / "cases.toml").write_text(panel.to_toml({"modes": 2, "load_cases": cases}))
    assert Panel.from_toml_with_options(tmp_path / "cases.toml") == (panel, {"modes": 2, "load_cases": cases})
    assert command_line([str(tmp_path / "cases.toml"), "--json", str(tmp_path / "out.json"), "--quiet"]) == 0
    assert ruvo.load(tmp_path / "out.json") == ruvo.buckle(panel, modes=2, load_cases=cases)


def test_an_excel_sheet_of_complete_panels_gives_a_panel_per_row(tmp_path):
    openpyxl = pytest.importorskip("openpyxl")
    book = openpyxl.Workbook()
    for row in (["title", "length", "width", "laminate.E", "laminate.t", "loads.Nx", "mesh.nx"],
                ["a", 300, 200.0, 70000.0, 1.0, 1.0, 6], ["b", 400, 250.0, 70000.0, 1.5, 2.0, 8]):
        book.active.append(row)
    book.save(tmp_path / "panels.xlsx")
    (tmp_path / "rows.toml").write_text('points = "panels.xlsx"\nmodes = 1\n')
    plan = ruvo.designs.load(tmp_path / "rows.toml")
    skin = Laminate.isotropic(70000.0, 0.3, 1.5)
    assert plan.panels[1] == Panel(400.0, 250.0, skin, loads=Loads(Nx=2.0), mesh=Mesh(nx=8), title="b")
    assert plan.parameters[0] == {"title": "a", "length": 300, "width": 200.0, "laminate.E": 70000.0,
                                  "laminate.t": 1.0, "loads.Nx": 1.0, "mesh.nx": 6}
