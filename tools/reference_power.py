#!/usr/bin/python3
"""Reference values of the exact power and sample size of Fisher's test, from
exact integers and fractions.

    tools/reference_power.py power P1 P2 N1 N2 [--alpha A] [--criterion C] [--rule R]

prints the exact power and the size at the pooled proportion
(N1 P1 + N2 P2) / (N1 + N2), each as a fraction's value with 25 digits.

    tools/reference_power.py sample-size P1 P2 POWER [--ratio R] [--alpha A] ...

prints the smallest N1 (N2 = round(R N1), halves rounded up) whose exact power
reaches POWER, its power, and the smallest N1 from which the power stays at
least POWER for every N1 up to N1 + 50; --from and --to bound the scan.

    tools/reference_power.py table

prints the rows of tests/tst_power.cpp's tables.

P1, P2, A, POWER and R are read as exact decimal fractions (0.2 is 1/5). For
each column total k the weights of a are the exact integers
C(N1, a) C(N2, k - a); a table is rejected when its p-value, an exact fraction
of them, is at most A: the |ad - bc| rule sums the tables with |a s - m k| at
least as large, the "no more probable" rule those with weight at most the
table's times 1 + 1e-7, the central rule doubles the smaller tail; left and
right are the one-sided tails. The binomial probabilities are exact fractions.
"""

import argparse
import math
import sys
from fractions import Fraction
from statistics import NormalDist

TIE = 1 + Fraction(1, 10**7)


def comb_row(n):
    row = [1] * (n + 1)
    for x in range(1, n + 1):
        row[x] = row[x - 1] * (n - x + 1) // x
    return row


def rejected(n1, n2, k, alpha, criterion, rule, c1, c2):
    """The set of a rejected for column total k, and the relative excess over
    alpha of the p-values above it (to tell whether a rounding tolerance could
    matter)."""
    s, m = n1 + n2, n1
    lo, hi = max(0, k - n2), min(n1, k)
    support = range(lo, hi + 1)
    w = {a: c1[a] * c2[k - a] for a in support}
    total = sum(w.values())
    left, right, run = {}, {}, 0
    for a in support:
        run += w[a]
        left[a] = run
    run = 0
    for a in reversed(support):
        run += w[a]
        right[a] = run
    if criterion == "left":
        p = left
    elif criterion == "right":
        p = right
    elif rule == "central":
        p = {a: min(total, 2 * min(left[a], right[a])) for a in support}
    else:
        # Sum over the tables whose key is at most the table's own: the weight
        # (with the tie factor) or minus the distance |a s - m k|.
        if rule == "minlike":
            keyed = sorted((w[a], a) for a in support)
            within = lambda x, a: x <= w[a] * TIE
        else:
            keyed = sorted((-abs(a * s - m * k), a) for a in support)
            within = lambda x, a: x <= -abs(a * s - m * k)
        prefix, run = [], 0
        for key, a in keyed:
            run += w[a]
            prefix.append(run)
        p, j = {}, 0
        for key, a in keyed:
            while j + 1 < len(keyed) and within(keyed[j + 1][0], a):
                j += 1
            p[a] = prefix[j]
    bound = alpha * total
    result = {a for a in support if p[a] <= bound}
    near = [Fraction(p[a], total) / alpha - 1 for a in support if p[a] > bound]
    return result, near


def power(p1, p2, n1, n2, alpha, criterion, rule):
    c1, c2 = comb_row(n1), comb_row(n2)
    # Bin(x; n, u/v) = C(n, x) u^x (v - u)^(n - x) / v^n: integers over one denominator.
    u1, v1 = p1.numerator, p1.denominator
    u2, v2 = p2.numerator, p2.denominator
    b1 = [c1[x] * u1**x * (v1 - u1) ** (n1 - x) for x in range(n1 + 1)]
    b2 = [c2[x] * u2**x * (v2 - u2) ** (n2 - x) for x in range(n2 + 1)]
    total = 0
    closest = None
    for k in range(n1 + n2 + 1):
        region, near = rejected(n1, n2, k, alpha, criterion, rule, c1, c2)
        for a in region:
            total += b1[a] * b2[k - a]
        if near:
            m = min(near)
            closest = m if closest is None else min(closest, m)
    return Fraction(total, v1**n1 * v2**n2), closest


