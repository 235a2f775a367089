"""The package's panel description: laminates through the engine, edges in
words, meshes with lines at the stiffeners, TOML files, and the refusals
that name the field before any analysis starts."""
import math
from pathlib import Path

import numpy as np
import pytest

import ruvo
from ruvo import Edge, Edges, Laminate, Loads, Material, Mesh, Panel, Ply, Stiffener

SKIN = Laminate.isotropic(70000.0, 0.3, 1.0)
EXAMPLES = Path(__file__).resolve().parents[2] / "examples"


def plate(**changes):
    args = dict(length=300.0, width=100.0, laminate=SKIN, loads=Loads(Nx=1.0))
    args.update(changes)
    return Panel(**args)


# ---- laminates ----------------------------------------------------------------

def test_isotropic_laminate_has_the_closed_form_stiffnesses():
    a, d = 70000.0 / (1 - 0.09), 70000.0 / (12 * (1 - 0.09))
    assert np.allclose(SKIN.A, [[a, 0.3 * a, 0], [0.3 * a, a, 0], [0, 0, 0.35 * a]], rtol=1e-6)
    assert np.allclose(SKIN.D, np.array(SKIN.A) * d / a, rtol=1e-6)
    assert not np.any(SKIN.B) and SKIN.thickness == 1.0


def test_plies_go_through_abdetc_and_pack_in_the_engines_order():
    carbon = Material(E1=140000.0, E2=10000.0, nu12=0.3, G12=5000.0)
    unsym = Laminate.from_plies([Ply(0.5, 0.0), Ply(0.5, 90.0)], carbon)
    assert unsym.thickness == 1.0 and np.any(unsym.B)
    assert np.array(unsym.A)[0, 0] == pytest.approx(np.array(unsym.A)[1, 1])  # 0/90: equal in x and y
    packed = unsym.packed()
    assert packed.dtype == np.float32 and packed.shape == (18,)
    a, b, d = (np.array(m) for m in (unsym.A, unsym.B, unsym.D))
    assert packed[[0, 1, 2, 5]].tolist() == np.float32(a[[0, 0, 1, 2], [0, 1, 1, 2]]).tolist()
    assert packed[6] == np.float32(-b[0, 0])  # the engine's coupling is -B
    assert packed[[12, 14, 17]].tolist() == np.float32(d[[0, 1, 2], [0, 1, 2]]).tolist()
    # +-45 balanced and symmetric: no coupling, the 13 and 23 terms vanish in A
    angle = Laminate.from_plies([Ply(0.25, 45), Ply(0.25, -45), Ply(0.25, -45), Ply(0.25, 45)], carbon)
    assert np.allclose(angle.B, 0, atol=1e-6 * abs(angle.A[0][0])) and abs(angle.A[0][2]) < 1e-3


