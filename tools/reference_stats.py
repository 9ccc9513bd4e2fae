#!/usr/bin/python3
"""Reference values of the table statistics, from exact integers and mpmath.

    tools/reference_stats.py [--conf-level P] [a b c d ...]   (or tables on stdin)

prints, for each table a b c d, the sample odds ratio, the conditional maximum
likelihood odds ratio, the exact interval, the "no more probable" two-sided p
and the mid-p values (left, right, two-sided), with 20 significant digits.

The hypergeometric weights are the exact integers C(m, x) C(s - m, k - x); the
p-values are exact fractions of them. The odds ratios are the roots of the
equations in psi (mean of x equal to a; the tail sums equal to alpha/2),
bracketed in double precision and solved by mpmath.findroot with 50 digits.

    tools/reference_stats.py --check-batch PROGRAM [--conf-level P]

runs `PROGRAM --batch` (velmar-report) on the fixed tables CHECK_TABLES and
fails (status 1) on any value outside the accuracy the README promises: odds
ratios within 1e-9 relative, probabilities within 1e-12 relative wherever they
exceed 1e-300; infinite and undefined values must be "inf" and empty. The
columns after `error` (each rule's p with its interval, the risk difference
and ratio with theirs) are judged against tools/reference_intervals.py the
same way, the risk ratio's values within 1e-9 relative and the difference's
within 1e-12 absolute; conf_level must read as given. Their reference values
come from tools/reference_intervals_P.txt, lines that script printed for
CHECK_TABLES at level P (it takes minutes for the largest tables):

    tools/reference_stats.py --list-check-tables |
        tools/reference_intervals.py --conf-level P > tools/reference_intervals_P.txt

and are computed afresh for a table that file lacks.

    tools/reference_stats.py --compare FILE [--conf-level P]

reads lines "a b c d or_sample or_cmle or_low or_high minlike midp_left
midp_right midp_two_sided" (another program's values; "inf" and "undef"
allowed) and prints the worst relative error of each quantity against these
reference values.
"""

import argparse
import csv
import io
import math
import os
import random
import subprocess
import sys
from fractions import Fraction

import mpmath

mpmath.mp.dps = 50

# Tables of every kind: ties of the point probabilities, a zero in each cell,
# one feasible value, a in either end of its range, far tails, the largest
# totals, and small random ones (fixed seed).
CHECK_TABLES = [
    (8, 2, 1, 5), (0, 5, 6, 4), (7, 0, 3, 9), (45, 1, 2, 89), (0, 0, 0, 5), (3, 0, 0, 0),
    (0, 0, 3, 4), (0, 2, 3, 1), (1, 0, 0, 2), (3, 1, 1, 3), (2, 2, 2, 2), (6, 12, 12, 5),
    (2, 4, 11, 2), (20, 0, 0, 20), (312, 160, 153, 287), (999, 1, 1, 1001), (1, 9999, 9999, 1),
    (0, 10000, 10000, 0), (5050, 4950, 4950, 5050), (9000, 1000, 3000, 7000), (0, 1, 1, 0),
    (1, 1, 1, 1), (10, 0, 10, 0), (60, 40, 35, 70),
] + [tuple(random.Random(1000 + i).randint(0, 30) for _ in range(4)) for i in range(30)]
OR_TOLERANCE = 1e-9
P_TOLERANCE = 1e-12

NAMES = ["or_sample", "or_cmle", "or_low", "or_high",
         "two_sided_minlike", "midp_left", "midp_right", "midp_two_sided"]