def pooled(p1, p2, n1, n2):
    return (n1 * p1 + n2 * p2) / (n1 + n2)


def normal_sample_size(p1, p2, target, ratio, alpha, criterion):
    """N1 of the classic formula with the pooled variance under the null and
    the unpooled one under the alternative (no continuity correction)."""
    p1, p2, ratio = float(p1), float(p2), float(ratio)
    side = float(alpha) / 2 if criterion == "two" else float(alpha)
    za, zb = NormalDist().inv_cdf(1 - side), NormalDist().inv_cdf(float(target))
    bar = (p1 + ratio * p2) / (1 + ratio)
    root = za * math.sqrt(bar * (1 - bar) * (1 + 1 / ratio)) + zb * math.sqrt(
        p1 * (1 - p1) + p2 * (1 - p2) / ratio)
    return root * root / (p1 - p2) ** 2


def round_half_up(x):
    return math.floor(x + Fraction(1, 2))


def sample_size(p1, p2, target, ratio, alpha, criterion, rule, first=1, last=None):
    n, found, run = first, None, None
    powers = {}
    while last is None or n <= last:
        n2 = round_half_up(ratio * n)
        if n2 >= 1:
            pw, _ = power(p1, p2, n, n2, alpha, criterion, rule)
            powers[n] = pw
            if pw >= target:
                if found is None:
                    found = n
                if run is None:
                    run = n
                if n - run >= 50:
                    return found, powers[found], run, powers
            else:
                run = None
        n += 1
    return found, powers.get(found), run, powers


def show(x, digits=25):
    return f"{float(x):.17g}" if digits <= 17 else decimal(x, digits)


def decimal(x, digits=25):
    """An exact fraction with the given number of significant digits."""
    x = Fraction(x)
    if x == 0:
        return "0.0"
    e = math.floor(math.log10(float(x))) if float(x) > 0 else -400
    scaled = x / Fraction(10) ** (e - digits + 1)
    q = round(scaled)
    text = str(q)
    if len(text) > digits:  # the estimate of the exponent was one short
        e += 1
        q = round(x / Fraction(10) ** (e - digits + 1))
        text = str(q)
    mantissa = text[0] + "." + text[1:]
    return mantissa + (f"e{e}" if e != 0 else "")


def options(parser):
    parser.add_argument("--alpha", default="0.05")
    parser.add_argument("--criterion", default="two", choices=["two", "left", "right"])
    parser.add_argument("--rule", default="velmar", choices=["velmar", "minlike", "central"])


# The rows of tests/tst_power.cpp: every criterion and rule, an exact tie of
# a tail with alpha (N1 = N2 = 3, P(a = 0 | k = 3) = 1/20), proportions at 0
# and 1, unequal groups, and groups large enough that the weights far out in
# the tails are left out.
POWER_ROWS = [
    ("0.2", "0.5", 10, 10, "0.05", "two", "velmar"),
    ("0.2", "0.5", 10, 10, "0.05", "left", "velmar"),
    ("0.2", "0.5", 10, 10, "0.05", "right", "velmar"),
    ("0.1", "0.7", 3, 3, "0.05", "left", "velmar"),
    ("0.25", "0.6", 20, 20, "0.05", "two", "minlike"),
    ("0.3", "0.6", 12, 12, "0.05", "two", "minlike"),
    ("0.3", "0.6", 7, 13, "0.1", "two", "velmar"),
    ("0.1", "0.6", 6, 50, "0.05", "two", "velmar"),
    ("0.1", "0.6", 6, 50, "0.05", "two", "minlike"),
    ("0.1", "0.6", 6, 50, "0.05", "two", "central"),
    ("0.5", "0.1", 10, 60, "0.05", "two", "minlike"),
    ("0", "1", 4, 4, "0.05", "two", "velmar"),
    ("0", "0.25", 12, 5, "0.01", "two", "central"),
    ("0.5", "0.5", 15, 15, "0.05", "two", "velmar"),
    ("0.9", "0.1", 1, 9, "0.2", "two", "velmar"),
    ("0.2", "0.5", 44, 44, "0.05", "two", "central"),
    ("0.35", "0.2", 160, 130, "0.05", "two", "velmar"),
    ("0.35", "0.2", 160, 130, "0.01", "two", "minlike"),
    ("0.35", "0.2", 160, 130, "0.05", "right", "velmar"),
]

