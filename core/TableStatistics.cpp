#include "core/TableStatistics.h"

#include "core/NoncentralWeights.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using noncentral::LowerTailEquation;
using noncentral::NormalQuantile;
using noncentral::SolveIncreasing;
using noncentral::TNoncentralWeights;
using noncentral::UpperTailEquation;

TOddsRatio FiniteRatio(double v)
{
    return {TOddsRatio::Finite, v};
}
TOddsRatio InfiniteRatio()
{
    return {TOddsRatio::Infinite, HUGE_VAL};
}
TOddsRatio UndefinedRatio()
{
    return {TOddsRatio::Undefined, std::numeric_limits<double>::quiet_NaN()};
}

// Total weight, the distances from both ends of the range and the spread about
// the peak; the mean's distance from each end is a sum of like-signed terms.
struct TMeanSums {
    int32_t last;
    int32_t peak = 0;
    long double total = 0.0L, fromFirst = 0.0L, toLast = 0.0L;
    long double central1 = 0.0L, central2 = 0.0L;

    void Start(int32_t i) { peak = i; }
    void Add(int32_t i, long double w)
    {
        total += w;
        fromFirst += (long double)i * w;
        toLast += (long double)(last - i) * w;
        const long double d = (long double)(i - peak);
        central1 += d * w;
        central2 += d * d * w;
    }
};

void ComputeProbabilities(const TFisherDistribution &dist, int32_t at, TTableStatistics &r)
{
    const int32_t n = dist.Count();
    const long double here = dist.point.Get(at);

    // Each tail summed from its far end, the small terms first.
    long double below = 0.0L, above = 0.0L;
    for (int32_t i = 0; i < at; ++i)
        below += dist.point.Get(i);
    for (int32_t i = n - 1; i > at; --i)
        above += dist.point.Get(i);
    // Rounding can lift a sum whose exact value is just below 1 above it.
    r.midPLeft = std::min(1.0L, below + here / 2.0L);
    r.midPRight = std::min(1.0L, above + here / 2.0L);
    r.midPTwoSided = std::min(1.0L, 2.0L * std::min(r.midPLeft, r.midPRight));

    // The tables no more probable than this one form both tails of the
    // unimodal distribution; the tolerance takes in ties lost to rounding.
    const long double limit = here * (1.0L + 1e-7L);
    long double low = 0.0L, high = 0.0L;
    int32_t i = 0;
    for (; i < n && dist.point.Get(i) <= limit; ++i)
        low += dist.point.Get(i);
    for (int32_t j = n - 1; j >= i && dist.point.Get(j) <= limit; --j)
        high += dist.point.Get(j);
    r.minLikelihood = std::min(1.0L, low + high);
}

} // namespace

TTableStatistics ComputeTableStatistics(const TFisherDistribution &dist, int32_t a, int32_t b,
                                        int32_t c, int32_t d, long double confLevel)
{
    TTableStatistics r;
    const int64_t total = int64_t(a) + b + c + d;
    bool belongs = a >= 0 && b >= 0 && c >= 0 && d >= 0 && total >= 1 && total <= MaxGrandTotal;
    const int32_t s = belongs ? int32_t(total) : 0;
    const int32_t m = belongs ? a + b : 0, k = belongs ? a + c : 0;
    belongs = belongs && dist.aMin == std::max(0, m + k - s) && dist.aMax == std::min(m, k) &&
              dist.Count() == dist.aMax - dist.aMin + 1;
    if (!belongs) {
        const long double nan = std::numeric_limits<long double>::quiet_NaN();
        r.sample = r.estimate = r.lower = r.upper = UndefinedRatio();
        r.minLikelihood = r.midPLeft = r.midPRight = r.midPTwoSided = nan;
        return r;
    }

    const double ad = double(a) * double(d), bc = double(b) * double(c);
    r.sample = bc > 0.0 ? FiniteRatio(ad / bc) : ad > 0.0 ? InfiniteRatio() : UndefinedRatio();

    const int32_t n = dist.Count();
    ComputeProbabilities(dist, a - dist.aMin, r);

    const bool levelValid = confLevel > 0.0L && confLevel < 1.0L;
    if (n == 1) {
        r.estimate = UndefinedRatio();
        r.lower = levelValid ? FiniteRatio(0.0) : UndefinedRatio();
        r.upper = levelValid ? InfiniteRatio() : UndefinedRatio();
        return r;
    }
    SearchOddsRatio(a, b, c, d, dist.aMin, n, confLevel, r);
    return r;
}

void SearchOddsRatio(int32_t a, int32_t b, int32_t c, int32_t d, int32_t first, int32_t count,
                     long double confLevel, TTableStatistics &r)
{
    const int32_t s = a + b + c + d, m = a + b, k = a + c;
    const int32_t at = a - first, last = count - 1;
    const bool levelValid = confLevel > 0.0L && confLevel < 1.0L;
    const TNoncentralWeights weights(s, m, k, first, count);
    // Near-linear functions of log psi on either side of their roots: the log
    // of the mean's distances from the ends, and the log odds of each tail.
    const long double haldane = std::log(((a + 0.5L) * (d + 0.5L)) / ((b + 0.5L) * (c + 0.5L)));
    long double center = haldane;
    if (at == 0) {
        r.estimate = FiniteRatio(0.0);
    } else if (at == last) {
        r.estimate = InfiniteRatio();
    } else {
        const long double target = std::log((long double)at / (long double)(last - at));
        auto mean = [&](long double theta, long double &slope) {
            TMeanSums sums{last};
            weights.Walk(theta, 1e-24L, sums);
            if (sums.fromFirst == 0.0L)
                return -HUGE_VALL;
            if (sums.toLast == 0.0L)
                return HUGE_VALL;
            const long double mean = sums.central1 / sums.total;
            const long double variance = sums.central2 / sums.total - mean * mean;
            slope = variance * (sums.total / sums.fromFirst + sums.total / sums.toLast);
            return std::log(sums.fromFirst / sums.toLast) - target;
        };
        center = SolveIncreasing(mean, haldane, -60.0L, 60.0L);
        r.estimate = FiniteRatio(double(std::exp(center)));
    }

    if (!levelValid) {
        r.lower = r.upper = UndefinedRatio();
        return;
    }
    const long double tail = (1.0L - confLevel) / 2.0L;
    const long double tailLogit = std::log(tail) - std::log1p(-tail);
    const long double bound = 60.0L - std::log(tail);
    // Anything below the cutoff is negligible beside the tail at the root.
    const long double cutoff = 1e-24L * tail;
    long double spread = 0.0L;
    for (const int32_t cell : {a, b, c, d})
        spread += 1.0L / (cell + 0.5L);
    const long double reach = NormalQuantile(double(tail)) * std::sqrt(spread);

    if (at == 0) {
        r.lower = FiniteRatio(0.0);
    } else {
        auto lowerTail = [&](long double theta, long double &slope) {
            return UpperTailEquation(weights, at, cutoff, tailLogit, theta, slope);
        };
        r.lower = FiniteRatio(
            double(std::exp(SolveIncreasing(lowerTail, center - reach, -bound, bound))));
    }
    if (at == last) {
        r.upper = InfiniteRatio();
    } else {
        auto upperTail = [&](long double theta, long double &slope) {
            return LowerTailEquation(weights, at, cutoff, tailLogit, theta, slope);
        };
        r.upper = FiniteRatio(
            double(std::exp(SolveIncreasing(upperTail, center + reach, -bound, bound))));
    }
}
