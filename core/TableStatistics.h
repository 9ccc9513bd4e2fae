#pragma once

#include "core/Fisher.h"

#include <cstdint>

// An odds ratio or a bound of its interval. `kind` is what a reader checks:
// `value` is the number when Finite (0 is a proper value: the lower bound when
// a is the smallest feasible value), HUGE_VAL when Infinite and NaN when
// Undefined.
struct TOddsRatio {
    enum TKind { Finite, Infinite, Undefined };
    TKind kind = Undefined;
    double value = 0.0;
};

// The effect size of a 2x2 table and the two-sided p-values of the rules other
// packages use. With the noncentral weights P(x) * psi^x over the feasible x:
struct TTableStatistics {
    TOddsRatio sample;   // (a*d)/(b*c)
    TOddsRatio estimate; // conditional maximum likelihood: the psi whose mean of x is a
    TOddsRatio lower;    // exact interval: P_psi(x >= a) = alpha/2
    TOddsRatio upper;    // exact interval: P_psi(x <= a) = alpha/2
    // Sum of P(x) over every x with P(x) <= P(a) * (1 + 1e-7), at most 1.
    long double minLikelihood = 0.0L;
    // P(x < a) + P(a)/2, P(x > a) + P(a)/2 and min(1, 2 * min(left, right)).
    long double midPLeft = 0.0L, midPRight = 0.0L, midPTwoSided = 0.0L;
};

// The statistics of the table a b c d, given its distribution as
// ComputeDistribution(dist, a + b + c + d, a + b, a + c) leaves it; the
// interval at level confLevel. The odds ratios are within 1e-9 relative of the
// exact values, the probabilities within 1e-12 relative wherever they exceed
// 1e-300. A distribution that does not belong to the table leaves every odds
// ratio undefined and every probability NaN; a level outside (0, 1) leaves
// the interval undefined.
TTableStatistics ComputeTableStatistics(const TFisherDistribution &dist, int32_t a, int32_t b,
                                        int32_t c, int32_t d, long double confLevel = 0.95L);

// The estimate and the exact interval alone (r.estimate, r.lower, r.upper) of
// the table a b c d, from the noncentral weights of the feasible values first
// .. first + count - 1 of a only, count >= 2: a stretch about a outside which
// every weight is negligible at the odds ratios searched, so that tables of
// any size that fits 32-bit cells need no array over their whole support. a
// counts as the smallest feasible value when it is first, as the largest when
// it is the stretch's last value; the caller keeps a inside otherwise.
void SearchOddsRatio(int32_t a, int32_t b, int32_t c, int32_t d, int32_t first, int32_t count,
                     long double confLevel, TTableStatistics &r);
