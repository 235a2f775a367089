"""The package's panel: laminates, sections, edges, meshes, TOML, and refusals naming the field."""
import math
import re
import warnings

import numpy as np
import pytest

import _ruvo
import ruvo
from conftest import DATA, EXAMPLES, SKIN, square
from ruvo import Edge, Edges, Laminate, Loads, Material, Mesh, Panel, Ply, Region, Stiffener, sections



def plate(**changes):
    return square(**{"length": 300.0, "mesh": Mesh(), **changes})


# ---- laminates ----------------------------------------------------------------

# The package's refusals: the field the message begins with | the call.
@pytest.mark.parametrize("field, call", [
    pytest.param("Laminate.E", lambda: Laminate.isotropic(-1.0, 0.3, 1.0), id="negative modulus"),
    pytest.param("Laminate.nu", lambda: Laminate.isotropic(1.0, 0.6, 1.0), id="Poisson ratio beyond 0.5"),
    pytest.param("Ply.thickness", lambda: Laminate.isotropic(1.0, 0.3, 0.0), id="no thickness"),
    pytest.param("Laminate.A", lambda: Laminate.from_matrices(np.eye(2), np.eye(3)), id="A not 3 x 3"),
    pytest.param("Laminate.D", lambda: Laminate.from_matrices(np.eye(3), [[1, 2, 0], [0, 1, 0], [0, 0, 1]]),
                 id="D not symmetric"),
    pytest.param("Laminate.plies", lambda: Laminate.from_plies([], Material(1, 1, 0.3, 1)), id="no plies"),
    pytest.param("Material.nu12", lambda: Material(1.0, 100.0, 0.5, 1.0), id="nu12 beyond its bound"),
    pytest.param("Material.Xc", lambda: Material(9, 1, 0.3, 1, Xc=-1200.0), id="strength as a signed stress"),
    pytest.param("Material.F12", lambda: Material(9, 1, 0.3, 1, Xt=2000.0, Xc=1200.0, Yt=50.0, Yc=200.0, F12=-0.5),
                 id="Tsai-Wu interaction normalised"),
    pytest.param("Stiffener.EA", lambda: Stiffener(10.0, EA=-1.0), id="negative EA"),
    pytest.param("Stiffener.ES", lambda: Stiffener(10.0, EA=1.4e7, ES=2.0e9, EI=1.0e6), id="EI given as ES"),
    pytest.param("Laminate.D", lambda: Laminate.from_matrices(SKIN.A, -np.array(SKIN.D)), id="D not positive definite"),
    pytest.param("Laminate.B", lambda: Laminate.from_matrices(SKIN.A, SKIN.D, B=np.array(SKIN.A) * 0.5),
                 id="ABD not positive definite"),
    pytest.param("Stiffener.position", lambda: Stiffener(EA=1.0), id="stiffener nowhere"),
    pytest.param("Stiffener.line", lambda: Stiffener(line=0, EA=1.0), id="line 0"),
    pytest.param("Panel.loads", lambda: ruvo.buckle(plate(loads=Loads())), id="no variable load: nothing to scale"),
    pytest.param("Loads.Nx", lambda: Loads(Nx=math.nan), id="load nan"),
    pytest.param("Mesh.nx", lambda: Mesh(nx=49), id="49 elements"),
    pytest.param("Mesh.size", lambda: Mesh(size=0.0), id="size 0"),
    pytest.param("Edge", lambda: Edge.parse("hinged"), id="unknown edge word"),
    pytest.param("Edge", lambda: Edge.from_codes([0, 7, 0, 0, 0, 0, 0]), id="unknown edge code"),
    pytest.param("Panel.edges", lambda: Edges.parse({"x1": "free"}), id="unknown edge name"),
    pytest.param("Panel.length", lambda: plate(length=0.0), id="length 0"),
    pytest.param("Panel.length", lambda: plate(length=1e-300), id="0 in 32 bits"),
    pytest.param("Panel.width", lambda: plate(width=1e300), id="inf in 32 bits"),
    pytest.param("Panel.skew_x", lambda: plate(skew_x=89.0), id="the element degenerates"),
    pytest.param("Panel.skew_x", lambda: plate(skew_x=45.0, skew_y=-40.0), id="skews folding the element"),
    pytest.param("Mesh.size", lambda: plate(mesh=Mesh(size=1e-300)), id="size 1e-300"),
    pytest.param("Panel.ry", lambda: plate(ry=0.0), id="radius 0"),
    pytest.param("Panel.skew_x", lambda: plate(skew_x=90.0), id="skew 90"),
    pytest.param("Panel.freedoms", lambda: plate(freedoms="W", ry=500.0), id="W alone on a curved panel"),
    pytest.param("Panel.freedoms", lambda: plate(freedoms="W", laminate=Laminate.from_plies([Ply(0.5, 0), Ply(0.5, 90)],
                                                                                          Material(9, 1, 0.3, 1))),
                 id="W alone on an unsymmetric laminate"),
    pytest.param("Panel.freedoms: 'W'", lambda: plate(freedoms="W", stringers=[Stiffener(50.0, EA=1.4e6, ES=1e6, EI=2e7)]),
                 id="W alone with an eccentric stiffener"),
    pytest.param("Panel.title", lambda: plate(title="x" * 81), id="title of 81"),
    pytest.param("Panel.laminate", lambda: plate(laminate="aluminium"), id="laminate a word"),
    pytest.param("Mesh.x", lambda: plate(mesh=Mesh(x=[100.0, 100.0])), id="sums to 200, not 300"),
    pytest.param("Panel.stringers", lambda: plate(stringers=[Stiffener(33.0, EA=1.0)], mesh=Mesh(ny=3, y=[50.0, 50.0])),
                 id="stringer off the given lines"),
    pytest.param("Panel.stringers", lambda: plate(stringers=[Stiffener(150.0, EA=1.0)]), id="beyond the width"),
    pytest.param("Panel.frames", lambda: plate(frames=[Stiffener(line=3, EA=1.0), Stiffener(60.0, EA=1.0)], mesh=Mesh(nx=10)),
                 id="frames by line and by position"),
    pytest.param("Panel.frames[0].pad_up: the band x = 290..310 reaches past the panel, whose length is 300",
                 lambda: plate(frames=[Stiffener(300.0, EA=1.0, pad_up=SKIN2, pad_width=20.0)]), id="frame pad-up at the edge"),
    pytest.param("Panel.regions[1]: it overlaps regions[0] (x = 50..100, y = 30..45); regions may not overlap",
                 lambda: plate(regions=[Region(30.0, 45.0, SKIN2), Region(x=(50.0, 100.0), laminate=Laminate.isotropic(E, NU, 3.0))]),
                 id="overlapping regions"),
    pytest.param("Region.x1: 10.0 must lie above x0 = 20.0", lambda: Region(x=(20.0, 10.0), laminate=SKIN2), id="region x reversed"),
    pytest.param("Panel.freedoms: 'WBG' carries the transverse shear rotations; every laminate needs its shear stiffness",
                 lambda: plate(freedoms="WBG"), id="shear rotations without shear stiffness"),
    pytest.param("Panel.width: -1.0 must be positive", lambda: plate().replace(width=-1.0), id="replace checks again"),
    pytest.param("T.web: a thickness needs the section's material",
                 lambda: sections.T(height=30, web=2, foot_width=20, foot=SKIN2, skin=SKIN2), id="wall thickness without material"),
    pytest.param("T.height: leaves no web above the walls of 2.0",
                 lambda: sections.T(height=1.0, web=SKIN2, foot_width=20, foot=SKIN2, skin=SKIN2), id="no web"),
    pytest.param("Mesh.size: 2 gives 50 elements along x; the largest size variant takes 48 (p_rtnds 49)",
                 lambda: square(mesh=Mesh(size=2.0)), id="51 node lines"),
    pytest.param("Blade.height: True is not a number",
                 lambda: sections.Blade(skin=SKIN, material=METAL, height=True, web=1.0), id="height true"),
    pytest.param("Blade.height: 1e+300 lies outside",
                 lambda: sections.Blade(skin=SKIN, material=METAL, height=1e300, web=1.0), id="height 1e300"),
    pytest.param("T.foot_width: 1.0 is narrower than the web",
                 lambda: sections.T(skin=SKIN, material=METAL, height=20.0, web=2.0, foot_width=1.0, foot=1.0),
                 id="foot narrower than the web"),
    pytest.param("Isotropic.Fcy: -300.0 must be positive", lambda: sections.Isotropic(E, NU, Fcy=-300.0),
                 id="yield stress negative"),
    pytest.param("T.Fcu: 0.0 must be positive",
                 lambda: sections.T(skin=SKIN, height=20.0, web=SKIN, foot_width=10.0, foot=SKIN, Fcu=0.0),
                 id="laminates' compression strength zero"),
    pytest.param("mass_per_area: a mass per area of 1e-300", lambda: ruvo.vibrate(square(), mass_per_area=1e-300),
                 id="mass zero in 32 bits"),
    pytest.param("density: a mass per area of 1e+300", lambda: ruvo.vibrate(square(), density=1e300),
                 id="density infinite in 32 bits"),
    pytest.param("gradient: modes 1000000000", lambda: ruvo.gradient(
        lambda x: square(stringers=[Stiffener(50.0, EA=x[0])]), [1e6], modes=10**9), id="gradient modes 10**9"),
    pytest.param("gradient: h = [1.0, 1.0, 1.0] must be one step or one per variable (2)", lambda: ruvo.gradient(
        lambda x: square(stringers=[Stiffener(50.0, EA=x[0], EI=x[1])]), [1e6, 1e7], h=[1.0] * 3),
                 id="three steps for two variables"),
    pytest.param("Panel.regions[0]: the band y = 250..320 reaches past the panel, whose width is 300",
                 lambda: plate(width=300.0, regions=[Region(250.0, 320.0, SKIN2)]), id="region past the edge"),
    pytest.param("Panel.stringers[0].pad_up: the band y = -10..10 reaches past the panel",
                 lambda: plate(stringers=[Stiffener(0.0, pad_up=SKIN2, pad_width=20.0)]), id="pad-up at the edge"),
    pytest.param("Panel.stringers[1].pad_up: the band y = 290..310 reaches past the panel, whose width is 300",
                 lambda: plate(width=300.0, stringers=[Stiffener(100.0, pad_up=SKIN2, pad_width=20.0),
                                                       Stiffener(300.0, pad_up=SKIN2, pad_width=20.0)]),
                 id="the second pad-up past the edge"),
    pytest.param("Panel.loads.pressure: pressure on a flat panel is a lateral load that bends it",
                 lambda: plate(loads=Loads(Nx=1.0, pressure=0.05)), id="pressure on a flat panel"),
    pytest.param("Panel.loads.pressure: the membrane forces of pressure on a doubly curved", lambda: ruvo.buckle(
        plate(rx=2000.0, ry=1000.0, loads=Loads(Nx=1.0, pressure=0.05))), id="pressure on a doubly curved panel"),
    pytest.param("Material.alpha1: give both", lambda: Material(1e5, 1e4, 0.3, 5e3, alpha1=1e-6), id="alpha1 alone"),
    pytest.param("Panel.loads.delta_T: the skin's laminate has no thermal expansion",
                 lambda: ruvo.buckle(plate(loads=Loads(delta_T=1.0))), id="temperature without expansion"),
    pytest.param("Panel.stringers[0].alpha: 1e-05 differs from the skin's expansion 2.3e-05", lambda: ruvo.buckle(
        plate(laminate=Laminate.isotropic(E, NU, 1.0, alpha=2.3e-5), loads=Loads(delta_T=1.0),
              stringers=[Stiffener(100.0, EA=1e6, EI=1e8, alpha=1e-5)])), id="stringer expanding otherwise"),
    pytest.param("Panel.loads.delta_T: temperature loads on a panel with regions", lambda: ruvo.buckle(
        plate(laminate=Laminate.isotropic(E, NU, 1.0, alpha=2.3e-5), loads=Loads(delta_T=1.0),
              regions=[Region(30.0, 45.0, SKIN2)])), id="temperature on bands"),
    pytest.param("gradient: running loads, pressure and temperature give skin forces", lambda: ruvo.gradient(
        lambda x: square(stringers=[Stiffener(50.0, EA=x[0])], loads=ruvo.RunningLoads(Nx=1.0)), [1e6]),
                 id="gradient of running loads"),
])
def test_bad_values_are_refused_naming_the_field(field, call):
    with pytest.raises(ValueError, match="^" + re.escape(field)):
        call()


