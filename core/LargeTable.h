#pragma once

#include "core/ExactIntervals.h"
#include "core/TableStatistics.h"

#include <cstdint>

// The batch's values of a table whose cells and total fit a signed 32-bit
// integer, however far its total passes the calculator's 20000: no array over
// the whole support is built. The probabilities at psi = 1 come from the
// weights summed outward from the most probable a while they still matter
// (down to 1e-340 of the largest), the odds-ratio searches from a stretch of
// feasible values about a wide enough to hold every weight that matters at
// the odds ratios searched. The accuracy is that of the calculator's own
// path: probabilities within 1e-12 relative wherever they exceed 1e-300, odds
// ratios and bounds within 1e-9 relative.
struct TLargeTable {
    long double point = 0.0L;    // P(A = a)
    long double twoSided = 0.0L; // the tables at least as far from m*k/s as a, at most 1
    long double left = 0.0L;     // P(A <= a)
    long double right = 0.0L;    // P(A >= a)
    TTableStatistics stats;
    TRuleIntervals rules;
};

// False, leaving result untouched, for a negative cell, a total of 0 or a
// total beyond 2^31 - 1.
bool ComputeLargeTable(int32_t a, int32_t b, int32_t c, int32_t d, long double confLevel,
                       TLargeTable &result);
