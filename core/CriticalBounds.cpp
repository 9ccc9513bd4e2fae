#include "core/CriticalBounds.h"

TCriticalBounds ComputeCriticalBounds(const TFisherDistribution &dist)
{
    TCriticalBounds bounds;
    for (int level = 0; level < 3; ++level)
        bounds.twoLower[level] = bounds.twoUpper[level] = bounds.leftBound[level] =
            bounds.rightBound[level] = -1;
    const int32_t n = dist.Count();

    // The largest (upward) or smallest (downward) match wins; the mode is seen by both.
    for (int32_t i = 0; i < n && dist.aMin + i <= dist.mode; ++i)
        for (int level = 0; level < 3; ++level)
            if (dist.twoSided.Get(i) <= LevelAlpha[level])
                bounds.twoLower[level] = dist.aMin + i;
    for (int32_t i = n - 1; i >= 0 && dist.aMin + i >= dist.mode; --i)
        for (int level = 0; level < 3; ++level)
            if (dist.twoSided.Get(i) <= LevelAlpha[level])
                bounds.twoUpper[level] = dist.aMin + i;
    for (int32_t i = 0; i < n; ++i)
        for (int level = 0; level < 3; ++level)
            if (dist.leftCumulative.Get(i) <= LevelAlpha[level])
                bounds.leftBound[level] = dist.aMin + i;
    for (int32_t i = n - 1; i >= 0; --i)
        for (int level = 0; level < 3; ++level)
            if (dist.Right(i) <= LevelAlpha[level])
                bounds.rightBound[level] = dist.aMin + i;
    return bounds;
}
