#pragma once

#include <cstdint>

// Planning a study: the exact power of Fisher's test when the rows are two
// independent binomial samples, x1 of N1 with proportion P1 and x2 of N2 with
// P2, the table being (a, b, c, d) = (x1, N1 - x1, x2, N2 - x2).

// The largest group either mode takes; the total may reach twice the
// calculator's 20000.
constexpr int32_t MaxPowerGroup = 20000;

enum class TPowerCriterion { TwoSided, Left, Right };
// The two-sided rules; a one-sided criterion has its own tail.
enum class TPowerRule {
    Velmar,        // the tables with |ad - bc| at least as large, as the report sums them
    MinLikelihood, // the tables no more probable, with the tie factor 1 + 1e-7
    Central,       // min(1, 2 * min(P(A <= a), P(A >= a)))
};

// The test: a table is rejected when its p-value is at most alpha, as the
// report's verdict decides (a p equal to the level rejects); a p within 1e-12
// relative of alpha counts as equal, so that exact ties such as 1/20 at 0.05
// are not lost to rounding. Left rejects on P(A <= a) (P1 below P2), right on
// P(A >= a).
struct TPowerTest {
    long double alpha = 0.05L;
    TPowerCriterion criterion = TPowerCriterion::TwoSided;
    TPowerRule rule = TPowerRule::Velmar;
};

// The exact power: the sum of Bin(x1; n1, p1) Bin(x2; n2, p2) over the tables
// the test rejects, within about 1e-15 absolute of the exact value (terms below
// 1e-30 of the largest are left out). NaN for p outside [0, 1], a group outside
// 1 .. MaxPowerGroup or alpha outside (0, 1).
long double ExactPower(long double p1, long double p2, int32_t n1, int32_t n2,
                       const TPowerTest &test);

// The common proportion the size is taken at: (n1 p1 + n2 p2) / (n1 + n2),
// the proportion of the pooled expected successes.
long double PooledProportion(long double p1, long double p2, int32_t n1, int32_t n2);

// The rejection probability when both proportions are the pooled one: the
// size at that point, not the supremum over every common proportion.
long double ExactSizeAtPooled(long double p1, long double p2, int32_t n1, int32_t n2,
                              const TPowerTest &test);

// N1 of the normal approximation (N2 = ratio N1), unrounded:
//   (z_a sqrt(q(1 - q)(1 + 1/ratio)) + z_b sqrt(p1(1 - p1) + p2(1 - p2)/ratio))^2 / (p1 - p2)^2
// with q = (p1 + ratio p2) / (1 + ratio), z_a the quantile of 1 - alpha/2
// (1 - alpha one-sided) and z_b that of power; no continuity correction.
// NaN where it has no answer: p1 = p2, a one-sided criterion against the
// direction of p1 - p2, power outside (0, 1), or a power so low that the
// bracket is not positive.
long double NormalApproxSampleSize(long double p1, long double p2, long double power,
                                   long double ratio, const TPowerTest &test);

// N2 for N1 at the given ratio: round(ratio n1), halves away from zero.
int32_t GroupForRatio(long double ratio, int32_t n1);

struct TSampleSize {
    // The smallest N1 (with N2 = GroupForRatio(ratio, N1)) whose exact power
    // reaches the target; found is false when no N1 up to the limit does.
    bool found = false;
    int32_t n1 = 0, n2 = 0;
    long double power = 0.0L;
    // The smallest N1 from which the power stays at or above the target for
    // every N1 up to N1 + 50 (stableShort: the limit came before N1 + 50).
    bool stableFound = false, stableShort = false;
    int32_t n1Stable = 0, n2Stable = 0;
    // The last N1 computed (the largest allowed when the target is not
    // reached) and its power.
    int32_t lastN1 = 0;
    long double lastPower = 0.0L;
    long double approx = 0.0L; // NormalApproxSampleSize
};

// The search: N1 doubled from the first whose N2 is at least 1 until its
// power reaches the target, the step between the last two halved down to a
// first N1 that reaches it, then every N1 below tried until 50 in a row fall
// short (below 100 or so that is every N1 from the start), then every N1 above
// until 51 in a row reach it. The smallest N1 is thus exact unless an earlier
// one reaches the target across a dip of 50 that do not, which the saw of the
// power does not make. Invalid input (as for ExactPower, target outside (0, 1),
// ratio not positive or no N1 with both groups in range) returns found false
// and lastN1 0; found false with lastN1 set means the largest N1 falls short.
TSampleSize ExactSampleSize(long double p1, long double p2, long double target, long double ratio,
                            const TPowerTest &test);
