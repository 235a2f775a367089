"""ruvo.buckle, ruvo.vibrate and the command line: failures, nothing left behind, modes, pictures, JSON."""
import json
import math
import os
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import _ruvo
import ruvo
from conftest import EXAMPLES, square
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener

PI2_D = math.pi ** 2 * 70000.0 / (12 * (1 - 0.09))  # pi^2 D of the 1 mm aluminium skin


def cli(*args):  # python3 -m ruvo with the package found from any directory
    path = os.pathsep.join([str(Path(ruvo.__file__).parents[1])] + sys.path)
    return subprocess.run([sys.executable, "-m", "ruvo", *map(str, args)], capture_output=True, text=True,
                          env=dict(os.environ, PYTHONPATH=path))


def test_plain_plate_answers_on_top(here):
    """k = 4; the eigenvalues from a private read-only view, not from the listing's seven digits."""
    result = ruvo.buckle(square(), modes=3)
    assert result.variant == "19" and result.critical_load_factor == result.load_factors[0]
    assert result.load_factors[0] == pytest.approx(4 * PI2_D / 100 ** 2, rel=1e-4)
    assert np.allclose(result.critical_forces[:, 0], result.load_factors) and not result.critical_forces[:, 1:].any()
    assert np.allclose(result.membrane_forces[:, 0], result.load_factors, rtol=1e-6)
    view = _ruvo._results("19")
    assert not view["elam"].flags.writeable and view["elam"][:3].tolist() == result.load_factors.tolist()


@pytest.mark.parametrize("analyse", [lambda p: ruvo.buckle(p, listing=True),
                                     lambda p: ruvo.vibrate(p, density=2.7e-9, listing=True)])
def test_failures_raise_with_the_engines_words_and_leave_nothing(here, analyse):
    no_freedom_left = square(edges="clamped", mesh=Mesh(nx=1, ny=1))
    with pytest.raises(ruvo.AnalysisError) as caught:
        analyse(no_freedom_left)
    assert (caught.value.stage, caught.value.code) == ("MKLVBD", 1) and "for LVB" in caught.value.message
    assert "EXECUTION STOPPED" in caught.value.listing and "Analysis started" not in caught.value.message


def test_workdir_keeps_the_listing_and_a_stringers_mass_lowers_the_frequencies(tmp_path):
    vibration = ruvo.vibrate(square(), density=2.7e-9, modes=2, workdir=tmp_path / "run")
    assert os.listdir(tmp_path / "run") == ["analysis.out"]  # no RCA25
    assert "EIGENVALUE  1:" in vibration.listing and "MASS PER UNIT AREA" in vibration.listing
    heavy = square(stringers=[Stiffener(50.0, EA=0.0, EI=0.0, GJ=0.0, mass=1.0e-7)])
    assert ruvo.vibrate(heavy, density=2.7e-9, modes=1).frequencies[0] < vibration.frequencies[0]
    result = ruvo.buckle(square(), modes=2, workdir=tmp_path / "run")
    assert (tmp_path / "run" / "analysis.out").read_text() == result.listing
    assert " COMPUTED EIGENVALUES:" in result.listing
    result.save_listing(tmp_path / "saved.out")
    assert (tmp_path / "saved.out").read_text() == result.listing


def test_modes_on_the_grid_and_between_the_nodes(here):
    result = ruvo.buckle(square(length=200.0, mesh=Mesh(nx=12, ny=6)), modes=2)
    w = result.w_nodes
    assert w.shape == (2, 7, 13)
    assert not w[:, [0, -1], :].any() and not w[:, :, [0, -1]].any()  # simply supported edges
    gx, gy = np.meshgrid(result.x, result.y)
    assert np.allclose(result.w(gx, gy, mode=1), w[0], rtol=0, atol=1e-12 * np.abs(w[0]).max())
    # between the nodes the Hermite field follows sin(2 pi x / a) sin(pi y / b), two half-waves
    x, y = np.meshgrid(np.linspace(0, 200, 41), np.linspace(0, 100, 21))
    field, exact = result.w(x, y, 1), np.sin(2 * np.pi * x / 200) * np.sin(np.pi * y / 100)
    scale = field[np.unravel_index(np.abs(exact).argmax(), exact.shape)]
    assert np.abs(field / scale - exact).max() < 5e-3
    with pytest.raises(ValueError):
        result.w(250.0, 50.0)