# ---- cross-sections ------------------------------------------------------------------

E, NU, RHO = 70000.0, 0.3, 2.7e-9
G = E / (2 * (1 + NU))
METAL = sections.Isotropic(E, NU)
SKIN2 = Laminate.isotropic(E, NU, 2.0)   # the sections stand on its surface, 1.0 above the mid-surface


def box(y0, y1, z0, z1):
    return [(y0, z0), (y1, z0), (y1, z1), (y0, z1)]


def slanted(y, z, length, thick, tilt):
    """A wall of `length` and `thick` centred at (y, z), its mid-line `tilt` radians from the vertical."""
    along, across = np.array([math.sin(tilt), math.cos(tilt)]), np.array([math.cos(tilt), -math.sin(tilt)])
    c = np.array([y, z])
    return [tuple(c + a * length / 2 * along + b * thick / 2 * across) for a, b in ((-1, -1), (-1, 1), (1, 1), (1, -1))]


def polygon_moments(polygons):
    """Area, ∫z dA and ∫z² dA of polygons (y, z) by the shoelace sums."""
    total = np.zeros(3)
    for p in polygons:
        y, z = np.array(p).T
        y1, z1 = np.roll(y, -1), np.roll(z, -1)
        cross = y * z1 - y1 * z
        total += np.array([cross.sum() / 2, ((z + z1) * cross).sum() / 6,
                           ((z * z + z * z1 + z1 * z1) * cross).sum() / 12]) * np.sign(cross.sum())  # either turn
    return total


