"""Minimum-mass sizing of a stiffened panel with gradients.

An aluminium skin 500 x 450 mm with two blade stringers, sized for two load
cases (axial compression; compression with shear): the design variables are
the skin thickness, the stringers' height and their web thickness; the
constraint is a critical load factor of at least 1 in each case. scipy's
SLSQP gets the mass and its gradient, and the load factors with their
gradients from ruvo.gradient (one analysis and a few matrix assemblies per
case and design). `--sweep` checks the optimum against a coarse sweep over
the same variables.

    PYTHONPATH=build/python /usr/bin/python3 examples/sizing.py [--sweep]
"""
import itertools
import sys

import numpy as np
from scipy.optimize import minimize

import ruvo
from ruvo import Laminate, Loads, Mesh, Panel
from ruvo.sections import Blade, Isotropic

ALUMINIUM = Isotropic(E=70000.0, nu=0.33)
DENSITY = 2.7e-9                                  # t/mm³
LENGTH, WIDTH, PITCH = 500.0, 450.0, 150.0
CASES = [Loads(Nx=120.0), Loads(Nx=60.0, Nxy=50.0)]  # N/mm
BOUNDS = [(0.8, 4.0), (10.0, 60.0), (0.8, 6.0)]   # skin thickness, stringer height, web thickness (mm)


def build(x):
    t, height, web = x
    skin = Laminate.isotropic(ALUMINIUM.E, ALUMINIUM.nu, t)
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


class Constraints:
    """One constraint per case, 1 − KS(1/λ) >= 0, KS the smooth maximum
    (1/ρ)·log Σ exp(ρ/λ_k) over the first load factors λ_k, with its
    gradient; one ruvo.gradient call per design serves both cases. The
    smooth maximum does not care which mode is critical (SLSQP tracks each
    constraint by its index, and the modes change places), and 1/λ passes
    smoothly through a mode that the loads do not buckle (λ large or
    negative). It lies above the largest 1/λ by at most log(modes)/ρ."""
    modes, rho = 4, 200.0

    def __init__(self):
        self.x, self.results, self.analyses = None, None, 0

    def _at(self, x):
        if self.x is None or not np.array_equal(x, self.x):
            self.results = ruvo.gradient(build, x, modes=self.modes, load_cases=CASES)
            self.x = np.array(x)
            self.analyses += len(CASES)
        return self.results

    def _weights(self, r):
        e = np.exp(self.rho * (1.0 / r.values - np.max(1.0 / r.values)))
        return e / e.sum()

    def values(self, x):
        return np.array([1.0 - (np.max(1.0 / r.values) + np.log(np.sum(
            np.exp(self.rho * (1.0 / r.values - np.max(1.0 / r.values))))) / self.rho) for r in self._at(x)])

    def jacobian(self, x):
        return np.vstack([self._weights(r) @ (r.gradients / r.values[:, None] ** 2) for r in self._at(x)])

    def critical(self, x):
        return [r.value for r in self._at(x)]


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


def feasible(x):
    return all(ruvo.buckle(build(x).replace(loads=loads), modes=4).critical_load_factor >= 1.0 for loads in CASES)


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
    print(f"SLSQP: {result.message} after {result.nit} iterations, {constraints.analyses} analyses "
          f"(each with its gradient)")
    print(f"skin {t:.3f} mm, stringer height {height:.2f} mm, web {web:.3f} mm: mass {mass(result.x):.4f} kg")
    print("critical load factors: " + ", ".join(f"{v:.4f}" for v in constraints.critical(result.x)))
    if "--sweep" in sys.argv:
        best, steps = sweep()
        print(f"sweep (steps {steps}): lightest feasible skin {best[0]:.2f} mm, height {best[1]:.1f} mm, "
              f"web {best[2]:.2f} mm: mass {mass(best):.4f} kg")


if __name__ == "__main__":
    main()
