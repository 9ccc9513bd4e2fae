#pragma once

#include "core/Fisher.h"
#include "core/TableStatistics.h"

#include <cstdint>

// Three two-sided rules for the odds ratio psi, each with the interval it
// matches: the psi whose test of "odds ratio = psi" by the same rule, over the
// noncentral weights P(x) psi^x, does not reject at alpha = 1 - confLevel
// (a psi is kept when its p-value exceeds alpha). Each interval is the
// smallest that holds every kept psi, so a p-value at or below alpha goes with
// an interval that leaves 1 out.
struct TRuleIntervals {
    // min(1, 2 * min(P(X <= a), P(X >= a))); the exact conditional interval.
    long double centralP = 0.0L;
    TOddsRatio centralLow, centralHigh;
    // Sum of P(x) over every x with P(x) <= P(a) * (1 + 1e-7), at most 1.
    long double minlikeP = 0.0L;
    TOddsRatio minlikeLow, minlikeHigh;
    // Blaker's: the sum of P(x) over every x with gamma(x) <= gamma(a) * (1 + 1e-7),
    // gamma(x) = min(P(X <= x), P(X >= x)); never above the central p, and its
    // interval lies inside the central one.
    long double blakerP = 0.0L;
    TOddsRatio blakerLow, blakerHigh;
};

// The rules of the table a b c d, given its distribution as
// ComputeDistribution(dist, a + b + c + d, a + b, a + c) leaves it. The
// p-values are within 1e-12 relative of the exact values wherever they exceed
// 1e-300; the bounds within 1e-9 relative. The lower bound is 0 when a is the
// smallest feasible value, the upper one infinite when a is the largest (the
// p-values tend to 1 there). A distribution that does not belong to the table
// leaves every bound undefined and every p-value NaN; a level outside (0, 1)
// leaves the intervals undefined, and so does a level of 1/2 or less for
// Blaker's interval, whose search relies on alpha < 1/2.
TRuleIntervals ComputeRuleIntervals(const TFisherDistribution &dist, int32_t a, int32_t b,
                                    int32_t c, int32_t d, long double confLevel = 0.95L);

// The same, given what ComputeTableStatistics(dist, a, b, c, d, confLevel)
// returned for the table at this level: its central interval, estimate and
// "no more probable" p are taken as they are rather than computed again.
TRuleIntervals ComputeRuleIntervals(const TFisherDistribution &dist, int32_t a, int32_t b,
                                    int32_t c, int32_t d, const TTableStatistics &stats,
                                    long double confLevel = 0.95L);

// The bounds alone (those of the "no more probable" and Blaker rules) of the
// table a b c d, from the noncentral weights of the feasible values first ..
// first + count - 1 of a, as SearchOddsRatio takes them; stats holds the
// table's estimate and central interval at this level.
void SearchRuleIntervals(int32_t a, int32_t b, int32_t c, int32_t d, int32_t first, int32_t count,
                         const TTableStatistics &stats, long double confLevel, TRuleIntervals &r);
