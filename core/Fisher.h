#pragma once

#include "core/Matr.h"

#include <cstdint>
#include <limits>

// Point probabilities of a table of total 20000 reach down to 1e-6019 and sums of
// 10001 of them must hold 15 digits: the core needs the x87 extended format (64-bit
// mantissa, 15-bit exponent), not a long double that is only a double.
static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384,
              "long double must be the 80-bit extended format");

// The largest grand total the calculator accepts.
constexpr int32_t MaxGrandTotal = 20000;

// Distribution of the cell a of a 2x2 table with fixed margins. Element i of
// the arrays belongs to the table (aMin + i, bMax - i, cMax - i, dMin + i).
struct TFisherDistribution {
    int32_t aMin = 0, aMax = 0;
    int32_t bMin = 0, bMax = 0;
    int32_t cMin = 0, cMax = 0;
    int32_t dMin = 0, dMax = 0;
    clLDVector point;           // P(A = aMin + i)
    clLDVector twoSided;        // total probability of the tables at least as far from m*k/s
    clLDVector leftCumulative;  // P(A <= aMin + i)
    clLDVector rightCumulative; // P(A >= aMin + i), summed from aMax down
    int32_t mode = 0;           // the most probable a (the upper one of a tie)

    int32_t Count() const { return point.Length(); }
    // P(A >= aMin + i)
    long double Right(int32_t i) const { return rightCumulative.Get(i); }
};

// The distribution of the last "Расчет"; only main() names it, handing it to
// the windows.
extern TFisherDistribution FisherDistribution;

// Fills result for grand total s, first-row sum m and first-column sum k.
// Returns 0; 1 for empty or inconsistent margins; 2 for s above 20000.
// A refusal leaves the previous result untouched.
int32_t ComputeDistribution(TFisherDistribution &result, int32_t s, int32_t m, int32_t k);

// The two-sided probability of table i summed over the same tables and in the
// same order as twoSided, but in extended precision and never above 1: it keeps
// its range in the far tails, where the double sum reads 0 below 1e-308.
long double TwoSidedExtended(const TFisherDistribution &dist, int32_t i);
