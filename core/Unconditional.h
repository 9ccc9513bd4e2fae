#pragma once

#include <cstdint>

// Unconditional exact tests of a 2x2 table whose rows are two independent
// binomial samples of fixed sizes: a of m = a + b and c of n = c + d. Each
// p-value is the supremum over the common proportion pi in [0, 1] of the
// probability, under Bin(m, pi) x Bin(n, pi), of the tables (x1, x2) whose
// statistic is at least as extreme as the observed one.
//   Boschloo: the statistic is Fisher's one-sided p of (x1, m - x1, x2, n - x2),
//   P(X <= x1) for left and P(X >= x1) for right, extreme when at most the
//   observed one times (1 + 1e-7); two-sided is min(1, 2 * min(left, right)).
//   Barnard: the Wald statistic with the pooled proportion,
//   T = (x1/m - x2/n) / sqrt(p(1 - p)(1/m + 1/n)), p = (x1 + x2)/(m + n), taken
//   as 0 where p is 0 or 1; left T <= T_obs, right T >= T_obs, two-sided
//   |T| >= |T_obs|, every comparison exact in integers.
// Each value is within 1e-12 relative of the supremum.
struct TUnconditionalTests {
    long double boschlooLeft = 1.0L, boschlooRight = 1.0L, boschlooTwoSided = 1.0L;
    long double barnardLeft = 1.0L, barnardRight = 1.0L, barnardTwoSided = 1.0L;
};

// The largest total a + b + c + d whose tests are computed: the work grows as
// m * n per table and the supremum's search as m + n per point.
constexpr int32_t MaxUnconditionalTotal = 2000;

// Fills result for the table a b c d. A zero row (m = 0 or n = 0) leaves
// nothing to compare: every table has the same statistic and every p-value is
// 1. Returns 0; 1 for a negative cell; 2 for a total above
// MaxUnconditionalTotal. A refusal leaves result untouched.
int32_t ComputeUnconditionalTests(int32_t a, int32_t b, int32_t c, int32_t d,
                                  TUnconditionalTests &result);