HALF = math.radians(15.0)
HAT_RISE = 25.25 - 1.75                     # crown mid-line less foot mid-line
HAT_BOTTOM = 20.0 + 2 * 25.25 * math.tan(HALF)
HAT_BREDT = 4 * ((20.0 + HAT_BOTTOM) / 2 * 25.25) ** 2 / (
    20.0 / (G * 1.5) + 2 * 25.25 / math.cos(HALF) / (G * 1.5) + HAT_BOTTOM / (G * 2.0))
# Stiffener sections on the 2 mm skin (its surface 1.0 above the mid-surface): the section | the outlines of
# its walls as polygons (y, z) | GJ by hand (open walls Σ G·b·t³/3, the hat's cell by Bredt).
SHAPES = {
    "blade": (sections.Blade(height=30, web=2, skin=SKIN2, material=METAL, density=RHO), [box(-1, 1, 1, 31)],
              G * 30 * 8 / 3),
    "T": (sections.T(height=30, web=2, foot_width=20, foot=2, skin=SKIN2, material=METAL, density=RHO),
          [box(-10, 10, 1, 3), box(-1, 1, 3, 31)], G * (20 + 28) * 8 / 3),
    "L": (sections.L(height=30, web=2, foot_width=20, foot=2, skin=SKIN2, material=METAL, density=RHO),
          [box(0, 20, 1, 3), box(0, 2, 3, 31)], G * (20 + 28) * 8 / 3),
    "I": (sections.I(height=30, web=2, foot_width=20, foot=2, flange_width=15, flange=1.5, skin=SKIN2, material=METAL,
                     density=RHO),
          [box(-10, 10, 1, 3), box(-1, 1, 3, 29.5), box(-7.5, 7.5, 29.5, 31)], G * (20 * 8 + 26.5 * 8 + 15 * 1.5 ** 3) / 3),
    "Z": (sections.Z(height=30, web=2, foot_width=20, foot=2, flange_width=15, flange=1.5, skin=SKIN2, material=METAL,
                     density=RHO),
          [box(-1, 19, 1, 3), box(-1, 1, 3, 29.5), box(-14, 1, 29.5, 31)], G * (20 * 8 + 26.5 * 8 + 15 * 1.5 ** 3) / 3),
    "hat": (sections.Hat(height=25, crown_width=20, crown=1.5, web=1.5, web_angle=30, foot_width=15, foot=1.5, skin=SKIN2,
                         material=METAL, density=RHO),
            [box(-30, -15, 1, 2.5), box(15, 30, 1, 2.5), box(-10, 10, 24.5, 26),
             slanted(-13, 13.5, HAT_RISE / math.cos(HALF), 1.5, -HALF), slanted(13, 13.5, HAT_RISE / math.cos(HALF), 1.5, HALF)],
            HAT_BREDT + 2 * G * 15 * 1.5 ** 3 / 3),
}


