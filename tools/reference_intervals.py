#!/usr/bin/python3
"""Reference values of the two-sided rules with their intervals and of the
risk measures, from exact integers and mpmath.

    tools/reference_intervals.py [--conf-level P] [a b c d ...]   (or tables on stdin)

prints, for each table a b c d, 22 values with 20 significant digits:

    central_p central_low central_high  minlike_p minlike_low minlike_high
    blaker_p blaker_low blaker_high  rd rd_low rd_high  rr rr_low rr_high
    nnt_kind nnt nnt_low nnt_high

The p-values at psi = 1 are exact fractions of the integer weights
C(m, x) C(s - m, k - x), their ties (1 + 1e-7) compared in integers. The
central interval comes from tools/reference_stats.py. For the "no more
probable" and Blaker intervals p(psi) is evaluated from the weights with 50
digits; the accepted set (p > alpha) is scanned on a fine grid of log psi, to
which the exact jump points of the "no more probable" rule are added, from a
point surely kept (the conditional estimate) to a point beyond which p stays
at or below alpha (minlike: P(X <= a) (2 + (aMax - a)(1 + 1e-7)) = alpha;
Blaker: the central bound), and each outermost change from kept to rejected
is bisected on the 50-digit test to 1e-20. Where the grid shows the rule's set
of x changing between two points, every change is located by bisection and
added to the grid (tables of up to 2000 feasible values), so that a kept
stretch between two jumps is not missed.

The risk measures use the Miettinen-Nurminen score statistic: the restricted
maximum-likelihood proportions are the roots (mpmath.polyroots) of the score
equation multiplied out into a polynomial, the one of largest likelihood; the
bounds are the roots of (estimate - value)^2 = z^2 V(value), z the normal
quantile from mpmath.erfinv, by bracketed bisection and false position at 50
digits.

    tools/reference_intervals.py --compare FILE [--reference REF] [--conf-level P]

reads lines in the same layout (another program's values; "inf", "undef" and
the NNT kinds "bounded", "infinity", "undef" allowed), prints the worst error of
each quantity and exits 1 when any is outside its accuracy: 1e-12 relative for
the p-values (above 1e-300), 1e-9 relative for the odds ratios, the ratio and
the NNT, 1e-12 absolute for the difference. --reference REF takes the
reference values of the tables it lists from REF, lines this script printed
before at the same level, instead of computing them again.
"""

import argparse
import math
import os
import sys
from fractions import Fraction

import mpmath

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference_stats as rs  # noqa: E402

mpmath.mp.dps = 50
TIE = 1 + mpmath.mpf("1e-7")
LOGTIE = mpmath.log(TIE)
GRID = 400

NAMES = ["central_p", "central_low", "central_high", "minlike_p", "minlike_low",
         "minlike_high", "blaker_p", "blaker_low", "blaker_high", "rd", "rd_low",
         "rd_high", "rr", "rr_low", "rr_high", "nnt_kind", "nnt", "nnt_low", "nnt_high"]


def frac(v):
    return mpmath.mpf(v.numerator) / mpmath.mpf(v.denominator)


# ---- the rules at psi = 1, exact ------------------------------------------

def exact_p_values(tab, a):
    w = tab.weights
    i = a - tab.lo
    left = [0] * len(w)
    right = [0] * len(w)
    acc = 0
    for j, v in enumerate(w):
        acc += v
        left[j] = acc
    acc = 0
    for j in range(len(w) - 1, -1, -1):
        acc += w[j]
        right[j] = acc
    central = min(Fraction(1), Fraction(2 * min(left[i], right[i]), tab.total))
    minlike = sum(v for v in w if v * 10**7 <= w[i] * (10**7 + 1))
    gamma = [min(x, y) for x, y in zip(left, right)]
    blaker = sum(v for v, g in zip(w, gamma) if g * 10**7 <= gamma[i] * (10**7 + 1))
    return (frac(central), frac(min(Fraction(1), Fraction(minlike, tab.total))),
            frac(min(Fraction(1), Fraction(blaker, tab.total))))


# ---- the rules at any psi ---------------------------------------------------

