"""The guide's log-log plot of ruvo.vibrate against ruvo.buckle of the same
panel and modes (the largest panel's layout of bench/vibration_bench.py,
600 x 600, stringer and frame on the middle lines, 20 modes) at n x n
elements, n = 4, 8, ..., 28 and 30: both timed in this run, interleaved, the
best of several runs each, on one BLAS thread. Prints the table and the
machine's DGEMM rate and load, and writes the PNG the guide shows.

    PYTHONPATH=$PWD/build/python /usr/bin/python3 bench/vibration_plot.py [--repeats 5] [--out docs/vibration_vs_buckling.png]
"""
import argparse
import os
import platform

os.environ["OPENBLAS_NUM_THREADS"] = "1"

import matplotlib  # noqa: E402

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

from timing import cpu_model, dgemm_rate, load, openblas  # noqa: E402
from vibration_bench import MODES, analyses, best_interleaved  # noqa: E402

MESHES = (4, 8, 12, 16, 20, 24, 28, 30)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "docs",
                                                      "vibration_vs_buckling.png"))
    args = parser.parse_args()
    lib = openblas()
    machine = f"{cpu_model()}, one BLAS thread, DGEMM {dgemm_rate(lib) / 1e9:.0f} Gflop/s, {load()}"
    print(f"{platform.node()}: {machine}")
    print(f"{'n x n':>7} {'buckle s':>10} {'vibrate s':>10} {'ratio':>7}")
    buckle, vibrate = [], []
    for n in MESHES:
        t = best_interleaved(analyses(n), args.repeats)
        buckle.append(t["buckle"]), vibrate.append(t["vibrate"])
        print(f"{n:>3} x {n:<3} {t['buckle']:10.4f} {t['vibrate']:10.4f} {t['vibrate'] / t['buckle']:7.2f}",
              flush=True)
    print(load())

    fig, ax = plt.subplots(figsize=(6.0, 4.5))
    ax.loglog(buckle, vibrate, "o-", label="ruvo.vibrate")
    low, high = min(buckle + vibrate) / 1.5, max(buckle + vibrate) * 1.5
    ax.loglog([low, high], [low, high], "k--", lw=0.8, label="equal time")
    ax.loglog([low, high], [1.3 * low, 1.3 * high], "k:", lw=0.8, label="1.3 x buckling")
    for n, b, v in zip(MESHES, buckle, vibrate):
        ax.annotate(f"{n}", (b, v), textcoords="offset points", xytext=(6, -10), fontsize=8)
    ax.set_xlabel("ruvo.buckle, seconds")
    ax.set_ylabel("ruvo.vibrate, seconds")
    ax.set_title(f"Same panel and {MODES} modes, n x n elements (labels: n)", fontsize=10)
    ax.text(0.02, 0.98, machine, transform=ax.transAxes, va="top", fontsize=7)
    ax.legend(loc="lower right", fontsize=8)
    ax.grid(True, which="both", lw=0.3)
    fig.tight_layout()
    fig.savefig(args.out, dpi=110)
    print(f"wrote {os.path.normpath(args.out)}")


if __name__ == "__main__":
    main()