@pytest.mark.parametrize("shape", SHAPES)
def test_section_properties_against_polygon_integrals(shape):
    """EA, ES, EI about the skin's mid-surface from the shoelace integrals of
    the walls' outlines; GJ of open walls Σ G·b·t³/3, of the hat's closed
    cell by Bredt; the Stiffener on the back (+ES) and the front (-ES)."""
    section, outlines, gj = SHAPES[shape]
    area, first, second = polygon_moments(outlines)
    assert section.EA == pytest.approx(E * area, rel=1e-12)
    assert section.ES == pytest.approx(E * first, rel=1e-12)
    assert section.EI == pytest.approx(E * second, rel=1e-12)
    assert section.offset == pytest.approx(first / area, rel=1e-12)
    assert section.GJ == pytest.approx(gj, rel=1e-12)
    assert section.mass == pytest.approx(RHO * area, rel=1e-12)
    back, front = section.stiffener(50.0), section.stiffener(line=3, side="front")
    assert (back.EA, back.ES, back.EI, back.GJ, back.mass) == (section.EA, section.ES, section.EI, section.GJ,
                                                               section.mass)
    assert front.ES == -section.ES and front.line == 3 and front.EI == section.EI


def test_section_walls_of_laminates_and_the_check_data():  # the force from them: test_package_model
    carbon = Material(140000.0, 10000.0, 0.3, 5000.0)
    web = Laminate.from_plies([Ply(0.25, a) for a in (45, -45, 0, 0, -45, 45)], carbon)
    t = sections.T(height=31.5, web=web, foot_width=20, foot=web, skin=SKIN2)
    narrow = 1.0 / np.linalg.inv(np.array(web.A))[0, 0]          # a narrow wall contracts freely
    assert t.EA == pytest.approx(narrow * (20 + 30), rel=1e-12)
    assert t.EI - t.EA * t.offset ** 2 == pytest.approx(t.EI_centroid)
    data = t.check_data
    assert data.shape is ruvo.StringerShape.T and data.web_height == pytest.approx(30.0)
    assert data.web_bending == pytest.approx(np.array(web.D)[[0, 0, 1, 0, 1, 2], [0, 1, 1, 2, 2, 2]])
    hat = SHAPES["hat"][0].check_data
    assert hat.shape is ruvo.StringerShape.HAT and hat.web_height == pytest.approx(HAT_RISE)
    assert (hat.chord_width, hat.web_angle) == (20.0, 30.0)
    assert SHAPES["Z"][0].check_data is None and SHAPES["L"][0].check_data is None


