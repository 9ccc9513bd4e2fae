#!/usr/bin/env python3
"""Checks velmar-report against exact integer arithmetic.

For each table it reads `velmar-report --csv` and compares the point, left and
right probabilities with their exact values (binomial coefficients over their
common denominator): wherever the exact value is above 1e-4900 the relative
error must stay within 1e-14. It also reads the plain report and compares its
twelve critical-region lines with bounds found from the exact probabilities.

usage: check_tails.py [--report PROGRAM] [A,B,C,D ...]
       (default program build/cli/velmar-report, default tables below)
"""
import math
import subprocess
import sys

TABLES = [
    (45, 1, 2, 89), (312, 160, 153, 287), (8, 2, 1, 5), (3, 7, 9, 1),
    (5000, 5000, 5000, 5000),  # tails reach 1e-6019, through the end of the range
    (7000, 5000, 3000, 5000), (19000, 500, 400, 100), (2, 9998, 9997, 3),
    (1500, 2700, 900, 4400), (60, 40, 35, 70), (0, 20, 20, 0),
]
TOLERANCE = 1e-14
FLOOR_EXP10 = -4900  # below this the extended format runs out of exponent
ALPHA = [(1, 1000), (1, 100), (5, 100)]  # 0.1 %, 1 %, 5 %
PREFIX = ["   5%-ный уровень значимости: ", "   1%-ный уровень значимости: ",
          "   0.1%-ный уровень значимости: "]


def exact(a, b, c, d):
    """Numerators over the denominator C(s, m): point, left and right sums,
    two-sided sums, and the range of a."""
    s, m, k = a + b + c + d, a + b, a + c
    lo, hi = max(0, m + k - s), min(m, k)
    point, first, second = [], math.comb(k, lo), math.comb(s - k, m - lo)
    for x in range(lo, hi + 1):  # C(k, x) C(s - k, m - x), the divisions exact
        point.append(first * second)
        first = first * (k - x) // (x + 1)
        second = second * (m - x) // (s - k - m + x + 1) if x < hi else 0
    left, run = [], 0
    for p in point:
        run += p
        left.append(run)
    right, run = [0] * len(point), 0
    for i in range(len(point) - 1, -1, -1):
        run += point[i]
        right[i] = run
    measure = [abs(x * s - m * k) for x in range(lo, hi + 1)]
    order = sorted(range(len(point)), key=lambda i: -measure[i])
    two, run, j = [0] * len(point), 0, 0
    while j < len(order):  # equal measures share one sum
        group = [order[j]]
        while j + len(group) < len(order) and measure[order[j + len(group)]] == measure[order[j]]:
            group.append(order[j + len(group)])
        run += sum(point[i] for i in group)
        for i in group:
            two[i] = run
        j += len(group)
    return math.comb(s, m), lo, point, left, right, two, (m + 1) * (k + 1) // (s + 2)


def relative_error(text, numerator, denominator):
    """|text - numerator/denominator| / (numerator/denominator), exactly."""
    mantissa, _, exponent = text.partition("e")
    digits = mantissa.replace(".", "").lstrip("-")
    scale = int(exponent) - (len(mantissa.split(".")[1]) if "." in mantissa else 0)
    value = int(digits) * (-1 if mantissa.startswith("-") else 1)
    # text = value * 10^scale
    if scale >= 0:
        error, exact_value = abs(value * 10**scale * denominator - numerator), numerator
    else:
        exact_value = numerator * 10**-scale
        error = abs(value * denominator - exact_value)
    return error / exact_value if error < exact_value * 10**300 else math.inf




def bound_lines(lo, two, left, right, mode, denominator):
    def at_most(x, alpha):
        return x * alpha[1] <= alpha[0] * denominator

    n = len(two)
    lines = []
    for alpha in reversed(ALPHA):
        lower = max((lo + i for i in range(n) if lo + i <= mode and at_most(two[i], alpha)), default=-1)
        upper = min((lo + i for i in range(n) if lo + i >= mode and at_most(two[i], alpha)), default=-1)
        if lower >= 0 and upper >= 0:
            lines.append(f" a <= {lower}  и  a >= {upper}.")
        elif lower >= 0 or upper >= 0:
            lines.append(f" a <= {lower}." if lower >= 0 else f" a >= {upper}.")
        else:
            lines.append(" Критерий не применим.")
    for values, sign, pick in ((left, "<=", max), (right, ">=", min)):
        for alpha in reversed(ALPHA):
            bound = pick((lo + i for i in range(n) if at_most(values[i], alpha)), default=-1)
            lines.append(f" a {sign} {bound}." if bound >= 0 else " Критерий не применим.")
    return lines


def check(program, table):
    args = [str(x) for x in table]
    denominator, lo, point, left, right, two, mode = exact(*table)
    csv = subprocess.run([program, "--csv", *args], capture_output=True, text=True, check=True)
    rows = csv.stdout.splitlines()[1:]
    floor = denominator // 10**-FLOOR_EXP10  # an integer above it is above 1e-4900
    worst = {"point": 0.0, "left": 0.0, "right": 0.0}
    compared, smallest = 0, denominator
    ok = len(rows) == len(point)
    for i, row in enumerate(rows):
        fields = row.split(",")
        if int(fields[0]) != lo + i:
            ok = False
            break
        for name, column, numerators in (("point", 5, point), ("left", 7, left), ("right", 8, right)):
            if numerators[i] > floor:
                error = relative_error(fields[column], numerators[i], denominator)
                worst[name] = max(worst[name], error)
                compared += 1
                if name == "right":
                    smallest = min(smallest, numerators[i])
    ok = ok and all(error <= TOLERANCE for error in worst.values())

    report = subprocess.run([program, *args], capture_output=True, text=True, check=True)
    got = [line[len(p):] for line in report.stdout.splitlines() for p in PREFIX if line.startswith(p)]
    expected = bound_lines(lo, two, left, right, mode, denominator)
    bounds_ok = got == expected
    print(f"{' '.join(args):>24}: {len(rows):5d} rows, {compared:5d} values above 1e-4900; "
          f"worst relative error point {worst['point']:.2e} left {worst['left']:.2e} "
          f"right {worst['right']:.2e} (down to 1e{math.log10(smallest) - math.log10(denominator):.0f}); "
          f"critical regions {'agree' if bounds_ok else 'DIFFER'}")
    if not bounds_ok:
        for g, e in zip(got, expected):
            if g != e:
                print(f"    report{g!r} exact{e!r}")
    return ok and bounds_ok


def main(argv):
    program = "build/cli/velmar-report"
    if len(argv) >= 2 and argv[0] == "--report":
        program, argv = argv[1], argv[2:]
    tables = [tuple(int(x) for x in arg.split(",")) for arg in argv] or TABLES
    results = [check(program, table) for table in tables]
    if not all(results):
        print("FAILED: an error above 1e-14 or a differing critical region")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