def smeared_plate_load(skin, section, pitch, length, width):
    """Nx at buckling of the simply supported plate, stringers smeared over their pitch (A11 + EA/d,
    B11 = -ES/d, D11 + EI/d, D66 + GJ/4d), in u = U cos αx sin βy, v = V sin αx cos βy, w = W sin αx sin βy
    (α = mπ/a, β = π/b), U and V condensed out; the least over m."""
    A, B11, D = np.array(skin.A), -section.ES / pitch, np.array(skin.D)
    A[0, 0] += section.EA / pitch
    D[0, 0] += section.EI / pitch
    D[2, 2] += section.GJ / (4 * pitch)
    beta, loads = math.pi / width, []
    for m in range(1, 8):
        alpha = m * math.pi / length
        kuv = np.array([[A[0, 0] * alpha ** 2 + A[2, 2] * beta ** 2, (A[0, 1] + A[2, 2]) * alpha * beta],
                        [(A[0, 1] + A[2, 2]) * alpha * beta, A[1, 1] * beta ** 2 + A[2, 2] * alpha ** 2]])
        kuw = np.array([-B11 * alpha ** 3, 0.0])
        kww = (D[0, 0] * alpha ** 4 + 2 * (D[0, 1] + 2 * D[2, 2]) * (alpha * beta) ** 2
               + D[1, 1] * beta ** 4)
        loads.append((kww - kuw @ np.linalg.solve(kuv, kuw)) / alpha ** 2)
    return min(loads)


def test_blade_stiffened_plate_against_the_smeared_plate(here):
    """Seven blades at y = k·b/8 (U free on the loaded edges, V on the others, as the waves have them)
    sum to the smeared stringers; the load factor scales the skin's share of the load. Curved, stringers
    on the convex side (the back, for a positive radius) carry more; a negative radius swaps the sides."""
    skin = Laminate.isotropic(70000.0, 0.3, 2.0)
    blade = ruvo.sections.Blade(height=20.0, web=2.0, skin=skin, material=ruvo.sections.Isotropic(70000.0, 0.3))
    length, width, pitch = 600.0, 400.0, 50.0
    along, across = ruvo.Edge("conditions", ("W", "V")), ruvo.Edge("conditions", ("W", "U"))
    panel = Panel(length=length, width=width, laminate=skin, loads=Loads(Nx=1.0),
                  edges=ruvo.Edges(x0=along, xl=along, y0=across, yl=across),
                  stringers=[blade.stiffener(pitch * k) for k in range(1, 8)], mesh=Mesh(nx=16, ny=24))
    skin_share = 1.0 / (1.0 + blade.EA * np.linalg.inv(skin.A)[0, 0] / pitch)
    derived = smeared_plate_load(skin, blade, pitch, length, width) * skin_share
    assert ruvo.buckle(panel, modes=1).load_factors[0] == pytest.approx(derived, rel=0.01)
    sides = {}
    for ry in (1000.0, -1000.0):
        for side in ("back", "front"):
            curved = panel.replace(ry=ry, edges="simply supported", mesh=Mesh(nx=12, ny=16),
                                   stringers=[blade.stiffener(pitch * k, side=side) for k in range(1, 8)])
            sides[ry, side] = ruvo.buckle(curved, modes=1).load_factors[0]
    assert sides[1000.0, "back"] > 1.05 * sides[1000.0, "front"]
    # the mirrored panel: the same numbers to rounding
    assert sides[-1000.0, "front"] == pytest.approx(sides[1000.0, "back"], rel=1e-12)
    assert sides[-1000.0, "back"] == pytest.approx(sides[1000.0, "front"], rel=1e-12)


def test_stiffened_curved_panel_forces_plots_and_json(here):
    panel = Panel.from_toml(EXAMPLES / "stiffened_curved_panel.toml")
    result = ruvo.buckle(panel, modes=2)
    assert result.variant == "21" and (result.stiffener_forces != 0).all()
    assert np.allclose(result.membrane_forces[:, 0], result.load_factors, rtol=1e-6)
    assert np.allclose(result.membrane_forces[:, 2], -20.0)
    import matplotlib
    matplotlib.use("Agg")
    ax = result.plot(mode=1, file=str(here.parent / "mode.png"))
    drawn = [line.get_label() for line in ax.lines]
    assert drawn.count("stringer") == drawn.count("frame") == 1 and len(ax.lines) == 5  # and the outline
    assert "load factor" in ax.get_title() and "developed" in ax.figure.texts[0].get_text()
    assert (here.parent / "mode.png").stat().st_size > 10000
    fig = result.plot_modes(file=str(here.parent / "modes.png"))
    assert len(fig.axes) == 3 and fig.axes[-1].get_ylim() == (-1.0, 1.0)  # two modes, one scale about 0
    skewed = ruvo.buckle(square(skew_y=30.0), modes=1).plot()                # y' leans 30 degrees towards -x
    assert np.allclose(skewed.lines[0].get_xydata()[2:4], [[50.0, 100 * 0.75 ** 0.5], [-50.0, 100 * 0.75 ** 0.5]])
    for result in (result, ruvo.vibrate(panel, density=2.7e-9, modes=2)):
        text = result.to_json()
        document = json.loads(text)
        assert document["schema_version"] == 2 and document["ruvo_version"] == ruvo.__version__
        assert "compression" in document["sign_convention"] and document["units"]["frequency"] == "Hz"
        assert "variant" not in text and document["panel"]["stringers"][0]["position"] == [150.0, 300.0, 450.0]
        again = ruvo.load(text)
        assert again == result and again.panel == panel and again.w(500.0, 75.0) == result.w(500.0, 75.0)
    (here.parent / "result.json").write_text(text)
    assert ruvo.load(here.parent / "result.json") == result
    with pytest.raises(ValueError, match=r"schema version 9 is newer than this ruvo reads \(versions 1 to 2\)"):
        ruvo.load(text.replace('"schema_version": 2', '"schema_version": 9'))