class Table:
    def __init__(self, a, b, c, d):
        self.a, self.b, self.c, self.d = a, b, c, d
        self.s, self.m, self.k = a + b + c + d, a + b, a + c
        s, m, k = self.s, self.m, self.k
        self.lo, self.hi = max(0, m + k - s), min(m, k)
        # Exact integer weights C(m, x) C(s - m, k - x); each step divides exactly.
        w = math.comb(m, self.lo) * math.comb(s - m, k - self.lo)
        self.weights = []
        for x in range(self.lo, self.hi + 1):
            self.weights.append(w)
            if x < self.hi:
                w = w * (m - x) * (k - x) // ((x + 1) * (s - m - k + x + 1))
        self.total = sum(self.weights)
        assert self.total == math.comb(s, k)
        self.xs = list(range(self.lo, self.hi + 1))
        self.logw = [math.log(w) for w in self.weights]
        self._mplog = None

    def mplog(self):
        if self._mplog is None:
            self._mplog = [mpmath.log(mpmath.mpf(w)) for w in self.weights]
        return self._mplog

    # Sums of the noncentral weights at log psi = t over the x selected by keep,
    # relative to the largest weight. Terms below e^-300 of the largest are
    # left out: far below 50 digits even summed over every x.
    def window(self, t):
        e = [lw + float(t) * x for lw, x in zip(self.logw, self.xs)]
        top = max(e)
        return [i for i, v in enumerate(e) if v > top - 300.0], e.index(top)

    def mp_sums(self, t, parts):
        idx, top = self.window(t)
        lw = self.mplog()
        shift = lw[top] + t * self.xs[top]
        out = [mpmath.mpf(0) for _ in parts]
        for i in idx:
            x = self.xs[i]
            v = mpmath.exp(lw[i] + t * x - shift)
            for j, part in enumerate(parts):
                out[j] += part(x) * v
        return out

    def float_sums(self, t, parts):
        idx, top = self.window(t)
        shift = self.logw[top] + t * self.xs[top]
        out = [0.0 for _ in parts]
        for i in idx:
            x = self.xs[i]
            v = math.exp(self.logw[i] + t * x - shift)
            for j, part in enumerate(parts):
                out[j] += part(x) * v
        return out


def solve(f_float, f_mp, span):
    """Root of an increasing function of log psi: bisection on the double
    version to a narrow bracket, then findroot on the 50-digit version."""
    lo, hi = -span, span
    for _ in range(200):
        if hi - lo < 1e-7:
            break
        mid = (lo + hi) / 2
        v = f_float(mid)
        if v > 0:
            hi = mid
        else:
            lo = mid
    # Widen until the 50-digit function changes sign across the bracket.
    width = 1e-6
    while True:
        a, b = mpmath.mpf(lo) - width, mpmath.mpf(hi) + width
        fa, fb = f_mp(a), f_mp(b)
        if fa < 0 < fb:
            break
        width *= 10
        if width > 2 * span:
            raise RuntimeError("no sign change")
    root = mpmath.findroot(f_mp, (a, b), solver="anderson", tol=mpmath.mpf(10) ** -45,
                           maxsteps=200)
    assert a <= root <= b
    return mpmath.exp(root)


def tail_function(tab, keep, target):
    """log(sum of weights with keep(x) / all) - log(target) and its double twin."""
    def mp(t):
        part, whole = tab.mp_sums(t, [lambda x: 1 if keep(x) else 0, lambda x: 1])
        if part == 0:
            return mpmath.mpf(-10) ** 6
        return mpmath.log(part / whole) - mpmath.log(target)

    def fl(t):
        part, whole = tab.float_sums(t, [lambda x: 1 if keep(x) else 0, lambda x: 1])
        if part == 0:
            return -1e300
        return math.log(part / whole) - math.log(float(target))
    return fl, mp


