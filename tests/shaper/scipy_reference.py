#!/usr/bin/python3
"""Reference values for the shaper's tone filters and transfer curve, computed with SciPy.

Usage: scipy_reference.py OUTPUT

Writes one record per line, "<kind> <numbers...>", read by the shaper tests:
  coef MODE FS K  b0 b1 b2 a1 a2         Butterworth design (scipy.signal.butter) of entry K
  lfilter MODE FS K  x0..x(N-1) y0..y(N-1)   a test signal and its lfilter output (N = 256)
  bspline NPTS  x0 y0 .. | T count  t0 px0 py0 ...   scipy.interpolate.BSpline on our knot vector
  bezier NPTS  x0 y0 .. | count  t0 px0 py0 ...      scipy.interpolate.BPoly (Bernstein basis)
  table NPTS x0 y0 .. | N count  i0 v0 ...   1 - y where the curve's x equals x0 + (i-1)(x1-x0)/N,
                                          solved with scipy.optimize.brentq
MODE is 0 for low-pass, 1 for high-pass.
"""
import sys

import numpy as np
from scipy import interpolate, optimize, signal

ENTRIES = 4000


def entry_frequency(fs, k):
    # Same growth as the filter tables: repeated multiplication from 100 Hz.
    r = (0.004 * fs) ** 0.00025
    f = 100.0
    for _ in range(k):
        f *= r
    return f


def knots(n, k=4):
    return np.array([0 if i < k else (i - k + 1 if i <= n else n - k + 2) for i in range(n + k + 1)],
                    dtype=float)


def spline(points):
    n = len(points) - 1
    return interpolate.BSpline(knots(n), np.array(points, dtype=float), 3, extrapolate=False)


def bezier(points):
    c = np.array(points, dtype=float)[:, None, :]
    return interpolate.BPoly(c, [0.0, 1.0])


def flat(points):
    return " ".join(f"{v:.9g}" for p in points for v in p)


def table_entries(points, size, indices):
    curve = spline(points) if len(points) >= 4 else bezier(points)
    t_end = len(points) - 3 if len(points) >= 4 else 1.0
    x0, x1 = points[0][0], points[-1][0]
    out = []
    for i in indices:
        x = x0 + (i - 1) * (x1 - x0) / size
        if x <= x0:
            y = points[0][1]
        else:
            t = optimize.brentq(lambda s: curve(s)[0] - x, 0.0, t_end - 1e-12, xtol=1e-14)
            y = curve(t)[1]
        out.append((i, 1.0 - y))
    return out


def main():
    lines = []
    for fs in (44100.0, 48000.0, 96000.0):
        for k in (0, 1, 777, 2000, 3333, 3999):
            f = entry_frequency(fs, k)
            for mode, btype in ((0, "lowpass"), (1, "highpass")):
                b, a = signal.butter(2, f, btype=btype, fs=fs)
                lines.append(f"coef {mode} {fs:.1f} {k} " + " ".join(f"{v:.17g}" for v in (*b, a[1], a[2])))

    n = np.arange(256)
    x = (0.6 * np.sin(2 * np.pi * 440.0 / 44100.0 * n) + 0.3 * np.sin(2 * np.pi * 9000.0 / 44100.0 * n))
    x[0] += 0.5
    x = x.astype(np.float32)
    for k in (0, 1500, 3999):
        f = entry_frequency(44100.0, k)
        for mode, btype in ((0, "lowpass"), (1, "highpass")):
            b, a = signal.butter(2, f, btype=btype, fs=44100.0)
            y = signal.lfilter(b, a, x.astype(float))
            lines.append(f"lfilter {mode} 44100.0 {k} " + " ".join(f"{v:.9g}" for v in (*x, *y)))

    rng = np.random.default_rng(20261209)
    curves = [
        [(0.0, 1.0), (0.3, 0.7), (0.6, 0.4), (1.0, 0.0)],
        [(0.0, 1.0), (0.1, 0.3), (0.35, 0.05), (0.5, 0.6), (0.8, 0.2), (1.0, 0.0)],
    ]
    xs = np.sort(rng.uniform(0.0, 1.0, 48))
    curves.append([(0.0, 1.0)] + [(float(a), float(b)) for a, b in zip(xs, rng.uniform(0.0, 1.0, 48))] + [(1.0, 0.0)])
    for pts in curves:
        curve = spline(pts)
        ts = np.linspace(0.0, len(pts) - 3, 41)[:-1]
        ts = np.append(ts, [0.5, len(pts) - 3 - 1e-3])
        evals = [(t, *curve(t)) for t in ts.astype(np.float32)]
        lines.append(f"bspline {len(pts)} {flat(pts)} | {len(evals)} {flat(evals)}")

    for pts in ([(0.0, 1.0), (1.0, 0.0)], [(0.0, 1.0), (0.2, 0.1), (1.0, 0.0)],
                [(0.1, 0.9), (0.9, 0.8), (0.7, 0.05)]):
        curve = bezier(pts)
        ts = np.linspace(0.0, 1.0, 33).astype(np.float32)
        evals = [(t, *curve(t)) for t in ts]
        lines.append(f"bezier {len(pts)} {flat(pts)} | {len(evals)} {flat(evals)}")

    # Monotone curves: a soft knee (spline) and a quadratic Bezier.
    for pts in ([(0.0, 1.0), (0.25, 0.6), (0.5, 0.3), (0.75, 0.15), (1.0, 0.1)],
                [(0.0, 1.0), (0.3, 0.2), (1.0, 0.0)]):
        idx = [1, 2, 100, 257, 512, 800, 1023]
        lines.append(f"table {len(pts)} {flat(pts)} | 1024 {len(idx)} {flat(table_entries(pts, 1024, idx))}")

    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
