"""Cost of ruvo.gradient on the typical sizing panel (500 x 450 mm, 10 x 9
elements, two stringers, W U V, 4 modes, 10 design variables: the skin's
thickness, three stiffnesses of each stringer, two variable loads and a
fixed one) against one analysis and against central differences of full
analyses (21 analyses), with the largest difference between the two
gradients. Processor time of this process on one core with one BLAS
thread, so other work on the machine counts little.

    PYTHONPATH=build/python /usr/bin/python3 bench/gradient_bench.py
"""
import numpy as np

from timing import best_of, settings

import ruvo  # noqa: E402  (after timing, which sets the BLAS threads)
from ruvo import Laminate, Loads, Mesh, Panel, Stiffener  # noqa: E402

X0 = np.array([1.6, 1.4e7, 2.0e8, 1.0e6, 1.2e7, 1.8e8, 0.8e6, 1.0, 0.3, -0.2])


def build(x):
    """Skin thickness; EA, EI, GJ of each stringer; variable Nx, Nxy; fixed Ny."""
    t, ea1, ei1, gj1, ea2, ei2, gj2, nx, nxy, fixed_ny = x
    return Panel(length=500.0, width=450.0, laminate=Laminate.isotropic(70000.0, 0.33, t),
                 loads=Loads(Nx=nx, Nxy=nxy, fixed_Ny=fixed_ny), edges="simply supported",
                 stringers=[Stiffener(150.0, EA=ea1, EI=ei1, GJ=gj1), Stiffener(300.0, EA=ea2, EI=ei2, GJ=gj2)],
                 mesh=Mesh(nx=10, ny=9))


def critical(x):
    return ruvo.buckle(build(x), modes=4).critical_load_factor


def central_differences(x):
    steps = 1e-3 * np.abs(x)
    g = np.empty_like(x)
    for i, h in enumerate(steps):
        up, down = x.copy(), x.copy()
        up[i] += h
        down[i] -= h
        g[i] = (critical(up) - critical(down)) / (2 * h)
    return critical(x), g


def main():
    panel = build(X0)
    print(f"{len(panel.x_lengths)} x {len(panel.y_lengths)} elements, stringer lines {panel.stringer_lines}, "
          f"variant {ruvo.engine.variant_for(panel)}, {len(X0)} variables; {settings()} (processor time, best of 15 "
          "rounds in turn)")
    (t_one, t_grad), (_, g) = best_of([lambda: critical(X0), lambda: ruvo.gradient(build, X0, modes=4)], repeat=15)
    (t_fd,), ((value, fd),) = best_of([lambda: central_differences(X0)], repeat=2)
    print(f"one analysis              {t_one * 1e3:8.1f} ms")
    print(f"ruvo.gradient             {t_grad * 1e3:8.1f} ms   {t_grad / t_one:5.2f} x one analysis "
          f"(1 analysis + {g.assemblies} whole assemblies; the aim: at most 1.5 x)")
    print(f"central differences (21)  {t_fd * 1e3:8.1f} ms   {t_fd / t_one:5.2f} x one analysis")
    print(f"critical load factor {g.value:.8g} (analysis {value:.8g}); largest relative difference of the "
          f"gradients {np.max(np.abs(g.gradient - fd) / np.abs(fd)):.2e}")


if __name__ == "__main__":
    main()