def statistics(a, b, c, d, conf):
    tab = Table(a, b, c, d)
    out = {}
    # Sample odds ratio.
    if b * c > 0:
        out["or_sample"] = mpmath.mpf(a * d) / mpmath.mpf(b * c)
    elif a * d > 0:
        out["or_sample"] = "inf"
    else:
        out["or_sample"] = "undef"

    alpha = 1 - mpmath.mpf(conf)
    tail = alpha / 2
    span = 80.0 + math.log(2.0 / float(tail))
    single = tab.lo == tab.hi
    if single:
        out["or_cmle"], out["or_low"], out["or_high"] = "undef", mpmath.mpf(0), "inf"
    else:
        if a == tab.lo:
            out["or_cmle"] = mpmath.mpf(0)
        elif a == tab.hi:
            out["or_cmle"] = "inf"
        else:
            def mean_mp(t):
                num, den = tab.mp_sums(t, [lambda x: x - a, lambda x: 1])
                return num / den

            def mean_fl(t):
                num, den = tab.float_sums(t, [lambda x: x - a, lambda x: 1])
                return num / den
            out["or_cmle"] = solve(mean_fl, mean_mp, 80.0)
        if a == tab.lo:
            out["or_low"] = mpmath.mpf(0)
        else:
            # P_psi(x >= a) = alpha/2, increasing in psi.
            fl, mp = tail_function(tab, lambda x: x >= a, tail)
            out["or_low"] = solve(fl, mp, span)
        if a == tab.hi:
            out["or_high"] = "inf"
        else:
            # P_psi(x <= a) = alpha/2 is decreasing in psi: solve its negation.
            fl, mp = tail_function(tab, lambda x: x <= a, tail)
            out["or_high"] = solve(lambda t: -fl(t), lambda t: -mp(t), span)

    # The p-values as exact fractions.
    wa = tab.weights[a - tab.lo]
    no_more = sum(w for w in tab.weights if w * 10**7 <= wa * (10**7 + 1))
    below = sum(tab.weights[: a - tab.lo])
    above = sum(tab.weights[a - tab.lo + 1:])
    left = Fraction(2 * below + wa, 2 * tab.total)
    right = Fraction(2 * above + wa, 2 * tab.total)
    two = min(Fraction(1), 2 * min(left, right))
    for name, v in (("two_sided_minlike", min(Fraction(1), Fraction(no_more, tab.total))),
                    ("midp_left", left), ("midp_right", right), ("midp_two_sided", two)):
        out[name] = mpmath.mpf(v.numerator) / mpmath.mpf(v.denominator)
    return out


def text(v):
    return v if isinstance(v, str) else mpmath.nstr(v, 20, min_fixed=-5, max_fixed=8)


def read_tables(args):
    nums = []
    if args:
        for arg in args:
            nums += [int(t) for t in arg.replace(",", " ").split()]
        return [tuple(nums[i:i + 4]) for i in range(0, len(nums) - len(nums) % 4, 4)]
    tables = []
    for line in sys.stdin:
        line = line.strip()
        if line and not line.startswith("#"):
            tables.append(tuple(int(t) for t in line.replace(",", " ").split()[:4]))
    return tables


def error_of(name, got, want):
    """The relative error of a printed value against the reference; inf when
    the kinds differ. An undefined value is "undef" or empty (the batch leaves
    it empty); below 1e-300 only the size matters."""
    if isinstance(want, str):
        return 0.0 if got == want or (want == "undef" and got == "") else math.inf
    if got in ("", "inf", "undef"):
        return math.inf
    g = mpmath.mpf(got)
    if name.startswith("or_"):
        return float(abs(g - want) / want) if want != 0 else (0.0 if g == 0 else math.inf)
    if want > mpmath.mpf("1e-300"):
        return float(abs(g - want) / want)
    return 0.0 if g <= mpmath.mpf("1e-299") else math.inf


def judge(pairs, conf, tolerances):
    """Compares (table, {name: printed value}) pairs with the reference values
    and prints the worst relative error of each quantity. Returns 1 when a
    value lies outside its tolerance (a kind that differs always does)."""
    worst = {name: (0.0, None) for name in NAMES}
    failures = []
    count = 0
    for table, printed in pairs:
        ref = statistics(*table, conf)
        count += 1
        for name in NAMES:
            err = error_of(name, printed[name], ref[name])
            if err > worst[name][0]:
                worst[name] = (err, table)
            if err == math.inf or err > tolerances(name):
                failures.append((table, name, printed[name], text(ref[name])))
    print(f"{count} tables compared")
    for name in NAMES:
        err, table = worst[name]
        print(f"{name:18} worst relative error {err:.3e}" + (f"  at {table}" if table else ""))
    for failure in failures:
        print("OUTSIDE THE ACCURACY", *failure)
    return 1 if failures else 0


def compare(path, conf):
    """Only differing kinds fail: the file's values may come from any program."""
    pairs = []
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) == 12:
                pairs.append((tuple(int(t) for t in fields[:4]), dict(zip(NAMES, fields[4:]))))
    return judge(pairs, conf, lambda name: math.inf)


