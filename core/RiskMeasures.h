#pragma once

#include <cstdint>

// A risk difference, risk ratio or number needed to treat, or a bound of its
// interval. `kind` is what a reader checks: `value` is the number when Finite,
// HUGE_VAL when Infinite and NaN when Undefined.
struct TRiskValue {
    enum TKind { Finite, Infinite, Undefined };
    TKind kind = Undefined;
    double value = 0.0;
};

// The number needed to treat 1 / |p1 - p2| and the interval it takes from the
// difference's interval [low, high].
struct TNumberNeeded {
    // Bounded: the difference's interval stays on one side of 0 (it may touch
    // it, and the far end is then infinite): the NNT lies in [low, high].
    // ThroughInfinity: the interval holds 0, so the NNT runs from `low` =
    // 1 / |rdLow| (the side where p1 < p2) through infinity to `high` =
    // 1 / rdHigh (the side where p1 > p2).
    enum TKind { Bounded, ThroughInfinity, Undefined };
    TKind kind = Undefined;
    TRiskValue value; // infinite when p1 = p2
    TRiskValue low, high;
};

// The rows of the table are the two groups: p1 = a / (a + b), p2 = c / (c + d).
struct TRiskMeasures {
    // p1 - p2 with the Miettinen-Nurminen score interval.
    TRiskValue rd, rdLow, rdHigh;
    // p1 / p2 with the Miettinen-Nurminen score interval; infinite when p2 = 0.
    TRiskValue rr, rrLow, rrHigh;
    TNumberNeeded nnt;
};

// The measures of the table a b c d at level confLevel. The score intervals
// use the variance at the restricted maximum-likelihood proportions times
// N / (N - 1), N = a + b + c + d, and are the roots of the score statistic
// equal to the normal quantile, solved to within 1e-12 relative (the
// difference's bounds within 1e-12 absolute). A zero row leaves everything
// undefined, and so does a level outside (0, 1) for the intervals; with
// p1 = p2 = 0 the ratio's statistic is 0/0 at every ratio, so the ratio and its
// interval are undefined, while the difference keeps its interval.
TRiskMeasures ComputeRiskMeasures(int32_t a, int32_t b, int32_t c, int32_t d,
                                  long double confLevel = 0.95L);

// The standard normal quantile Phi^-1(p) for 0 < p < 1, to about 1e-17 relative
// of the quantile of p as given (near 1 the spacing of p itself limits it).
long double NormalQuantileExact(long double p);