def test_command_line_files_outputs_and_exit_codes(tmp_path_factory):
    out = tmp_path_factory.mktemp("out")
    assert cli("--version").stdout.strip() == f"ruvo {ruvo.__version__}"
    help_text = cli("--help").stdout
    assert "[laminates.skin]" in help_text and "positive in compression" in help_text
    done = cli(EXAMPLES / "flat_plate.toml", EXAMPLES / "clamped*.toml", "--csv", out / "t.csv", "--json",
               out / "r.json", "--plot", out / "m.png", "--modes-plot", "1,2", "--quiet")
    assert (done.returncode, done.stdout, done.stderr) == (0, "", "")
    results = ruvo.load(out / "r.json")
    assert results[0].critical_load_factor * 100 ** 2 / PI2_D == pytest.approx(4.0, rel=1e-4)   # k = 4
    assert [r.panel.title for r in results] == ["Simply supported plate under compression",
                                                 "Clamped plate under compression"]
    csv = (out / "t.csv").read_text().splitlines()
    assert csv[0].startswith("design,file,status,error,critical_load_factor") and len(csv) == 3
    assert sorted(p.name for p in out.glob("m-*.png")) == ["m-clamped_plate.png", "m-flat_plate.png"]
    printed = cli(EXAMPLES / "flat_plate.toml", "--modes", "2").stdout.splitlines()
    assert printed[1].split() == ["mode", "load", "factor", "Nx", "Nxy", "Ny"] and len(printed) == 5
    assert float(printed[2].split()[1]) == pytest.approx(results[0].critical_load_factor, rel=1e-7)
    margins = cli(EXAMPLES / "flat_plate.toml", "--modes", "2", "--margins", "--csv", out / "m.csv").stdout
    assert "panel buckling" in margins and "yield (von Mises)" in margins
    rows = (out / "m.csv").read_text().splitlines()
    assert rows[0] == "load_case,part,mode,reserve_factor,margin,governing,note,file" and len(rows) == 3
    vibration = cli("vibrate", EXAMPLES / "flat_plate.toml", "--density", "2.7e-9", "--modes", "1")
    assert vibration.returncode == 0 and "frequency (Hz)" in vibration.stdout
    bad, indefinite = out / "bad.toml", out / "indefinite.toml"
    for path, laminate in ((bad, "A = [[1.0, 0, 0], [0, 1.0, 0], [0, 0, 1.0]]"), (indefinite, "A = [[7e4, 0, 0], "
                           "[0, 7e4, 0], [0, 0, 3e4]]\nD = [[-6e3, 0, 0], [0, -6e3, 0], [0, 0, -3e3]]")):
        path.write_text((EXAMPLES / "flat_plate.toml").read_text().replace("E = 70000.0\nnu = 0.3\nt = 1.0", laminate))
    flat = EXAMPLES / "flat_plate.toml"
    # mistakes end in exit code 2: the words on standard error | the arguments
    for words, args in ((f"ruvo: {bad}: [laminate]: D missing\n", (bad,)),
                        ("no such file", (out / "none*.toml",)),
                        ("cannot be written", (flat, "--json", out / "no" / "r.json")),
                        ("cannot be written", (flat, "--plot", out)),
                        ("not positive definite", (indefinite, flat)),
                        ("modes", (flat, "--modes", "0"))):
        done = cli(*args)
        assert done.returncode == 2 and words in done.stderr and "Traceback" not in done.stderr, args


def test_sweep_command_writes_the_table(tmp_path):
    designs = tmp_path / "designs.toml"
    designs.write_text(f'base = "{EXAMPLES / "flat_plate.toml"}"\nmodes = 1\n[vary]\nlength = [100.0, 150.0]\n'
                       '"loads.Nx" = { start = 1.0, stop = 2.0, num = 2 }\n')
    done = cli("sweep", designs, "--out", tmp_path / "out.csv", "--processes", "1", "--quiet")
    assert done.returncode == 0, done.stderr
    rows = [line.split(",") for line in (tmp_path / "out.csv").read_text().splitlines()]
    assert rows[0][:5] == ["design", "length", "loads.Nx", "status", "error"] and len(rows) == 5
    for row in rows[1:]:
        panel = square(length=float(row[1]), loads=Loads(Nx=float(row[2])))
        assert float(row[5]) == ruvo.buckle(panel, modes=1).critical_load_factor
    designs.write_text(designs.read_text().replace("length", "lenght"))
    done = cli("sweep", designs, "--out", tmp_path / "out.csv")
    assert done.returncode == 2 and "unknown key 'lenght'; did you mean 'length'?" in done.stderr
