#!/usr/bin/env python3
"""Reference values of Boschloo's and Barnard's unconditional exact tests.

The rows of the table a b c d are the two samples: a of m = a + b and c of
n = c + d. The rejection sets are found exactly (Fisher's one-sided p as
fractions of integers, Barnard's statistic compared through its sign and its
square as integers), the set's probability is the polynomial
sum_k c_k pi^k (1 - pi)^(N - k) with exact integer c_k, and its supremum is
searched with mpmath: a dense grid uniform in arcsin(sqrt(pi)), 40 points per
binomial spread 1/(2 sqrt(N)) and at least 2000, then a golden-section search
to 1e-30 about every grid maximum within a factor 2 of the largest.

  reference_unconditional.py A B C D [A B C D ...]   the six p-values, 20 digits
  reference_unconditional.py --qtest A B C D ...     the same as Qt Test rows
  reference_unconditional.py --scipy A B C D ...     beside SciPy's boschloo_exact
        and barnard_exact on the transposed table (SciPy takes the columns as
        the samples), with the time of each
  reference_unconditional.py --check-command 'CMD' [--random K --max-total T]
        feeds the tables (the built-in ones, or K random ones) to CMD's
        standard input, one "a b c d" a line, reads CMD's CSV (columns named
        boschloo_left ... barnard_two_sided), and fails on any value more than
        1e-9 relative from the reference; prints the worst difference.
"""

import argparse
import csv
import io
import math
import random
import subprocess
import sys
import time

import mpmath

COLUMNS = ["boschloo_left", "boschloo_right", "boschloo_two_sided",
           "barnard_left", "barnard_right", "barnard_two_sided"]
TIE = 10**7  # Fisher's p of two tables tie within a relative 1e-7

BUILT_IN = [
    (7, 12, 8, 3), (20, 30, 25, 15), (0, 5, 3, 4), (1, 0, 0, 1), (6, 12, 12, 5),
    (8, 2, 1, 5), (2, 4, 11, 2), (0, 10, 10, 0), (3, 3, 3, 3), (1, 9, 9, 1),
    (12, 3, 4, 14), (40, 10, 30, 25), (5, 45, 15, 35), (0, 30, 1, 2),
    (60, 40, 45, 55), (33, 7, 2, 1), (100, 0, 99, 1), (9, 1, 0, 0),
]


def rejection_sets(a, b, c, d):
    """Coefficients c_k of the five sets, as lists indexed by k = x1 + x2."""
    m, n = a + b, c + d
    total = m + n
    cm = [math.comb(m, x) for x in range(m + 1)]
    cn = [math.comb(n, x) for x in range(n + 1)]

    # Fisher's tails of every column total k as integer sums over C(N, k).
    def tails(k):
        lo, hi = max(0, k - n), min(m, k)
        w = {x: cm[x] * cn[k - x] for x in range(lo, hi + 1)}
        left, right, s = {}, {}, 0
        for x in range(lo, hi + 1):
            s += w[x]
            left[x] = s
        s = 0
        for x in range(hi, lo - 1, -1):
            s += w[x]
            right[x] = s
        return left, right, math.comb(total, k)

    kobs = a + c
    lobs, robs, tobs = tails(kobs)
    left_obs, right_obs = lobs[a], robs[a]
    d0 = a * n - c * m
    q0 = kobs * (total - kobs)

    def barnard_order(x1, x2):
        """-1, 0, 1 as T(x1, x2) is below, equal to or above T_obs, and the
        same for |T| against |T_obs|."""
        dd = x1 * n - x2 * m
        k = x1 + x2
        q = k * (total - k)
        s, s0 = (dd > 0) - (dd < 0), (d0 > 0) - (d0 < 0)
        if s == 0 or s0 == 0:
            mag = (s != 0) - (s0 != 0)
        else:
            lhs, rhs = dd * dd * q0, d0 * d0 * q
            mag = (lhs > rhs) - (lhs < rhs)
        if s != s0:
            order = 1 if s > s0 else -1
        else:
            order = s * mag
        return order, mag

    coef = [[0] * (total + 1) for _ in range(5)]
    for k in range(total + 1):
        left, right, tk = tails(k)
        for x1 in range(max(0, k - n), min(m, k) + 1):
            x2 = k - x1
            weight = cm[x1] * cn[x2]
            # left[x1] / tk <= left_obs / tobs * (1 + 1e-7)
            if left[x1] * tobs * TIE <= left_obs * tk * (TIE + 1):
                coef[0][k] += weight
            if right[x1] * tobs * TIE <= right_obs * tk * (TIE + 1):
                coef[1][k] += weight
            order, mag = barnard_order(x1, x2)
            if order <= 0:
                coef[2][k] += weight
            if order >= 0:
                coef[3][k] += weight
            if mag >= 0:
                coef[4][k] += weight
    return coef


def probability(coef, theta):
    """sum_k c_k pi^k (1 - pi)^(N - k) at pi = sin(theta)^2, by Horner in pi/(1 - pi)."""
    pi = mpmath.sin(theta) ** 2
    total = len(coef) - 1
    if pi == 0:
        return mpmath.mpf(coef[0])
    if pi == 1:
        return mpmath.mpf(coef[total])
    r = pi / (1 - pi)
    s = mpmath.mpf(0)
    for ck in reversed(coef):
        s = s * r + ck
    return s * (1 - pi) ** total