def p_at(tab, a, t, rule, mp, with_set=False):
    """p(psi) of the rule at log psi = t, with 50 digits (mp) or in doubles;
    with_set adds the rule's set of x."""
    i = a - tab.lo
    if mp:
        lw = tab.mplog()
        e = [lw[j] + t * x for j, x in enumerate(tab.xs)]
        top = max(e)
        v = [mpmath.exp(x - top) for x in e]
        tie, logtie = TIE, LOGTIE
    else:
        e = [lw + t * x for lw, x in zip(tab.logw, tab.xs)]
        top = max(e)
        v = [math.exp(x - top) for x in e]
        tie, logtie = 1 + 1e-7, math.log1p(1e-7)
    total = sum(v)
    if rule == "minlike":
        keep = [x <= e[i] + logtie for x in e]
    else:
        left, acc = [], 0
        for x in v:
            acc += x
            left.append(acc)
        right, acc = [0] * len(v), 0
        for j in range(len(v) - 1, -1, -1):
            acc += v[j]
            right[j] = acc
        gamma = [min(x, y) for x, y in zip(left, right)]
        keep = [g <= gamma[i] * tie for g in gamma]
    p = sum(x for x, k in zip(v, keep) if k) / total
    return (p, tuple(keep)) if with_set else p


def set_changes(tab, a, rule, lo, hi, slo, shi, out, depth=0):
    """Adds to out every point in (lo, hi) where the rule's set (in doubles)
    changes, each located by bisection; slo and shi are the sets at the ends."""
    if slo == shi or depth > 60:
        return
    u, v = lo, hi
    for _ in range(60):
        if v - u < 1e-13 * max(1.0, abs(u)):
            break
        w = (u + v) / 2
        if p_at(tab, a, w, rule, False, True)[1] == slo:
            u = w
        else:
            v = w
    out.append(mpmath.mpf(v))
    sv = p_at(tab, a, v, rule, False, True)[1]
    # Another change may hide on either side of the one found.
    set_changes(tab, a, rule, v, hi, sv, shi, out, depth + 1)


def tail_root(tab, keep, target, increasing):
    fl, mp = rs.tail_function(tab, keep, target)
    span = 80.0 + math.log(2.0 / float(target))
    if increasing:
        return mpmath.log(rs.solve(fl, mp, span))
    return mpmath.log(rs.solve(lambda t: -fl(t), lambda t: -mp(t), span))


def outer_end(tab, a, alpha, rule, inner, far, jumps):
    """The outermost t between inner (kept) and far (rejected beyond) whose
    test keeps it; inner < far or inner > far gives the direction."""
    grid = [inner + (far - inner) * mpmath.mpf(j) / GRID for j in range(GRID + 1)]
    lo, hi = min(inner, far), max(inner, far)
    for t in jumps:
        if lo < t < hi:
            grid += [t - mpmath.mpf("1e-12"), t, t + mpmath.mpf("1e-12")]
    if len(tab.xs) <= 2000:
        sets = [p_at(tab, a, float(t), rule, False, True)[1] for t in grid[:GRID + 1]]
        found = []
        for j in range(GRID):
            u, v = sorted((float(grid[j]), float(grid[j + 1])))
            su, sv = (sets[j], sets[j + 1]) if grid[j] < grid[j + 1] else (sets[j + 1], sets[j])
            set_changes(tab, a, rule, u, v, su, sv, found)
        for t in found:
            grid += [t - mpmath.mpf("1e-12"), t, t + mpmath.mpf("1e-12")]
    grid.sort(reverse=far < inner)
    kept = [p_at(tab, a, float(t), rule, False) > float(alpha) for t in grid]
    last = max(j for j, k in enumerate(kept) if k)
    if last == len(grid) - 1:
        return grid[-1]
    good, bad = grid[last], grid[last + 1]
    # The double scan only brackets; the 50-digit test decides.
    if not p_at(tab, a, good, rule, True) > alpha:
        good = grid[max(0, last - 1)]
    for _ in range(80):
        if abs(bad - good) < mpmath.mpf("1e-20"):
            break
        mid = (good + bad) / 2
        if p_at(tab, a, mid, rule, True) > alpha:
            good = mid
        else:
            bad = mid
    return (good + bad) / 2


