#pragma once

#include "core/Matr.h"

#include <cstdint>

// The largest grand total the calculator accepts.
constexpr int32_t MaxGrandTotal = 20000;

// Distribution of the cell a of a 2x2 table with fixed margins. Element i of
// the arrays belongs to the table (aMin + i, bMax - i, cMax - i, dMin + i).
struct TFisherDistribution {
    int32_t aMin = 0, aMax = 0;
    int32_t bMin = 0, bMax = 0;
    int32_t cMin = 0, cMax = 0;
    int32_t dMin = 0, dMax = 0;
    clLDVector point;          // P(A = aMin + i)
    clLDVector twoSided;       // total probability of the tables at least as far from m*k/s
    clLDVector leftCumulative; // P(A <= aMin + i)
    int32_t mode = 0;          // the most probable a (the upper one of a tie)

    int32_t Count() const { return point.Length(); }
    // P(A >= aMin + i), formed as the report forms it: the subtraction first.
    long double Right(int32_t i) const
    {
        return point.Get(i) + (1.0L - leftCumulative.Get(i));
    }
};

// The distribution of the last "Расчет"; only the main window's handlers and
// the program's start-up touch it.
extern TFisherDistribution FisherDistribution;

// Fills result for grand total s, first-row sum m and first-column sum k.
// Returns 0; 1 for empty or inconsistent margins; 2 for s above 20000.
// A refusal leaves the previous result untouched.
int32_t ComputeDistribution(TFisherDistribution &result, int32_t s, int32_t m, int32_t k);