def supremum(coef):
    total = len(coef) - 1
    if coef[0] > 0 or coef[total] > 0:
        return mpmath.mpf(1)  # P(0) = 1 or P(1) = 1
    half = mpmath.pi / 2
    points = max(2000, int(40 * math.pi / 2 * 2 * math.sqrt(total)))
    grid = [half * i / points for i in range(points + 1)]
    values = [probability(coef, t) for t in grid]
    best = max(values)
    golden = (mpmath.sqrt(5) - 1) / 2
    for i in range(1, points):
        if values[i] >= values[i - 1] and values[i] >= values[i + 1] and values[i] * 2 >= best:
            lo, hi = grid[i - 1], grid[i + 1]
            x1, x2 = hi - golden * (hi - lo), lo + golden * (hi - lo)
            f1, f2 = probability(coef, x1), probability(coef, x2)
            while hi - lo > mpmath.mpf(10) ** -30:
                if f1 >= f2:
                    hi, x2, f2 = x2, x1, f1
                    x1 = hi - golden * (hi - lo)
                    f1 = probability(coef, x1)
                else:
                    lo, x1, f1 = x1, x2, f2
                    x2 = lo + golden * (hi - lo)
                    f2 = probability(coef, x2)
            best = max(best, f1, f2)
    return min(best, mpmath.mpf(1))


def reference(a, b, c, d):
    """The six p-values as mpf, in the order of COLUMNS."""
    m, n = a + b, c + d
    if m == 0 or n == 0:
        return [mpmath.mpf(1)] * 6
    coef = rejection_sets(a, b, c, d)
    s = [supremum(coef[i]) for i in range(5)]
    two = min(mpmath.mpf(1), 2 * min(s[0], s[1]))
    return [s[0], s[1], two, s[2], s[3], s[4]]


def scipy_values(a, b, c, d):
    """SciPy's six values on the transposed table and the seconds they took."""
    from scipy import stats
    table = [[a, c], [b, d]]
    start = time.perf_counter()
    out = []
    for alternative in ("less", "greater", "two-sided"):
        out.append(stats.boschloo_exact(table, alternative=alternative).pvalue)
    boschloo_time = time.perf_counter() - start
    start = time.perf_counter()
    for alternative in ("less", "greater", "two-sided"):
        out.append(stats.barnard_exact(table, alternative=alternative).pvalue)
    return out, boschloo_time, time.perf_counter() - start


def rel_mp(got, want):
    return float(abs(mpmath.mpf(got) - want) / want) if want != 0 else float(abs(mpmath.mpf(got)))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("cells", nargs="*", type=int)
    parser.add_argument("--qtest", action="store_true")
    parser.add_argument("--scipy", action="store_true")
    parser.add_argument("--check-command")
    parser.add_argument("--random", type=int, default=0)
    parser.add_argument("--max-total", type=int, default=120)
    parser.add_argument("--seed", type=int, default=19)
    args = parser.parse_args()
    mpmath.mp.dps = 40

    if len(args.cells) % 4:
        parser.error("cells come in fours: a b c d")
    tables = [tuple(args.cells[i:i + 4]) for i in range(0, len(args.cells), 4)]
    if args.random:
        rng = random.Random(args.seed)
        while len(tables) < args.random:
            total = rng.randint(1, args.max_total)
            cuts = sorted(rng.randint(0, total) for _ in range(3))
            tables.append((cuts[0], cuts[1] - cuts[0], cuts[2] - cuts[1], total - cuts[2]))
    if not tables:
        tables = list(BUILT_IN)

    if args.check_command:
        feed = "".join("%d %d %d %d\n" % t for t in tables)
        run = subprocess.run(args.check_command, shell=True, input=feed, capture_output=True,
                             text=True)
        rows = list(csv.DictReader(io.StringIO(run.stdout)))
        if len(rows) != len(tables):
            print("expected %d rows, got %d (exit %d): %s" %
                  (len(tables), len(rows), run.returncode, run.stderr), file=sys.stderr)
            return 1
        worst, where, failures = 0.0, None, 0
        for t, row in zip(tables, rows):
            want = reference(*t)
            for name, w in zip(COLUMNS, want):
                got = row.get(name, "")
                if got == "":
                    print("%s: %s missing" % (" ".join(map(str, t)), name))
                    failures += 1
                    continue
                err = rel_mp(got, w)
                if err > worst:
                    worst, where = err, (t, name, got, w)
                if err > 1e-9:
                    failures += 1
                    print("%s: %s = %s, reference %s" %
                          (" ".join(map(str, t)), name, got, mpmath.nstr(w, 20)))
        print("%d tables, worst relative difference %.3g%s" %
              (len(tables), worst,
               "" if where is None else " (%s %s)" % (" ".join(map(str, where[0])), where[1])))
        return 1 if failures else 0

    for t in tables:
        want = reference(*t)
        text = [mpmath.nstr(w, 20, min_fixed=-5, max_fixed=1) for w in want]
        if args.qtest:
            print('    QTest::newRow("%d %d %d %d") << QList<int>{%d, %d, %d, %d}' %
                  (t + t))
            print("        << QStringList{%s};" % ", ".join('"%s"' % x for x in text))
        else:
            print("%d %d %d %d: %s" % (t + (" ".join(text),)))
        if args.scipy:
            try:
                values, tb, tn = scipy_values(*t)
            except ImportError:
                print("  SciPy is not installed")
                continue
            errs = [rel_mp(v, w) for v, w in zip(values, want)]
            print("  SciPy (transposed): %s" % " ".join("%.12g" % v for v in values))
            print("  relative difference: %s" % " ".join("%.2g" % e for e in errs))
            print("  SciPy seconds: boschloo_exact x3 %.3f, barnard_exact x3 %.3f" % (tb, tn))
    return 0


if __name__ == "__main__":
    sys.exit(main())
