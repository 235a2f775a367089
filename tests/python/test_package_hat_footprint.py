"""A hat stringer's footprint: its web lines as beams and its feet as bands of the skin."""
import numpy as np
import pytest

import ruvo
from ruvo import Edge, Laminate, Loads, Mesh, Panel, RunningLoads, sections

SKIN = Laminate.isotropic(E=70000.0, nu=0.33, t=1.6)
# 25 high, crown 20, webs opening by 40 degrees: web lines 38.2 apart at the skin's mid-surface, feet 20.
HAT = sections.Hat(skin=SKIN, material=sections.Isotropic(E=70000.0, nu=0.33), height=25.0, crown_width=20.0,
                   crown=1.6, web=1.6, web_angle=40.0, foot_width=20.0, foot=1.6)

# The carbon laminate of the check, t = 1.5, by its stiffnesses (no 16, 26 terms), skin and walls alike.
CARBON = Laminate.from_matrices(1.5 * np.array([[76000.0, 17000.0, 0.0], [17000.0, 37000.0, 0.0], [0.0, 0.0, 19500.0]]),
                                1.5 ** 3 / 12 * np.array([[52000.0, 24000.0, 0.0], [24000.0, 38000.0, 0.0],
                                                          [0.0, 0.0, 26500.0]]), thickness=1.5)
CARBON_HAT = sections.Hat(skin=CARBON, height=25.0, crown_width=20.0, crown=CARBON, web=CARBON, web_angle=40.0,
                          foot_width=20.0, foot=CARBON)


def _panel(side, footprint=None, mesh=Mesh(nx=20, ny=20), loads=Loads(Nx=1.0), hat=HAT):
    edges = {"x0": Edge("conditions", ("W", "V")), "xl": Edge("conditions", ("W", "V")),
             "y0": Edge("conditions", ("W", "U")), "yl": Edge("conditions", ("W", "U"))}
    return Panel(length=450.0, width=300.0, laminate=hat.skin, loads=loads, edges=edges, mesh=mesh,
                 stringers=[hat.stiffener(y, side=side, footprint=footprint) for y in (75.0, 225.0)])


# The strip model of bench/hat_bay_strips.py (every wall a plate, 10 strips a wall): the clear bay between the
# feet buckles at Nx = 233.33 N/mm in 7 half-waves (carbon: 137.37 in 6); the hat as one beam leaves a 150 mm
# bay, at about a third of it.
@pytest.mark.parametrize("hat, side, strips", [
    (HAT, "front", 233.33),
    (HAT, "back", 233.33),
    (CARBON_HAT, "front", 137.37),
])
def test_skin_bay_between_hats_buckles_as_with_plate_walls(hat, side, strips):
    factor = ruvo.buckle(_panel(side, hat=hat), modes=2).critical_load_factor
    assert factor == pytest.approx(strips, rel=0.05)


def test_grid_lines_at_the_feet_and_the_webs_and_the_engine_beams_on_the_webs():
    panel = _panel("back")
    half = 10.0 + 25.0 * 0.36397023426620234        # half the crown, plus the web's run to the mid-surface
    y = set(panel.y_nodes.round(9))
    assert {round(75.0 + d, 9) for d in (-half - 20.0, -half, 0.0, half, half + 20.0)} <= y
    beams, lines = panel.stringer_beams
    assert panel.y_nodes[[line - 1 for line in lines]] == pytest.approx([75 - half, 75 + half, 225 - half,
                                                                         225 + half])
    web, crown = HAT.walls[2], HAT.walls[4]
    assert sum(b.EA for b in beams[:2]) == pytest.approx(2 * web.axial * web.length + crown.axial * crown.length)


def test_running_loads_split_alike_with_and_without_the_footprint():
    # The feet's axial stiffness goes with the bands under them, not a second time with the beams.
    with_feet, one_beam = (ruvo.load_split.split_loads(_panel("back", f, loads=RunningLoads(Nx=100.0)))
                           for f in (None, False))
    assert with_feet.skin.Nx == pytest.approx(one_beam.skin.Nx, rel=1e-9)


@pytest.mark.parametrize("build, words", [
    (lambda: HAT.stiffener(line=3, footprint=True), "needs its position"),
    (lambda: HAT.stiffener(100.0, pad_up=SKIN, pad_width=60.0), "narrower than the hat's footprint"),
    (lambda: Panel(length=300.0, width=200.0, laminate=SKIN, frames=[HAT.stiffener(150.0)]), "stringers only"),
    (lambda: HAT.stiffener(100.0, pad_up=Laminate.from_matrices(SKIN.A, SKIN.D), pad_width=90.0), "thickness"),
    (lambda: _panel("back", hat=HAT).replace(width=260.0), r"stringers\[1\] foot: the band y = .* reaches past"),
])
def test_a_footprint_that_cannot_be_placed_is_refused(build, words):
    with pytest.raises(ValueError, match=words):
        build()