def rule_intervals(a, b, c, d, conf):
    tab = rs.Table(a, b, c, d)
    st = rs.statistics(a, b, c, d, conf)
    alpha = 1 - mpmath.mpf(conf)
    out = {"central_low": st["or_low"], "central_high": st["or_high"]}
    out["central_p"], out["minlike_p"], out["blaker_p"] = exact_p_values(tab, a)
    if tab.lo == tab.hi:
        for r in ("minlike", "blaker"):
            out[r + "_low"], out[r + "_high"] = mpmath.mpf(0), "inf"
        return out
    center = None if a in (tab.lo, tab.hi) else mpmath.log(st["or_cmle"])
    i = a - tab.lo
    lw = tab.mplog()
    jumps = [(LOGTIE - (lw[j] - lw[i])) / (x - a) for j, x in enumerate(tab.xs) if x != a]
    for rule in ("minlike", "blaker"):
        if a == tab.lo:
            out[rule + "_low"] = mpmath.mpf(0)
        else:
            if rule == "minlike":
                far = tail_root(tab, lambda x: x >= a, alpha / (2 + (a - tab.lo) * TIE), True)
            else:
                far = mpmath.log(st["or_low"]) - mpmath.mpf("1e-6")
            inner = center if center is not None else far + 10
            out[rule + "_low"] = mpmath.exp(outer_end(tab, a, alpha, rule, inner, far,
                                                      jumps if rule == "minlike" else []))
        if a == tab.hi:
            out[rule + "_high"] = "inf"
        else:
            if rule == "minlike":
                far = tail_root(tab, lambda x: x <= a, alpha / (2 + (tab.hi - a) * TIE), False)
            else:
                far = mpmath.log(st["or_high"]) + mpmath.mpf("1e-6")
            inner = center if center is not None else far - 10
            out[rule + "_high"] = mpmath.exp(outer_end(tab, a, alpha, rule, inner, far,
                                                       jumps if rule == "minlike" else []))
    return out


# ---- risk measures ----------------------------------------------------------

def poly_mul(p, q):
    out = [mpmath.mpf(0)] * (len(p) + len(q) - 1)
    for i, x in enumerate(p):
        for j, y in enumerate(q):
            out[i + j] += x * y
    return out


def poly_add(*ps):
    n = max(len(p) for p in ps)
    out = [mpmath.mpf(0)] * n
    for p in ps:
        for i, x in enumerate(p):
            out[i] += x
    return out


def loglik(counts, probs):
    s = mpmath.mpf(0)
    for k, p in zip(counts, probs):
        if k:
            if p <= 0:
                return -mpmath.inf
            s += k * mpmath.log(p)
    return s


def restricted(a, b, c, d, p1_of, lo, hi, score_poly):
    """The p2 in [lo, hi] of largest likelihood among the polynomial's real
    roots and the ends; p1 = p1_of(p2). Coefficients from constant upward."""
    cands = [lo, hi]
    coeffs = list(score_poly)
    while len(coeffs) > 1 and coeffs[-1] == 0:
        coeffs.pop()
    if len(coeffs) > 1:
        try:
            for r in mpmath.polyroots(coeffs[::-1], maxsteps=200, extraprec=200):
                if abs(mpmath.im(r)) < mpmath.mpf("1e-30") and lo <= mpmath.re(r) <= hi:
                    cands.append(mpmath.re(r))
        except mpmath.libmp.libhyper.NoConvergence:
            # Multiple roots: the sign changes on a fine subdivision, bisected.
            def f(x):
                return mpmath.polyval(coeffs[::-1], x)
            xs = [lo + (hi - lo) * j / 256 for j in range(257)]
            for u, v in zip(xs, xs[1:]):
                fu, fv = f(u), f(v)
                if fu == 0:
                    cands.append(u)
                elif fu * fv < 0:
                    for _ in range(180):
                        w = (u + v) / 2
                        if f(w) * fu > 0:
                            u, fu = w, f(w)
                        else:
                            v = w
                    cands.append((u + v) / 2)
    best = max(cands, key=lambda p2: loglik([a, b, c, d],
                                            [p1_of(p2), 1 - p1_of(p2), p2, 1 - p2]))
    return p1_of(best), best


