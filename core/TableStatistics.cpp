#include "core/TableStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

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

// The noncentral weights P(x) psi^x of one table for any psi, walked from
// their peak outwards, so that no weight exceeds 1 and none is formed from a
// power of psi: psi^x overflows every floating type long before x = 10000.
class TNoncentralWeights {
public:
    // Index i stands for x = aMin + i, 0 <= i < n.
    TNoncentralWeights(int32_t s, int32_t m, int32_t k, int32_t aMin, int32_t n) : m_n(n)
    {
        // Small tables, the common case in a batch, keep their ratios on the stack.
        long double *ratios = m_local;
        if (n - 1 > SmallCount) {
            m_heap.resize(size_t(2) * size_t(n - 1));
            ratios = m_heap.data();
        }
        long double *up = ratios, *down = ratios + (n - 1);
        m_up = up;
        m_down = down;
        // w(x + 1) / w(x) at psi = 1, each exact in the numerator and denominator.
        for (int32_t i = 0; i + 1 < n; ++i) {
            const int32_t x = aMin + i;
            const long double numerator = (long double)(m - x) * (long double)(k - x);
            const long double denominator = (long double)(x + 1) * (long double)(s - m - k + x + 1);
            up[i] = numerator / denominator;
            down[i] = denominator / numerator;
        }
    }
    TNoncentralWeights(const TNoncentralWeights &) = delete;
    TNoncentralWeights &operator=(const TNoncentralWeights &) = delete;

    // Feeds sums.Add(i, w) with the weights at psi = e^theta relative to the
    // largest one, from the peak outwards on each side until one falls below
    // cutoff (that one included), after sums.Start(peak).
    template <class TSums> void Walk(long double theta, long double cutoff, TSums &sums) const
    {
        const long double psi = std::exp(theta), inverse = 1.0L / psi;
        // The peak is the first x whose step up does not gain; the steps shrink as x grows.
        int32_t low = 0, high = m_n - 1;
        while (low < high) {
            const int32_t middle = (low + high) / 2;
            if (m_up[middle] * psi <= 1.0L)
                high = middle;
            else
                low = middle + 1;
        }
        const int32_t peak = low;
        sums.Start(peak);
        sums.Add(peak, 1.0L);
        long double w = 1.0L;
        for (int32_t i = peak; i + 1 < m_n && w >= cutoff; ++i) {
            w *= m_up[i] * psi;
            sums.Add(i + 1, w);
        }
        w = 1.0L;
        for (int32_t i = peak; i > 0 && w >= cutoff; --i) {
            w *= m_down[i - 1] * inverse;
            sums.Add(i - 1, w);
        }
    }

private:
    static constexpr int32_t SmallCount = 160;
    int32_t m_n;
    long double m_local[2 * SmallCount];
    std::vector<long double> m_heap;
    const long double *m_up = nullptr, *m_down = nullptr;
};

// Weights below, at and above the observed index, with their distances from it.
struct TTailSums {
    int32_t at;
    long double below = 0.0L, belowDistance = 0.0L;
    long double here = 0.0L;
    long double above = 0.0L, aboveDistance = 0.0L;

    void Start(int32_t) {}
    void Add(int32_t i, long double w)
    {
        if (i < at) {
            below += w;
            belowDistance += (long double)(at - i) * w;
        } else if (i > at) {
            above += w;
            aboveDistance += (long double)(i - at) * w;
        } else {
            here = w;
        }
    }
};

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

// Newton's method on an increasing function of the log odds ratio, inside a
// bracket that narrows at every evaluation; a step that leaves the bracket, or
// an evaluation too far out to give a slope, is replaced by bisection.
template <class F>
long double SolveIncreasing(F f, long double theta, long double low, long double high)
{
    theta = std::clamp(theta, low, high);
    for (int iteration = 0; iteration < 500; ++iteration) {
        long double slope = 0.0L;
        const long double h = f(theta, slope);
        if (h == 0.0L)
            return theta;
        if (h > 0.0L)
            high = theta;
        else
            low = theta;
        const bool slopeKnown = std::isfinite(h) && slope > 0.0L;
        long double next = theta - h / slope;
        // Quadratic convergence: the error left is far below the last step.
        if (slopeKnown && std::fabs(next - theta) < 1e-8L)
            return next;
        if (!slopeKnown || !(next > low && next < high))
            next = (low + high) / 2.0L;
        if (high - low < 1e-14L)
            return next;
        theta = next;
    }
    return theta;
}

// Normal quantile for a tail probability p <= 1/2, to about 4.5e-4: only a
// starting point for the interval (Abramowitz and Stegun 26.2.23).
double NormalQuantile(double p)
{
    const double t = std::sqrt(-2.0 * std::log(p));
    return t - (2.515517 + t * (0.802853 + t * 0.010328)) /
                   (1.0 + t * (1.432788 + t * (0.189269 + t * 0.001308)));
}

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

    const int32_t n = dist.Count(), at = a - dist.aMin, last = n - 1;
    ComputeProbabilities(dist, at, r);

    const bool levelValid = confLevel > 0.0L && confLevel < 1.0L;
    if (n == 1) {
        r.estimate = UndefinedRatio();
        r.lower = levelValid ? FiniteRatio(0.0) : UndefinedRatio();
        r.upper = levelValid ? InfiniteRatio() : UndefinedRatio();
        return r;
    }

    const TNoncentralWeights weights(s, m, k, dist.aMin, n);
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
        return r;
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
            TTailSums sums{at};
            weights.Walk(theta, cutoff, sums);
            const long double upper = sums.here + sums.above;
            if (sums.below == 0.0L)
                return HUGE_VALL;
            if (upper == 0.0L)
                return -HUGE_VALL;
            slope = sums.aboveDistance / upper + sums.belowDistance / sums.below;
            return std::log(upper / sums.below) - tailLogit;
        };
        r.lower = FiniteRatio(
            double(std::exp(SolveIncreasing(lowerTail, center - reach, -bound, bound))));
    }
    if (at == last) {
        r.upper = InfiniteRatio();
    } else {
        auto upperTail = [&](long double theta, long double &slope) {
            TTailSums sums{at};
            weights.Walk(theta, cutoff, sums);
            const long double lower = sums.below + sums.here;
            if (lower == 0.0L)
                return HUGE_VALL;
            if (sums.above == 0.0L)
                return -HUGE_VALL;
            slope = sums.aboveDistance / sums.above + sums.belowDistance / lower;
            return std::log(sums.above / lower) + tailLogit;
        };
        r.upper = FiniteRatio(
            double(std::exp(SolveIncreasing(upperTail, center + reach, -bound, bound))));
    }
    return r;
}