SAMPLE_ROWS = [
    ("0.2", "0.5", "0.8", "1", "0.05", "two", "central"),
    ("0.2", "0.5", "0.573", "1", "0.05", "two", "central"),
    ("0.2", "0.5", "0.8", "2", "0.05", "two", "velmar"),
    ("0.2", "0.5", "0.8113", "2", "0.05", "two", "velmar"),
    ("0.2", "0.5", "0.8", "2", "0.05", "two", "minlike"),
    ("0.2", "0.5", "0.8", "2", "0.05", "two", "central"),
    ("0.2", "0.5", "0.9", "0.5", "0.05", "left", "velmar"),
    ("0.2", "0.35", "0.8", "1", "0.05", "two", "velmar"),
]


def table():
    for row in POWER_ROWS:
        p1, p2, n1, n2, alpha, criterion, rule = row
        P1, P2, A = Fraction(p1), Fraction(p2), Fraction(alpha)
        pw, near = power(P1, P2, n1, n2, A, criterion, rule)
        q = pooled(P1, P2, n1, n2)
        size, _ = power(q, q, n1, n2, A, criterion, rule)
        print(row, decimal(pw), decimal(size),
              "closest p above alpha: %.3g" % float(near) if near is not None else "")
        sys.stdout.flush()
    for row in SAMPLE_ROWS:
        p1, p2, target, ratio, alpha, criterion, rule = row
        P1, P2, T, R, A = (Fraction(x) for x in (p1, p2, target, ratio, alpha))
        n, pw, stable, _ = sample_size(P1, P2, T, R, A, criterion, rule)
        print(row, n, round_half_up(R * n), decimal(pw), stable,
              "%.17g" % normal_sample_size(P1, P2, T, R, A, criterion))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="mode", required=True)
    pp = sub.add_parser("power")
    for name in ("p1", "p2"):
        pp.add_argument(name)
    pp.add_argument("n1", type=int)
    pp.add_argument("n2", type=int)
    options(pp)
    sp = sub.add_parser("sample-size")
    for name in ("p1", "p2", "target"):
        sp.add_argument(name)
    sp.add_argument("--ratio", default="1")
    sp.add_argument("--from", dest="first", type=int, default=1)
    sp.add_argument("--to", dest="last", type=int)
    sp.add_argument("--all", action="store_true", help="print the power of every N1 scanned")
    options(sp)
    sub.add_parser("table")
    args = parser.parse_args()
    if args.mode == "table":
        table()
        return 0
    P1, P2, A = Fraction(args.p1), Fraction(args.p2), Fraction(args.alpha)
    if args.mode == "power":
        pw, near = power(P1, P2, args.n1, args.n2, A, args.criterion, args.rule)
        q = pooled(P1, P2, args.n1, args.n2)
        size, _ = power(q, q, args.n1, args.n2, A, args.criterion, args.rule)
        print("power", decimal(pw))
        print("size", decimal(size), "at the pooled proportion", q)
        if near is not None:
            print("closest p above alpha, relative: %.3g" % float(near))
        return 0
    T, R = Fraction(args.target), Fraction(args.ratio)
    n, pw, stable, powers = sample_size(P1, P2, T, R, A, args.criterion, args.rule,
                                        args.first, args.last)
    if args.all:
        for k in sorted(powers):
            print(k, round_half_up(R * k), decimal(powers[k], 17))
    print("n1", n, "n2", None if n is None else round_half_up(R * n),
          "power", None if pw is None else decimal(pw))
    print("n1_stable", stable)
    print("n_approx %.17g" % normal_sample_size(P1, P2, T, R, A, args.criterion))
    return 0


if __name__ == "__main__":
    sys.exit(main())