def rd_variance(a, b, c, d, delta):
    m, n = a + b, c + d
    lo, hi = max(mpmath.mpf(0), -delta), min(mpmath.mpf(1), 1 - delta)
    # score * p1 (1 - p1) p2 (1 - p2) with p1 = p2 + delta, p = [const, x, ...]
    P1, Q1, P2, Q2 = [delta, 1], [1 - delta, -1], [0, 1], [1, -1]
    poly = poly_add([a * x for x in poly_mul(Q1, poly_mul(P2, Q2))],
                    [-b * x for x in poly_mul(P1, poly_mul(P2, Q2))],
                    [c * x for x in poly_mul(P1, poly_mul(Q1, Q2))],
                    [-d * x for x in poly_mul(P1, poly_mul(Q1, P2))])
    p1, p2 = restricted(a, b, c, d, lambda x: x + delta, lo, hi, poly)
    N = m + n
    return (p1 * (1 - p1) / m + p2 * (1 - p2) / n) * mpmath.mpf(N) / (N - 1)


def rr_variance(a, b, c, d, phi):
    m, n = a + b, c + d
    hi = min(mpmath.mpf(1), 1 / phi)
    # score * p2 (1 - phi p2) (1 - p2)
    Q1, Q2, P2 = [1, -phi], [1, -1], [0, 1]
    poly = poly_add([(a + c) * x for x in poly_mul(Q1, Q2)],
                    [-b * phi * x for x in poly_mul(P2, Q2)],
                    [-d * x for x in poly_mul(P2, Q1)])
    p1, p2 = restricted(a, b, c, d, lambda x: phi * x, mpmath.mpf(0), hi, poly)
    N = m + n
    return (p1 * (1 - p1) / m + phi**2 * p2 * (1 - p2) / n) * mpmath.mpf(N) / (N - 1)


def bracket_root(f, lo, hi):
    """Root of f with f(lo) <= 0 < f(hi): bisection then false position."""
    flo, fhi = f(lo), f(hi)
    assert flo <= 0 < fhi, (lo, hi, flo, fhi)
    for _ in range(400):
        if abs(hi - lo) < mpmath.mpf("1e-45") * max(1, abs(lo)):
            break
        mid = (lo + hi) / 2 if _ % 3 == 0 else (lo * fhi - hi * flo) / (fhi - flo)
        if not (min(lo, hi) < mid < max(lo, hi)):
            mid = (lo + hi) / 2
        fm = f(mid)
        if fm <= 0:
            lo, flo = mid, fm
        else:
            hi, fhi = mid, fm
    return (lo + hi) / 2


def risk_measures(a, b, c, d, conf):
    out = {k: "undef" for k in ("rd", "rd_low", "rd_high", "rr", "rr_low", "rr_high",
                                "nnt_kind", "nnt", "nnt_low", "nnt_high")}
    m, n = a + b, c + d
    if m == 0 or n == 0:
        return out
    p1, p2 = mpmath.mpf(a) / m, mpmath.mpf(c) / n
    z = -mpmath.sqrt(2) * mpmath.erfinv(2 * ((1 - mpmath.mpf(conf)) / 2) - 1)
    rd = p1 - p2
    out["rd"] = rd
    out["nnt"] = 1 / abs(rd) if rd != 0 else "inf"

    def up(delta):
        return (delta - rd) - z * mpmath.sqrt(rd_variance(a, b, c, d, delta))

    def down(x):  # x = -delta
        return (rd + x) - z * mpmath.sqrt(rd_variance(a, b, c, d, -x))
    hi = mpmath.mpf(1) if rd == 1 else bracket_root(up, rd, mpmath.mpf(1))
    lo = mpmath.mpf(-1) if rd == -1 else -bracket_root(down, -rd, mpmath.mpf(1))
    out["rd_low"], out["rd_high"] = lo, hi
    if lo > 0 or hi < 0:
        out["nnt_kind"] = "bounded"
        out["nnt_low"], out["nnt_high"] = 1 / max(abs(lo), abs(hi)), 1 / min(abs(lo), abs(hi))
    elif lo == 0 or hi == 0:
        out["nnt_kind"] = "bounded"
        far = hi if lo == 0 else lo
        out["nnt_low"], out["nnt_high"] = (1 / abs(far) if far != 0 else "inf"), "inf"
    else:
        out["nnt_kind"] = "infinity"
        out["nnt_low"], out["nnt_high"] = 1 / -lo, 1 / hi

    if a == 0 and c == 0:
        return out
    out["rr"] = p1 / p2 if c > 0 else "inf"

    def score(t):
        phi = mpmath.exp(t)
        num = p1 - phi * p2
        # At the estimate the statistic is 0, even where its variance vanishes.
        return num / mpmath.sqrt(rr_variance(a, b, c, d, phi)) if num != 0 else num
    center = mpmath.log(p1 / p2) if a > 0 and c > 0 else None
    if a == 0:
        out["rr_low"] = mpmath.mpf(0)
    else:
        start = center if center is not None else mpmath.mpf(60)
        t = start - 1
        while score(t) - z <= 0:
            t -= 1
            assert t > -200
        out["rr_low"] = mpmath.exp(-bracket_root(lambda x: score(-x) - z, -(t + 1), -t))
    if c == 0:
        out["rr_high"] = "inf"
    else:
        start = center if center is not None else mpmath.mpf(-60)
        t = start + 1
        while -score(t) - z <= 0:
            t += 1
            assert t < 200
        out["rr_high"] = mpmath.exp(bracket_root(lambda x: -score(x) - z, t - 1, t))
    return out


