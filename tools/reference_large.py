#!/usr/bin/python3
"""Reference values of large 2x2 tables (any total that fits 32 bits), from
mpmath at 40 digits, independent of Velmar's code.

    tools/reference_large.py [--conf-level P] a b c d [a b c d ...]

prints for each table, with 20 significant digits:

    point two_sided left right two_sided_minlike midp_left midp_right
    midp_two_sided two_sided_central two_sided_blaker or_cmle or_low or_high

The point probabilities are exp(log C(m, x) + log C(s - m, k - x) - log C(s, k))
from log-gamma at 40 digits, summed over every x whose probability exceeds
1e-400 (found by stepping out from the mode), so every probability above
1e-300 is exact to far more than 1e-12. The conditional estimate and the exact
interval solve mean(psi) = a and P_psi(X <= a), P_psi(X >= a) = alpha / 2 by
a bracketed root search on log psi, with the noncentral weights summed over
the x within 60 standard deviations of a.
"""

import argparse
import sys

import mpmath

mpmath.mp.dps = 40
TIE = 1 + mpmath.mpf("1e-7")


def log_point(s, m, k, x):
    lg = mpmath.loggamma
    return (lg(m + 1) - lg(x + 1) - lg(m - x + 1) + lg(s - m + 1) - lg(k - x + 1)
            - lg(s - m - k + x + 1) - lg(s + 1) + lg(k + 1) + lg(s - k + 1))


def stretch(s, m, k, lo, hi, center, floor):
    """x and log P(x) from center outward while log P(x) stays above floor."""
    xs = {}
    top = log_point(s, m, k, center)
    for step in (1, -1):
        x = center if step == 1 else center - 1
        while lo <= x <= hi:
            v = log_point(s, m, k, x)
            if v < top + floor:
                break
            xs[x] = v
            x += step
    return xs


def values(a, b, c, d, conf):
    s, m, k = a + b + c + d, a + b, a + c
    lo, hi = max(0, m + k - s), min(m, k)
    mode = min(max((m + 1) * (k + 1) // (s + 2), lo), hi)
    logs = stretch(s, m, k, lo, hi, mode, mpmath.log(mpmath.mpf("1e-400")))
    p = {x: mpmath.exp(v) for x, v in logs.items()}
    here = p.get(a, mpmath.mpf(0))
    below = mpmath.fsum(v for x, v in p.items() if x < a)
    above = mpmath.fsum(v for x, v in p.items() if x > a)
    left, right = below + here, above + here
    far = abs(a * s - m * k)
    two = mpmath.fsum(v for x, v in p.items() if abs(x * s - m * k) >= far)
    minlike = mpmath.fsum(v for x, v in p.items() if here > 0 and v <= here * TIE)
    mid_l, mid_r = below + here / 2, above + here / 2
    # Each tail summed from its own end: 1 - P(X < x) would cancel to noise.
    xs = sorted(p)
    cum, run = {}, mpmath.mpf(0)
    for x in xs:
        run += p[x]
        cum[x] = run
    rcum, run = {}, mpmath.mpf(0)
    for x in reversed(xs):
        run += p[x]
        rcum[x] = run
    gamma_a = min(left, right)
    blaker = mpmath.fsum(p[x] for x in xs
                         if min(cum[x], rcum[x]) <= gamma_a * TIE) if gamma_a > 0 else 0
    out = [here, min(two, 1), left, right, min(minlike, 1), min(mid_l, 1), min(mid_r, 1),
           min(1, 2 * min(mid_l, mid_r)), min(1, 2 * min(left, right)), min(blaker, 1)]

    # The noncentral weights about a: log P(x) + x log psi over a +- 60 sd.
    if lo == hi:
        return out + ["undef", 0, "inf"]
    sd = mpmath.sqrt(1 / sum(mpmath.mpf(1) / (v + mpmath.mpf("0.5")) for v in (a, b, c, d)))
    width = int(60 * sd) + 300
    window = range(max(lo, a - width), min(hi, a + width) + 1)
    base = {x: log_point(s, m, k, x) - log_point(s, m, k, a) for x in window}

    def moments(theta):
        top = max(base[x] + (x - a) * theta for x in window)
        w = {x: mpmath.exp(base[x] + (x - a) * theta - top) for x in window}
        tot = mpmath.fsum(w.values())
        return w, tot

    # Each equation rises with theta = log psi: bracketed from Haldane's
    # estimate, then solved by the Anderson-Bjorck method to 1e-25.
    spread = mpmath.sqrt(sum(1 / (v + mpmath.mpf("0.5")) for v in (a, b, c, d)))
    guess = mpmath.log((a + mpmath.mpf("0.5")) * (d + mpmath.mpf("0.5")) /
                       ((b + mpmath.mpf("0.5")) * (c + mpmath.mpf("0.5"))))

    def solve(f):
        lo_t, hi_t = guess - 4 * spread, guess + 4 * spread
        while f(lo_t) > 0:
            lo_t -= 4 * spread
        while f(hi_t) < 0:
            hi_t += 4 * spread
        root = mpmath.findroot(f, (lo_t, hi_t), solver="anderson", tol=mpmath.mpf("1e-50"))
        return mpmath.exp(root)

    def mean_minus_a(theta):
        w, tot = moments(theta)
        return mpmath.fsum((x - a) * v for x, v in w.items()) / tot

    alpha = 1 - mpmath.mpf(conf)

    def lower_tail(theta):  # alpha/2 - P(X <= a): rises with theta
        w, tot = moments(theta)
        return alpha / 2 - mpmath.fsum(v for x, v in w.items() if x <= a) / tot

    def upper_tail(theta):  # P(X >= a) - alpha/2: rises with theta
        w, tot = moments(theta)
        return mpmath.fsum(v for x, v in w.items() if x >= a) / tot - alpha / 2

    cmle = 0 if a == lo else "inf" if a == hi else solve(mean_minus_a)
    low = 0 if a == lo else solve(upper_tail)
    high = "inf" if a == hi else solve(lower_tail)
    return out + [cmle, low, high]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--conf-level", default="0.95")
    ap.add_argument("cells", nargs="+", type=int)
    args = ap.parse_args()
    cells = args.cells
    if len(cells) % 4:
        sys.exit("four cells per table")
    for i in range(0, len(cells), 4):
        t = cells[i:i + 4]
        row = values(*t, args.conf_level)
        print(" ".join(str(x) for x in t) + " " +
              " ".join(v if isinstance(v, str) else mpmath.nstr(v, 20) for v in row))


if __name__ == "__main__":
    main()