def test_a_fitting_mesh_is_named():
    with pytest.raises(ValueError, match=r"Mesh\(size=([0-9.]+)\) fits") as caught:
        plate(mesh=Mesh(size=1e-6))
    fitting = float(caught.value.args[0].rsplit("size=", 1)[1].split(")")[0])
    assert len(plate(mesh=Mesh(size=fitting)).x_lengths) <= 48


@pytest.mark.parametrize("field, call", [
    pytest.param("Panel.edges", lambda: ruvo.buckle(plate(edges="free")), id="free all round"),
    pytest.param("Panel.edges", lambda: ruvo.buckle(plate(edges={"all": "free", "x0": "simply supported"})), id="a hinge"),
    pytest.param("Panel.edges", lambda: ruvo.buckle(plate(edges=Edges.parse(Edge(held=("W",))))), id="no in-plane support"),
    pytest.param("Panel.edges", lambda: ruvo.vibrate(plate(edges="free", ry=500.0), density=2.7e-9), id="curved and free"),
    pytest.param("density", lambda: ruvo.vibrate(plate(), density=-1.0), id="negative density"),
    pytest.param("density", lambda: ruvo.vibrate(plate(laminate=Laminate.from_matrices(SKIN.A, SKIN.D)), density=2.7e-9),
                 id="density without a thickness"),
    pytest.param("vibrate", lambda: ruvo.vibrate(plate()), id="no mass"),
    pytest.param("modes", lambda: ruvo.buckle(plate(), modes=0), id="no modes"),
    pytest.param("kind: 'bend' must be 'buckle' or 'vibrate'", lambda: ruvo.sweep([], kind="bend"), id="unknown kind"),
    pytest.param("processes: 0 must be a positive whole number", lambda: ruvo.sweep([square()] * 2, processes=0),
                 id="processes 0"),
    pytest.param("processes: -1 must be a positive whole number", lambda: ruvo.sweep([square()] * 2, processes=-1),
                 id="processes -1"),
    pytest.param("processes: 2.5 must be a positive whole number", lambda: ruvo.sweep([square()] * 2, processes=2.5),
                 id="processes 2.5"),
    pytest.param("processes: True must be a positive whole number", lambda: ruvo.sweep([square()] * 2, processes=True),
                 id="processes True"),
    pytest.param("processes: '2' must be a positive whole number", lambda: ruvo.sweep([square()] * 2, processes="2"),
                 id="processes a string"),
    pytest.param("Panel: 49 node lines and 48 stiffeners per direction exceed every size variant (at most 49 lines, "
                 "47 stiffeners)",
                 lambda: ruvo.buckle(plate(mesh=Mesh(nx=48, ny=8), frames=[Stiffener(line=i, EA=1.0) for i in range(1, 49)])),
                 id="beyond every variant"),
])
def test_analysis_mistakes_are_refused_before_the_engine_runs(monkeypatch, field, call):
    monkeypatch.setattr(_ruvo, "_analyse", lambda **kw: pytest.fail("the engine was called"))
    with pytest.raises(ValueError, match="^" + re.escape(field)):
        call()