def reference(a, b, c, d, conf):
    out = rule_intervals(a, b, c, d, conf)
    out.update(risk_measures(a, b, c, d, conf))
    return out


# ---- comparison -------------------------------------------------------------

def tolerance(name):
    if name.endswith("_p"):
        return 1e-12, "relative"
    if name.startswith("rd"):
        return 1e-12, "absolute"
    return 1e-9, "relative"


def load_reference(path):
    """Lines this script printed, keyed by the table."""
    known = {}
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) == 4 + len(NAMES):
                known[tuple(int(x) for x in fields[:4])] = {
                    name: v if v in ("inf", "undef", "bounded", "infinity") else mpmath.mpf(v)
                    for name, v in zip(NAMES, fields[4:])}
    return known


def compare(path, conf, reference_path=None):
    worst = {name: (0.0, None) for name in NAMES}
    bad = 0
    known = load_reference(reference_path) if reference_path else {}
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) != 4 + len(NAMES):
                continue
            cells = [int(x) for x in fields[:4]]
            ref = known.get(tuple(cells)) or reference(*cells, conf)
            for name, got in zip(NAMES, fields[4:]):
                want = ref[name]
                tol, how = tolerance(name)
                if isinstance(want, str) or got in ("inf", "undef", "bounded", "infinity"):
                    err = 0.0 if str(want) == got else math.inf
                else:
                    g = mpmath.mpf(got)
                    if name.endswith("_p") and want <= mpmath.mpf("1e-300"):
                        err = 0.0 if g <= mpmath.mpf("1e-300") else math.inf
                    elif how == "absolute" or want == 0:
                        err = float(abs(g - want))
                    else:
                        err = float(abs(g - want) / abs(want))
                if err > tol:
                    bad += 1
                    print(f"{' '.join(fields[:4])}: {name} got {got} want {text(want)}")
                if err >= worst[name][0]:
                    worst[name] = (err, " ".join(fields[:4]))
    for name in NAMES:
        tol, how = tolerance(name)
        err, where = worst[name]
        print(f"{name:14s} worst {how} error {err:.3g} (table {where}; allowed {tol:g})")
    return 1 if bad else 0


def text(v):
    return v if isinstance(v, str) else mpmath.nstr(v, 20, min_fixed=-5, max_fixed=8)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--conf-level", default="0.95")
    ap.add_argument("--compare")
    ap.add_argument("--reference", help="with --compare: values this script printed before")
    ap.add_argument("cells", nargs="*", type=int)
    args = ap.parse_args()
    if args.compare:
        sys.exit(compare(args.compare, args.conf_level, args.reference))
    nums = args.cells or [int(x) for x in sys.stdin.read().split()]
    for j in range(0, len(nums) - 3, 4):
        cells = nums[j:j + 4]
        ref = reference(*cells, args.conf_level)
        print(" ".join(str(x) for x in cells), " ".join(text(ref[k]) for k in NAMES))


if __name__ == "__main__":
    main()