@pytest.mark.parametrize("build, field", [
    (lambda: Laminate.isotropic(-1.0, 0.3, 1.0), "Laminate.E"),
    (lambda: Laminate.isotropic(1.0, 0.6, 1.0), "Laminate.nu"),
    (lambda: Laminate.isotropic(1.0, 0.3, 0.0), "Ply.thickness"),
    (lambda: Laminate.from_matrices(np.eye(2), np.eye(3)), "Laminate.A"),
    (lambda: Laminate.from_matrices(np.eye(3), [[1, 2, 0], [0, 1, 0], [0, 0, 1]]), "Laminate.D"),
    (lambda: Laminate.from_plies([], Material(1, 1, 0.3, 1)), "Laminate.plies"),
    (lambda: Material(1.0, 100.0, 0.5, 1.0), "Material.nu12"),
    (lambda: Stiffener(10.0, EA=-1.0), "Stiffener.EA"),
    (lambda: Stiffener(EA=1.0), "Stiffener.position"),
    (lambda: Stiffener(line=0, EA=1.0), "Stiffener.line"),
    (lambda: Loads(), "Loads.Nx"),
    (lambda: Loads(Nx=math.nan), "Loads.Nx"),
    (lambda: Mesh(nx=31), "Mesh.nx"),
    (lambda: Mesh(size=0.0), "Mesh.size"),
    (lambda: Edge.parse("hinged"), "Edge"),
    (lambda: Edge.from_codes([0, 7, 0, 0, 0, 0, 0]), "Edge"),
    (lambda: Edges.parse({"x1": "free"}), "Panel.edges"),
    (lambda: plate(length=0.0), "Panel.length"),
    (lambda: plate(ry=0.0), "Panel.ry"),
    (lambda: plate(skew_x=90.0), "Panel.skew_x"),
    (lambda: plate(freedoms="W", ry=500.0), "Panel.freedoms"),
    (lambda: plate(title="x" * 81), "Panel.title"),
    (lambda: plate(laminate="aluminium"), "Panel.laminate"),
    (lambda: plate(mesh=Mesh(size=1.0)), "Panel.mesh"),                      # 301 lines along x
    (lambda: plate(mesh=Mesh(x=[100.0, 100.0])), "Mesh.x"),                  # sums to 200, not 300
    (lambda: plate(stringers=[Stiffener(33.0, EA=1.0)], mesh=Mesh(ny=3, y=[50.0, 50.0])), "Panel.stringers"),
    (lambda: plate(stringers=[Stiffener(150.0, EA=1.0)]), "Panel.stringers"),  # beyond the width
    (lambda: plate(frames=[Stiffener(line=3, EA=1.0), Stiffener(60.0, EA=1.0)], mesh=Mesh(nx=10)), "Panel.frames"),
])
def test_bad_values_are_refused_naming_the_field(build, field):
    with pytest.raises(ValueError, match=r"^" + field.replace(".", r"\.")):
        build()


# ---- edges ----------------------------------------------------------------------

def test_edge_words_and_codes():
    assert Edge.parse("Simply supported").codes() == [0, 1, 2, 3, 0, 0, 0]
    assert Edge.parse("clamped").codes() == [0, 1, 2, 3, 6, 0, 0]
    assert Edge.parse("free").codes() == [0] * 7
    assert Edge.parse("symmetry").codes()[0] < 0 < Edge.parse("antisymmetry").codes()[0]
    assert Edge.from_codes([0, 6, 1, 0, 0, 0, 0]) == Edge("conditions", ("SLOPE", "W"))
    edges = Edges.parse({"all": "clamped", "yl": "free"})
    assert edges.x0 == edges.xl == edges.y0 == Edge.parse("clamped") and edges.yl == Edge.parse("free")
    assert plate(edges="free").edges == Edges.parse("free")


# ---- mesh -----------------------------------------------------------------------

def test_mesh_puts_lines_at_the_stiffeners():
    p = plate(stringers=[Stiffener(25.0, EA=1.0), Stiffener(75.0, EA=1.0)],
              frames=[Stiffener(100.0, EA=1.0), Stiffener(200.0, EA=1.0)], mesh=Mesh(size=12.0))
    assert len(p.x_lengths) == 3 * 9 and np.allclose(p.x_lengths, 100.0 / 9)
    assert list(p.y_lengths) == pytest.approx([25 / 3] * 3 + [50 / 5] * 5 + [25 / 3] * 3)
    assert p.stringer_lines == (4, 9) and p.frame_lines == (10, 19)
    assert p.y_nodes[3] == pytest.approx(25.0) and p.x_nodes[18] == pytest.approx(200.0)


def test_element_counts_are_shared_over_the_bays():
    p = plate(frames=[Stiffener(100.0, EA=1.0)], mesh=Mesh(nx=9, ny=4))
    assert np.allclose(p.x_lengths, [100 / 3] * 3 + [200 / 6] * 6) and len(p.y_lengths) == 4
    assert p.frame_lines == (4,)
    assert len(plate().x_lengths) == 10  # the default: ten per direction
    given = plate(mesh=Mesh(x=[100.0, 200.0], ny=2), frames=[Stiffener(line=2, EA=1.0)])
    assert given.frame_lines == (2,) and list(given.x_lengths) == [100.0, 200.0]


def test_panels_are_frozen_and_replace_checks_again():
    p = plate()
    with pytest.raises(Exception):
        p.length = 2.0
    assert p.replace(width=50.0).width == 50.0
    with pytest.raises(ValueError, match="Panel.width"):
        p.replace(width=-1.0)


