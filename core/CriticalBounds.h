#pragma once

#include "core/Fisher.h"

#include <cstdint>

// Indices of the three significance levels in each bound array.
enum TLevel { Level01 = 0, Level1 = 1, Level5 = 2 };

// The significance levels in the order of the bound arrays: 0.1 %, 1 %, 5 %.
constexpr double LevelAlpha[3] = {0.001, 0.01, 0.05};

// Bounds of a for the critical regions, each for 0.1 %, 1 % and 5 %; -1 for none.
struct TCriticalBounds {
    int32_t twoLower[3] = {0, 0, 0};
    int32_t twoUpper[3] = {0, 0, 0};
    int32_t leftBound[3] = {0, 0, 0};
    int32_t rightBound[3] = {0, 0, 0};
};

inline bool operator==(const TCriticalBounds &x, const TCriticalBounds &y)
{
    for (int i = 0; i < 3; ++i)
        if (x.twoLower[i] != y.twoLower[i] || x.twoUpper[i] != y.twoUpper[i] ||
            x.leftBound[i] != y.leftBound[i] || x.rightBound[i] != y.rightBound[i])
            return false;
    return true;
}

// The critical regions of dist at the three levels: the two-sided scans from
// each end towards the mode, the one-sided scans over the whole range.
TCriticalBounds ComputeCriticalBounds(const TFisherDistribution &dist);
