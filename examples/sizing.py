"""Minimum-mass sizing of a stiffened panel against every failure mode.

An aluminium skin 500 x 450 mm with two blade stringers, sized for two load
cases (axial compression; compression with shear): the design variables are
the skin thickness, the stringers' height and their web thickness; the
constraints are every reserve factor of the margins table (the panel's
buckling and every check of skin and stringers: strength, and the
stiffener checks the table holds) at least 1 in each case. scipy's SLSQP
gets the mass and its gradient, and the reserve factors with their
gradients from ruvo.gradient(..., of="margins") (per design one analysis
per case with the buckling factor's exact gradient, the checks by
differences). The optimum is analysed afresh and its margins table printed.
`--sweep` checks the optimum against a coarse sweep over the same variables.

    PYTHONPATH=build/python /usr/bin/python3 examples/sizing.py [--sweep]
"""
import itertools
import sys

import numpy as np
import pandas
from scipy.optimize import minimize

import ruvo
from ruvo import Laminate, Loads, Mesh, Panel
from ruvo.sections import Blade, Isotropic

FCY = 280.0                                       # MPa, compressive yield of skin and stringers
ALUMINIUM = Isotropic(E=70000.0, nu=0.33, Fcy=FCY)
DENSITY = 2.7e-9                                  # t/mm³
LENGTH, WIDTH, PITCH = 500.0, 450.0, 150.0
CASES = [Loads(Nx=120.0), Loads(Nx=60.0, Nxy=50.0)]  # N/mm, ultimate
BOUNDS = [(0.8, 4.0), (10.0, 60.0), (0.8, 6.0)]   # skin thickness, stringer height, web thickness (mm)
MODES = 4


def build(x):
    t, height, web = x
    skin = Laminate.isotropic(ALUMINIUM.E, ALUMINIUM.nu, t, Fcy=FCY)
    blade = Blade(skin=skin, material=ALUMINIUM, density=DENSITY, height=height, web=web)
    return Panel(length=LENGTH, width=WIDTH, laminate=skin, loads=CASES[0], edges="simply supported",
                 stringers=[blade.stiffener(PITCH), blade.stiffener(2 * PITCH)], mesh=Mesh(nx=6, ny=9))


def mass(x):
    """Skin and stringers, kg."""
    t, height, web = x
    return 1e3 * DENSITY * LENGTH * (WIDTH * t + 2 * height * web)


def mass_gradient(x):
    t, height, web = x
    return 1e3 * DENSITY * LENGTH * np.array([WIDTH, 2 * web, 2 * height])


CLEARANCE = 1e-6   # of log(reserve factor) at the optimum


class Constraints:
    """log(reserve factor) >= 1e-6 for every computed row of the margins
    table, so that the optimum keeps its reserve factors at least 1 beyond
    the optimiser's feasibility tolerance (a skipped check, NaN, and a mode
    that cannot fail, inf, constrain
    nothing), with the gradients; one ruvo.gradient call per design serves
    both cases and every row. The rows keep their places from design to
    design (one per case, part and mode)."""

    def __init__(self):
        self.x, self.table, self.designs = None, None, 0

    def _at(self, x):
        if self.x is None or not np.array_equal(x, self.x):
            self.table = ruvo.gradient(build, x, modes=MODES, load_cases=CASES, of="margins")
            self.x = np.array(x)
            self.designs += 1
        return self.table

    def _rows(self, x):
        table = self._at(x)
        factors = table["reserve_factor"].to_numpy()
        return table[np.isfinite(factors) & (factors > 0)]

    def values(self, x):
        return np.log(self._rows(x)["reserve_factor"].to_numpy()) - CLEARANCE

    def jacobian(self, x):
        rows = self._rows(x)
        derivatives = rows[[f"d/dx[{i}]" for i in range(len(x))]].to_numpy()
        return derivatives / rows["reserve_factor"].to_numpy()[:, None]


def optimise(start=(2.0, 30.0, 2.0)):
    """SLSQP over the variables divided by their typical sizes (it steps
    better when the variables are of one size)."""
    constraints = Constraints()
    size = np.array([1.0, 10.0, 1.0])
    result = minimize(lambda z: mass(z * size), np.array(start) / size, jac=lambda z: mass_gradient(z * size) * size,
                      method="SLSQP", bounds=[(lo / s, hi / s) for (lo, hi), s in zip(BOUNDS, size)],
                      constraints=[dict(type="ineq", fun=lambda z: constraints.values(z * size),
                                        jac=lambda z: constraints.jacobian(z * size) * size)],
                      options=dict(ftol=1e-6, maxiter=40))
    result.x = result.x * size
    return result, constraints


def margins(x):
    """The margins table of a fresh analysis of design x in every load case."""
    return ruvo.buckle(build(x), modes=MODES, load_cases=CASES).margins()


def feasible(x):
    return bool((margins(x)["reserve_factor"].dropna() >= 1.0).all())


def sweep(steps=(0.1, 5.0, 0.5)):
    """The lightest feasible design on a grid over the bounds."""
    grids = [np.arange(lo, hi + 1e-9, step) for (lo, hi), step in zip(BOUNDS, steps)]
    for x in sorted(itertools.product(*grids), key=mass):
        if feasible(np.array(x)):
            return np.array(x), steps
    return None, steps


def main():
    result, constraints = optimise()
    t, height, web = result.x
    print(f"SLSQP: {result.message} after {result.nit} iterations, {constraints.designs} designs analysed "
          f"(each in {len(CASES)} load cases, with the gradients of every reserve factor)")
    print(f"skin {t:.3f} mm, stringer height {height:.2f} mm, web {web:.3f} mm: mass {mass(result.x):.4f} kg")
    table = margins(result.x)
    with pandas.option_context("display.width", 160, "display.max_colwidth", 60, "display.precision", 4):
        print(table.to_string(index=False))
    worst = table.governing()
    print(f"governing: load case {worst['load_case']}, {worst['part']}, {worst['mode']}, "
          f"reserve factor {worst['reserve_factor']:.4f}")
    if "--sweep" in sys.argv:
        best, steps = sweep()
        print(f"sweep (steps {steps}): lightest feasible skin {best[0]:.2f} mm, height {best[1]:.1f} mm, "
              f"web {best[2]:.2f} mm: mass {mass(best):.4f} kg")


if __name__ == "__main__":
    main()