@pytest.mark.parametrize("field, call", [
    pytest.param("Laminate.E", lambda: Laminate.isotropic(70.0, 0.3, 1.0), id="GPa"),
    pytest.param("Material.E1", lambda: Material(140.0, 10.0, 0.3, 5.0), id="material in GPa"),
    pytest.param("Ply.angle", lambda: Ply(0.25, 0.785), id="radians"),
    pytest.param("Panel.ry", lambda: plate(ry=60.0), id="smaller than the width"),
])
def test_unit_mistakes_warn_naming_the_field(field, call):
    with pytest.warns(ruvo.UnitWarning, match="^" + re.escape(field)):
        call()


@pytest.mark.parametrize("thickness, side, warned", [
    (200.0, 300.0, True),     # a panel 0.3 by 0.3 (metres) 200 thick (mm): no plate
    (60.0, 300.0, False),     # a/h = 5, a thick plate
    (2.0, 300.0, False),
])
def test_a_laminate_thicker_than_half_the_panel_warns(thickness, side, warned):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        plate(laminate=Laminate.isotropic(E, NU, thickness), length=side, width=side)
    assert [str(w.message).startswith("Panel.laminate: a thickness of") for w in caught
            if issubclass(w.category, ruvo.UnitWarning)] == ([True] if warned else [])


@pytest.mark.parametrize("density, warned", [(2.7e-6, True), (2700.0, True), (5e-12, True), (2.7e-9, False),
                                             (1.93e-8, False), (3e-11, False)])
def test_a_density_outside_engineering_materials_warns(monkeypatch, density, warned):
    def not_run(**kw):
        raise InterruptedError("the check comes before the engine")
    monkeypatch.setattr(_ruvo, "_analyse", not_run)
    with warnings.catch_warnings(record=True) as caught, pytest.raises(InterruptedError):
        warnings.simplefilter("always")
        ruvo.vibrate(plate(), density=density)
    messages = [str(w.message) for w in caught if issubclass(w.category, ruvo.UnitWarning)]
    assert messages == ([f"density: {density:g} lies outside 1e-11..5e-08 t/mm³, the range of engineering "
                         "materials (aluminium 2.7e-9, steel 7.85e-9 t/mm³); is it in kg/mm³, kg/m³ or g/cm³?"]
                        if warned else [])


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
    with pytest.raises(Exception):     # frozen; replace checks again (the refusals above)
        plate().length = 2.0
    assert plate().replace(width=50.0).width == 50.0