# The columns after `error` and the names tools/reference_intervals.py gives them.
RULE_COLUMNS = [("two_sided_central", "central_p"), ("or_low_minlike", "minlike_low"),
                ("or_high_minlike", "minlike_high"), ("two_sided_blaker", "blaker_p"),
                ("or_low_blaker", "blaker_low"), ("or_high_blaker", "blaker_high"),
                ("risk_difference", "rd"), ("rd_low", "rd_low"), ("rd_high", "rd_high"),
                ("risk_ratio", "rr"), ("rr_low", "rr_low"), ("rr_high", "rr_high")]
DIFFERENCE = ("risk_difference", "rd_")


def rule_error(column, got, want):
    """As error_of: the p-values as probabilities, the ratios as odds ratios,
    the difference's values absolute."""
    if column.startswith(DIFFERENCE) and not isinstance(want, str) and got not in ("", "inf"):
        return float(abs(mpmath.mpf(got) - want))
    return error_of(column if column.startswith("two_sided") else "or_" + column, got, want)


def judge_rules(tables, rows, conf):
    """The batch's columns after `error` against tools/reference_intervals.py."""
    sys.dont_write_bytecode = True  # the check leaves the source tree as it was
    import reference_intervals as ri
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                        f"reference_intervals_{conf}.txt")
    known = ri.load_reference(path) if os.path.exists(path) else {}
    worst = {column: (0.0, None) for column, _ in RULE_COLUMNS}
    failures = []
    for table, row in zip(tables, rows):
        if row.get("conf_level") != conf:
            failures.append((table, "conf_level", row.get("conf_level"), conf))
        ref = known.get(table) or ri.reference(*table, conf)
        for column, name in RULE_COLUMNS:
            err = rule_error(column, row.get(column), ref[name])
            if err > worst[column][0]:
                worst[column] = (err, table)
            tol = P_TOLERANCE if column.startswith(("two_sided",) + DIFFERENCE) else OR_TOLERANCE
            if err == math.inf or err > tol:
                failures.append((table, column, row.get(column), text(ref[name])))
    for column, _ in RULE_COLUMNS:
        err, table = worst[column]
        how = "absolute" if column.startswith(DIFFERENCE) else "relative"
        print(f"{column:18} worst {how} error {err:.3e}" + (f"  at {table}" if table else ""))
    for failure in failures:
        print("OUTSIDE THE ACCURACY", *failure)
    return 1 if failures else 0


def check_batch(program, conf):
    tables = [t for t in CHECK_TABLES if sum(t) > 0]
    run = subprocess.run([program, "--batch", "--conf-level", conf], capture_output=True,
                         text=True, input="".join("%d %d %d %d\n" % t for t in tables))
    rows = list(csv.DictReader(io.StringIO(run.stdout)))
    if run.returncode != 0 or len(rows) != len(tables):
        print(f"FAILED: {program} --batch exited {run.returncode} with {len(rows)} rows "
              f"for {len(tables)} tables: {run.stderr.strip()}")
        return 1
    for table, row in zip(tables, rows):
        if tuple(int(row[x]) for x in "abcd") != table:
            print("FAILED: the batch's row", row["a"], row["b"], row["c"], row["d"], "for", table)
            return 1
    print(f"{program} --batch --conf-level {conf}:", end=" ")
    first = judge([(table, row) for table, row in zip(tables, rows)], conf,
                  lambda name: OR_TOLERANCE if name.startswith("or_") else P_TOLERANCE)
    return judge_rules(tables, rows, conf) or first


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--conf-level", default="0.95")
    parser.add_argument("--compare")
    parser.add_argument("--check-batch", metavar="PROGRAM")
    parser.add_argument("--list-check-tables", action="store_true")
    parser.add_argument("cells", nargs="*")
    args = parser.parse_args()
    if args.compare:
        return compare(args.compare, args.conf_level)
    if args.check_batch:
        return check_batch(args.check_batch, args.conf_level)
    if args.list_check_tables:
        for table in CHECK_TABLES:
            if sum(table) > 0:
                print(*table)
        return 0
    print("a b c d " + " ".join(NAMES))
    for table in read_tables(args.cells):
        values = statistics(*table, args.conf_level)
        print(*table, *(text(values[name]) for name in NAMES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