# ---- TOML -----------------------------------------------------------------------

def test_toml_panel_with_plies_stiffeners_and_edges(tmp_path):
    path = tmp_path / "panel.toml"
    path.write_text('''
title = "curved"
length = 400.0
width = 200.0
ry = 1000.0
modes = 4
edges = { all = "simply supported", yl = "clamped" }
[laminate]
material = { E1 = 140000.0, E2 = 10000.0, nu12 = 0.3, G12 = 5000.0 }
plies = [[0.25, 45.0], [0.25, -45.0], { thickness = 0.25, angle = -45.0 }, [0.25, 45.0]]
[loads]
Nx = 1.0
fixed_Ny = -2.0
[mesh]
size = 20.0
[[stringers]]
position = 100.0
EA = 1.0e7
EI = 1.0e9
''')
    panel, options = ruvo.toml_panel.load(path)
    assert options == {"modes": 4} and panel.title == "curved" and panel.ry == 1000.0
    assert panel.edges.yl == Edge.parse("clamped") and panel.edges.x0 == Edge.parse("simply supported")
    assert panel.stringer_lines == (6,) and panel.loads.fixed_Ny == -2.0
    assert panel.laminate.thickness == 1.0


@pytest.mark.parametrize("path", sorted(EXAMPLES.glob("*.toml")), ids=lambda p: p.stem)
def test_every_example_panel_round_trips_through_toml(path, tmp_path):
    panel = Panel.from_toml(path)
    written = tmp_path / "written.toml"
    written.write_text(panel.to_toml())
    again = Panel.from_toml(written)
    assert again == panel and again.to_toml() == panel.to_toml()


BASE = "length = 1.0\nwidth = 1.0\n[laminate]\nE = 1.0\nt = 1.0\n[loads]\nNx = 1.0\n"
STRINGER = "[[stringers]]\nposition = 0.5\nEA = 1.0\n"


@pytest.mark.parametrize("text, words", [
    ("length = 1.0\nwidth = 1.0\n[loads]\nNx = 1.0\n", "bad.toml: laminate missing"),
    ("colour = 1\n" + BASE, r"bad.toml: unknown key 'colour' \(valid keys: length, width"),
    (BASE.replace("Nx", "Nxx"), r"bad.toml: \[loads\]: unknown key 'Nxx'; did you mean 'Nx'\? \(valid keys: Nx, Ny"),
    (BASE + STRINGER + STRINGER.replace("EA", "EAA"),
     r"\[\[stringers\]\] number 2: unknown key 'EAA'; did you mean 'EA'"),
    (BASE + STRINGER.replace("0.5", "'half'"), r"\[\[stringers\]\] number 1: Stiffener.position: 'half' is not"),
    (BASE.replace("E = 1.0\nt = 1.0", "modulus = 1.0"), r"\[laminate\]: give E, nu, t"),
    (BASE.replace("E = 1.0\nt = 1.0", "A = [[1.0, 0, 0], [0, 1.0, 0], [0, 0, 1.0]]"), r"\[laminate\]: D missing"),
    (BASE.replace("E = 1.0\nt = 1.0", "plies = [[1.0, 0.0]]"), r"\[laminate\]: material missing"),
    (BASE.replace("E = 1.0\nt = 1.0", "plies = [[1.0, 0.0, 3.0]]\nmaterial = { E1 = 1.0, E2 = 1.0, nu12 = 0.3, "
                                       "G12 = 1.0 }"), "ply number 1: a ply is"),
    ("loads = 3\n" + BASE.replace("[loads]\nNx = 1.0\n", ""), r"\[loads\]: a table is needed"),
    (BASE + "[mesh\n", r"bad.toml: not valid TOML: .*line 8"),
    ("a = " + "[" * 100000 + "]" * 100000 + "\n", "bad.toml: values nested too deeply"),
])
def test_toml_mistakes_name_the_file_table_and_key(tmp_path, text, words):
    path = tmp_path / "bad.toml"
    path.write_text(text)
    with pytest.raises(ValueError, match=words) as caught:
        Panel.from_toml(path)
    assert str(caught.value).startswith(str(path)) and "__init__" not in str(caught.value)