def test_mesh_puts_lines_at_the_stiffeners_and_shares_element_counts_over_the_bays():
    p = plate(stringers=[Stiffener(25.0, EA=1.0), Stiffener(75.0, EA=1.0)],
              frames=[Stiffener(100.0, EA=1.0), Stiffener(200.0, EA=1.0)], mesh=Mesh(size=12.0))
    assert len(p.x_lengths) == 3 * 9 and np.allclose(p.x_lengths, 100.0 / 9)
    assert list(p.y_lengths) == pytest.approx([25 / 3] * 3 + [50 / 5] * 5 + [25 / 3] * 3)
    assert p.stringer_lines == (4, 9) and p.frame_lines == (10, 19)
    assert p.y_nodes[3] == pytest.approx(25.0) and p.x_nodes[18] == pytest.approx(200.0)
    p = plate(frames=[Stiffener(100.0, EA=1.0)], mesh=Mesh(nx=9, ny=4))
    assert np.allclose(p.x_lengths, [100 / 3] * 3 + [200 / 6] * 6) and len(p.y_lengths) == 4
    assert p.frame_lines == (4,)
    assert len(plate().x_lengths) == 10  # the default: ten per direction
    given = plate(mesh=Mesh(x=[100.0, 200.0], ny=2), frames=[Stiffener(line=2, EA=1.0)])
    assert given.frame_lines == (2,) and list(given.x_lengths) == [100.0, 200.0]



def test_panels_rebuilt_with_other_stiffnesses_share_their_grid_and_laminate_but_never_a_stale_one():
    def build(t, ea, y):
        return plate(laminate=Laminate.isotropic(70000.0, 0.3, t), stringers=[Stiffener(y, EA=ea)],
                     mesh=Mesh(nx=6, ny=4))
    first, other = build(1.0, 1e6, 50.0), build(1.0, 2e6, 50.0)
    assert other.grid is first.grid and other.laminate is first.laminate
    with pytest.raises(ValueError, match="read-only"):   # shared: no panel may change another's
        first.x_lengths[0] = 1.0
    moved, thicker = build(1.0, 1e6, 25.0), build(1.1, 1e6, 50.0)
    assert (first.stringer_lines, moved.stringer_lines) == ((3,), (2,))
    assert thicker.laminate.D[0][0] == pytest.approx(first.laminate.D[0][0] * 1.1 ** 3, rel=1e-12)
    for _ in range(2):   # refused each time, not kept
        with pytest.raises(ValueError, match="Panel.stringers: position 130.0 lies beyond the panel side"):
            build(1.0, 1e6, 130.0)

# ---- TOML -----------------------------------------------------------------------

def test_toml_panel_with_plies_stiffeners_and_edges():
    path = DATA / "curved_panel.toml"
    panel, options = Panel.from_toml_with_options(path)
    assert options == {"modes": 4} and panel.title == "curved" and panel.ry == 1000.0
    assert panel.edges.yl == Edge.parse("clamped") and panel.edges.x0 == Edge.parse("simply supported")
    assert panel.stringer_lines == (6,) and panel.loads.fixed_Ny == -2.0
    assert panel.laminate.thickness == 1.0


@pytest.mark.parametrize("path", sorted(EXAMPLES.glob("*.toml")), ids=lambda p: p.stem)
def test_every_example_panel_round_trips_through_toml_and_buckles(path, tmp_path):
    panel, options = Panel.from_toml_with_options(path)
    assert panel == Panel.from_toml(path)
    assert ruvo.buckle(panel, modes=2).load_factors[0] != 0      # shear: either sign
    written = tmp_path / "written.toml"
    written.write_text(panel.to_toml())
    again = Panel.from_toml(written)
    assert again == panel and again.to_toml() == panel.to_toml()


BASE = "length = 1.0\nwidth = 1.0\n[laminate]\nE = 1.0\nt = 1.0\n[loads]\nNx = 1.0\n"
STRINGER = "[[stringers]]\nposition = 0.5\nEA = 1.0\n"


# The words of the message (a pattern) | the file's text.
@pytest.mark.parametrize("words, text", [
    pytest.param("bad.toml: laminate missing", "length = 1.0\nwidth = 1.0\n[loads]\nNx = 1.0\n", id="no laminate"),
    pytest.param(r"bad.toml: unknown key 'colour' \(valid keys: length, width", "colour = 1\n" + BASE, id="unknown key"),
    pytest.param(r"bad.toml: \[loads\]: unknown key 'Nxx'; did you mean 'Nx'\? \(valid keys: Nx, Ny", BASE.replace("Nx", "Nxx"),
                 id="misspelt load"),
    pytest.param(r"\[\[stringers\]\] number 2: unknown key 'EAA'; did you mean 'EA'",
                 BASE + STRINGER + STRINGER.replace("EA", "EAA"), id="misspelt stiffness of the second stringer"),
    pytest.param(r"\[\[stringers\]\] number 1: Stiffener.position: 'half' is not", BASE + STRINGER.replace("0.5", "'half'"),
                 id="position a word"),
    pytest.param(r"\[laminate\]: give E, nu, t", BASE.replace("E = 1.0\nt = 1.0", "modulus = 1.0"), id="laminate of nothing known"),
    pytest.param(r"\[laminate\]: D missing", BASE.replace("E = 1.0\nt = 1.0", "A = [[1.0, 0, 0], [0, 1.0, 0], [0, 0, 1.0]]"),
                 id="A without D"),
    pytest.param(r"\[laminate\]: material missing", BASE.replace("E = 1.0\nt = 1.0", "plies = [[1.0, 0.0]]"),
                 id="plies without material"),
    pytest.param("ply number 1: a ply is", BASE.replace("E = 1.0\nt = 1.0", "plies = [[1.0, 0.0, 3, 4]]\nmaterial = { E1 = 1.0, "
                                                                             "E2 = 1.0, nu12 = 0.3, G12 = 1.0 }"),
                 id="ply of four numbers"),
    pytest.param(r"\[loads\]: a table is needed", "loads = 3\n" + BASE.replace("[loads]\nNx = 1.0\n", ""), id="loads a number"),
    pytest.param(r"\[loads\]: running: true \(the running loads of skin and stiffeners together\) or false, got 'yes'",
                 BASE + "running = 'yes'\n", id="running a word"),
    pytest.param("bad.toml: not valid TOML: .*line 8", BASE + "[mesh\n", id="not TOML"),
    pytest.param("bad.toml: values nested too deeply", "a = " + "[" * 100000 + "]" * 100000 + "\n", id="nested too deeply"),
    pytest.param("bad.toml: tables and arrays nested more than 16 deep", "a = " + "[" * 17 + "]" * 17 + "\n" + BASE,
                 id="nested deeper than any document"),
    pytest.param(r"\[\[stringers\]\] number 1: position: 48 positions; give 1 to 47",
                 BASE + "[[stringers]]\nEA = 1.0\nposition = [" + ", ".join(["0.5"] * 48) + "]\n",
                 id="more stringers than the engine holds"),
    pytest.param(r"\[laminates.skin\] ply number 1: count: 20000 must be a whole number of plies in 1..10000",
                 BASE.replace("[laminate]\nE = 1.0\nt = 1.0\n", "laminate = 'skin'\n[laminates.skin]\nplies = "
                              "[[0.1, 0.0, 20000]]\nmaterial = { E1 = 1e5, E2 = 1e4, nu12 = 0.3, G12 = 5e3 }\n"),
                 id="a ply count beyond any laminate"),
    pytest.param(r"\[laminate\]: no laminate named 'skni' in \[laminates\] \(named: skin\)",
                 BASE.replace("[laminate]\nE = 1.0\nt = 1.0\n", "laminate = 'skni'\n[laminates.skin]\nE = 1e5\nt = 1.0\n"),
                 id="a name of no laminate"),
])
def test_toml_mistakes_name_the_file_table_and_key(tmp_path, text, words):
    path = tmp_path / "bad.toml"
    path.write_text(text)
    with pytest.raises(ValueError, match=words) as caught:
        Panel.from_toml(path)
    assert str(caught.value).startswith(str(path)) and "__init__" not in str(caught.value)
